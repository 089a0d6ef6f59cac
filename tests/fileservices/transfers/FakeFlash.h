// A scripted target that keeps flash files in memory and answers the file
// channel commands like a real target would, so whole-file transfers can run
// end to end; one chosen exchange can be left unanswered to inject a time-out.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "cmdlib/Payload.h"
#include "cmdlib/ScriptedTarget.h"

namespace quorvex::test {

class FakeFlash {
  public:
    using Bytes = std::vector<std::uint8_t>;

    // Adds one sticky catch-all rule to `target`; one-shot rules a test adds
    // later still take precedence. Answers in the FDI5 layout when `fdi5`.
    FakeFlash(std::shared_ptr<link::ScriptedTarget> target, bool fdi5);
    FakeFlash(const FakeFlash&) = delete;
    FakeFlash& operator=(const FakeFlash&) = delete;

    std::map<std::string, Bytes> files;
    // Answer to "GetFdiFdvAvailableSpace"; the error report when space_error.
    std::uint32_t free_space = 1u << 20;
    bool space_error = false;
    // Answers to the two message-size queries.
    std::uint32_t in_limit = 1024;
    std::uint32_t out_limit = 1024;
    // "Fseek" is answered with its error report.
    bool seek_refused = false;

    // 1-based number of the exchange to leave unanswered; 0 answers all.
    int silent_exchange = 0;
    bool injected() const { return injected_; }
    // Short name of the command left unanswered, once injected.
    const std::string& silenced() const { return silenced_; }
    int exchanges() const { return exchanges_; }
    // Called for every command before it is answered (a test may stop the
    // transfer from here, as another thread would).
    std::function<void(const link::CommandFrame&)> on_command;

    // Identifiers handed out by "Fopen", and the "Fclose" commands per identifier.
    const std::vector<std::int32_t>& opened() const { return opened_; }
    const std::map<std::int32_t, int>& closes() const { return closes_; }

  private:
    struct OpenFile {
        std::string name;
        std::size_t position = 0;
    };

    void Answer(const link::CommandFrame& command, std::vector<link::ReportFrame>& reports);
    std::int32_t TakeId(link::PayloadReader& reader) const;

    bool fdi5_;
    int exchanges_ = 0;
    bool injected_ = false;
    std::string silenced_;
    std::int32_t next_id_ = 7;
    std::vector<std::int32_t> opened_;
    std::map<std::int32_t, int> closes_;
    std::map<std::int32_t, OpenFile> open_files_;
};

}  // namespace quorvex::test
