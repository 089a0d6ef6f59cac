// The message box presenter seam: which presenter is installed, and the
// presenters every backend offers. The default presenter is the backend's.
#include <cstdio>

#include "default_presenter.h"
#include "platform/msgbox.h"

namespace {

std::mutex g_presenter_mutex;
quorvex::platform::MessageBoxPresenter* g_presenter = nullptr;

}  // namespace

namespace quorvex::platform {

MessageBoxPresenter* SetMessageBoxPresenter(MessageBoxPresenter* presenter) {
    std::lock_guard<std::mutex> lock(g_presenter_mutex);
    MessageBoxPresenter* previous =
        g_presenter ? g_presenter : &internal::DefaultMessageBoxPresenter();
    g_presenter = presenter;
    return previous;
}

MessageBoxPresenter* GetMessageBoxPresenter() {
    std::lock_guard<std::mutex> lock(g_presenter_mutex);
    return g_presenter ? g_presenter : &internal::DefaultMessageBoxPresenter();
}

int DefaultButton(UINT type) {
    static const int kButtons[][3] = {
        {IDOK, IDOK, IDOK},             // MB_OK
        {IDOK, IDCANCEL, IDCANCEL},     // MB_OKCANCEL
        {IDABORT, IDRETRY, IDIGNORE},   // MB_ABORTRETRYIGNORE
        {IDYES, IDNO, IDCANCEL},        // MB_YESNOCANCEL
        {IDYES, IDNO, IDNO},            // MB_YESNO
        {IDRETRY, IDCANCEL, IDCANCEL},  // MB_RETRYCANCEL
    };
    UINT kind = type & MB_TYPEMASK;
    if (kind >= sizeof kButtons / sizeof kButtons[0]) return IDOK;
    UINT which = (type & MB_DEFMASK) >> 8;
    return kButtons[kind][which > 2 ? 0 : which];
}

int StderrMessageBoxPresenter::Show(HWND /*owner*/, const std::string& text,
                                    const std::string& caption, UINT type) {
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    std::fflush(stderr);
    return DefaultButton(type);
}

int RecordingMessageBoxPresenter::Show(HWND owner, const std::string& text,
                                       const std::string& caption, UINT type) {
    std::lock_guard<std::mutex> lock(mutex_);
    boxes_.push_back(Box{owner, text, caption, type});
    return answer_;
}

void RecordingMessageBoxPresenter::SetAnswer(int answer) {
    std::lock_guard<std::mutex> lock(mutex_);
    answer_ = answer;
}

std::vector<RecordingMessageBoxPresenter::Box> RecordingMessageBoxPresenter::Boxes() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return boxes_;
}

std::size_t RecordingMessageBoxPresenter::Count() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return boxes_.size();
}

void RecordingMessageBoxPresenter::Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    boxes_.clear();
}

}  // namespace quorvex::platform
