// Message boxes of the Win32 backend: the module's MessageBoxA calls land here
// and go to the installed presenter; the default presenter shows the real box.
#include "platform/msgbox.h"

#include "default_presenter.h"

namespace {

// The SDK's function, which the platform header renames for everyone else.
#undef MessageBoxA
int ShowNativeBox(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    return ::MessageBoxA(owner, text, caption, type);
}

class NativeMessageBoxPresenter : public quorvex::platform::MessageBoxPresenter {
  public:
    int Show(HWND owner, const std::string& text, const std::string& caption, UINT type) override {
        const int answer = ShowNativeBox(owner, text.c_str(), caption.c_str(), type);
        // 0: no box could be shown (no desktop); the box counts as confirmed.
        return answer != 0 ? answer : quorvex::platform::DefaultButton(type);
    }
};

}  // namespace

namespace quorvex::platform::internal {

MessageBoxPresenter& DefaultMessageBoxPresenter() {
    static auto* presenter = new NativeMessageBoxPresenter;
    return *presenter;
}

}  // namespace quorvex::platform::internal

int QuorvexMessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
    auto* presenter = quorvex::platform::GetMessageBoxPresenter();
    return presenter->Show(hWnd, lpText ? lpText : "", lpCaption ? lpCaption : "Error", uType);
}
