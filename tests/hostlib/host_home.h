// A scratch QUORVEX_HOME for one test, removed afterwards, with the default
// log and trace sinks back in place.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "hostlib/log.h"
#include "hostlib/trace.h"

class ScratchHome : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/qvx-home-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        home_ = std::string(pattern) + "/home";  // not there yet: first use creates it
        ::setenv("QUORVEX_HOME", home_.c_str(), 1);
    }
    void TearDown() override {
        quorvex::host::SetLogSink(nullptr);
        quorvex::host::SetTraceSink(nullptr);
        ::unsetenv("QUORVEX_HOME");
        std::filesystem::remove_all(std::filesystem::path(home_).parent_path());
    }

    std::string ReadFile(const std::string& name) const {
        std::ifstream in(home_ + "/" + name, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    void WriteFile(const std::string& name, const std::string& text) const {
        std::filesystem::create_directories(home_);
        std::ofstream(home_ + "/" + name, std::ios::binary) << text;
    }

    std::string home_;
};
