// Message boxes of the POSIX backend: there is no screen, so every box goes to
// the installed presenter, and by default to stderr.
#include "platform/msgbox.h"

#include "default_presenter.h"

namespace quorvex::platform::internal {

MessageBoxPresenter& DefaultMessageBoxPresenter() {
    static auto* presenter = new StderrMessageBoxPresenter;
    return *presenter;
}

}  // namespace quorvex::platform::internal

int MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
    auto* presenter = quorvex::platform::GetMessageBoxPresenter();
    return presenter->Show(hWnd, lpText ? lpText : "", lpCaption ? lpCaption : "Error", uType);
}
