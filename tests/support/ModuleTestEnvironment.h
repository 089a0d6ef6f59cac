// A clean world for one module test: its own host folder, trace and log
// captured in memory, message boxes recorded, and a scripted target as the
// process connection. Everything is put back when the test ends.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "cmdlib/ScriptedTarget.h"
#include "framework/list.h"
#include "hostlib/log.h"
#include "hostlib/trace.h"
#include "platform/messages.h"
#include "platform/msgbox.h"

namespace quorvex::testing {

class ModuleTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Every message waiting in the calling thread's own queue (posted to a null
    // window), oldest first; WM_TIMER ticks are left out.
    std::vector<MSG> DrainThreadMessages();
    // The target's welcome is read when connecting: call after changing its
    // command databases or OS types, before making the objects under test.
    void Reconnect();

    std::string home_;  // $QUORVEX_HOME of this test
    std::shared_ptr<quorvex::link::ScriptedTarget> target_;
    std::shared_ptr<quorvex::link::InProcessTransport> transport_;
    std::shared_ptr<quorvex::host::MemoryTraceSink> trace_;
    std::shared_ptr<quorvex::host::MemoryLogSink> log_;
    quorvex::platform::RecordingMessageBoxPresenter boxes_;

  private:
    std::shared_ptr<quorvex::host::TraceSink> previous_trace_;
    std::shared_ptr<quorvex::host::LogSink> previous_log_;
    quorvex::platform::MessageBoxPresenter* previous_boxes_ = nullptr;
};

// The items of a string list, head first, each with its full length.
std::vector<std::string> Strings(const CStringList& list);

}  // namespace quorvex::testing
