// Trace output through the installed sink.
#include "hostlib/trace.h"

#include <filesystem>
#include <thread>

#include "host_home.h"

namespace {

using quorvex::host::FileTraceSink;
using quorvex::host::MemoryTraceSink;
using quorvex::host::SetTraceSink;

using Trace = ScratchHome;

TEST_F(Trace, FileSinkAppendsToWhatIsThere) {
    WriteFile("trace.txt", "old\n");
    auto sink = std::make_shared<FileTraceSink>(home_ + "/trace.txt");
    ASSERT_TRUE(sink->is_open());
    SetTraceSink(sink);
    TraceText("one\n");
    TraceString(CString("two\n"));
    // Flushed at once, readable while the sink is still installed.
    EXPECT_EQ(ReadFile("trace.txt"), "old\none\ntwo\n");

    FileTraceSink nowhere(home_ + "/no/such/dir/trace.txt");
    EXPECT_FALSE(nowhere.is_open());
    nowhere.Write("ignored");
}

TEST_F(Trace, ConcurrentTextsStayWhole) {
    auto sink = std::make_shared<MemoryTraceSink>();
    SetTraceSink(sink);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t] {
            std::string line = "thread " + std::to_string(t) + "\n";
            for (int i = 0; i < 200; ++i) TraceText(line.c_str());
        });
    }
    for (auto& thread : threads) thread.join();
    auto writes = sink->Writes();
    ASSERT_EQ(writes.size(), 800u);
    for (const auto& write : writes) EXPECT_EQ(write.rfind("thread ", 0), 0u);
}

}  // namespace
