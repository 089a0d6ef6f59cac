// The target-type question on a terminal. Unlike the framework's console
// presenter, Enter alone does not accept the preselected core: only an
// explicit choice goes ahead; Enter, "q" or the end of input cancel.
#pragma once

#include <iosfwd>

#include "framework/dialog_presenter.h"

namespace quorvex::cli {

class CorePrompt : public framework::DialogPresenter {
  public:
    CorePrompt(std::istream& in, std::ostream& out) : in_(in), out_(out) {}
    INT_PTR Run(CDialog& dlg, const framework::DialogTemplate& tmpl,
                framework::DialogControls& controls) override;

  private:
    std::istream& in_;
    std::ostream& out_;
};

}  // namespace quorvex::cli
