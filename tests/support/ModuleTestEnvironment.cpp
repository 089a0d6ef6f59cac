// The shared fixture of the module's tests.
#include "ModuleTestEnvironment.h"

#include <cstdlib>
#include <filesystem>

#include "cmdlib/Connection.h"

namespace quorvex::testing {

void ModuleTest::SetUp() {
    char pattern[] = "/tmp/quorvex-test-XXXXXX";
    const char* made = mkdtemp(pattern);
    ASSERT_NE(made, nullptr);
    home_ = made;
    setenv("QUORVEX_HOME", home_.c_str(), 1);

    trace_ = std::make_shared<quorvex::host::MemoryTraceSink>();
    previous_trace_ = quorvex::host::SetTraceSink(trace_);
    log_ = std::make_shared<quorvex::host::MemoryLogSink>();
    previous_log_ = quorvex::host::SetLogSink(log_);
    previous_boxes_ = quorvex::platform::SetMessageBoxPresenter(&boxes_);

    target_ = std::make_shared<quorvex::link::ScriptedTarget>();
    transport_ = quorvex::link::ConnectScripted(target_);
    DrainThreadMessages();
}

void ModuleTest::TearDown() {
    quorvex::link::Disconnect();
    quorvex::platform::SetMessageBoxPresenter(previous_boxes_);
    quorvex::host::SetLogSink(previous_log_);
    quorvex::host::SetTraceSink(previous_trace_);
    DrainThreadMessages();
    std::error_code ignored;
    std::filesystem::remove_all(home_, ignored);
}

void ModuleTest::Reconnect() {
    transport_ = quorvex::link::ConnectScripted(target_);
}

std::vector<MSG> ModuleTest::DrainThreadMessages() {
    std::vector<MSG> messages;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message != WM_TIMER) messages.push_back(msg);
    }
    return messages;
}

std::vector<std::string> Strings(const CStringList& list) {
    std::vector<std::string> items;
    for (POSITION pos = list.GetHeadPosition(); pos != nullptr;) {
        const CString& item = list.GetNext(pos);
        items.emplace_back(static_cast<LPCSTR>(item), item.GetLength());
    }
    return items;
}

}  // namespace quorvex::testing
