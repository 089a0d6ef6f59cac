// Shared set-up of the command library tests: a scripted target attached as
// the process connection, and records filled the way the module fills them.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "cmdlib/CommandLink.h"
#include "cmdlib/Connection.h"
#include "cmdlib/ScriptedTarget.h"

class LinkTest : public ::testing::Test {
  protected:
    void SetUp() override {
        target_ = std::make_shared<quorvex::link::ScriptedTarget>();
        transport_ = quorvex::link::ConnectScripted(target_);
    }
    void TearDown() override { quorvex::link::Disconnect(); }

    std::uint64_t now() const { return transport_->clock().now_ms(); }

    static CZENTOMessage Command(const char* name, BYTE* data = nullptr, WORD length = 0) {
        CZENTOMessage command("FDI", "Transport", name);
        command.Data = data;
        command.DataLength = length;
        return command;
    }

    std::shared_ptr<quorvex::link::ScriptedTarget> target_;
    std::shared_ptr<quorvex::link::InProcessTransport> transport_;
};
