// Shared set-up of the command library tests: a scripted target attached as
// the process connection, and records filled the way the module fills them.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <iterator>
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

    // Runs `command` awaiting any of the reports `expected`, answering into
    // reply_ and buffer_ (refilled with 0xEE, offered with `capacity` bytes);
    // returns the link's result.
    int Run(CCommandLink& link, CZENTOMessage command, std::initializer_list<const char*> expected,
            DWORD timeout_ms = 5000, ExchangeMark* mark = nullptr,
            WORD capacity = sizeof(buffer_)) {
        std::fill(std::begin(buffer_), std::end(buffer_), 0xEE);
        reply_.Data = buffer_;
        reply_.DataLength = capacity;
        CStringList names(10);
        for (const char* name : expected) names.AddTail(name);
        ExchangeMark local;
        return link.ExecuteCommand(command, reply_, names, mark ? mark : &local, timeout_ms);
    }

    std::shared_ptr<quorvex::link::ScriptedTarget> target_;
    std::shared_ptr<quorvex::link::InProcessTransport> transport_;
    BYTE buffer_[8] = {};
    CZENTOMessage reply_;
};
