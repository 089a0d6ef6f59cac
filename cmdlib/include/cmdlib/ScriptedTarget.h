// A target for tests: announces a configurable welcome, records every command
// it is sent, and answers from a script of rules. Connect it as the process
// connection with ConnectScripted, or hand it to OfferScriptedTarget and
// Connect("test:").
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "cmdlib/ExchangeObserver.h"
#include "cmdlib/InProcessTransport.h"
#include "cmdlib/TargetAgent.h"

namespace quorvex::link {

// One command as the target received it.
struct RecordedCommand {
    std::uint32_t exchange_id = 0;  // 0 when not sent through an in-process transport
    std::int32_t side = 0;
    std::string service;
    std::string module;
    std::string name;
    std::vector<std::uint8_t> data;
    bool posted = false;                      // sent with no reply wanted
    std::optional<std::uint32_t> timeout_ms;  // the host's whole wait; empty when it never waited
    std::uint64_t sent_at_ms = 0;             // virtual time of sending

    std::string FullName() const { return service + "__" + module + "__" + name; }
};

// Thread-safe. Script it before the exchanges it answers run.
//
// Matching: a rule's pattern is a command's short name ("Fopen"), a full name
// ("FDI__Transport__Fopen") or "*" for any command, optionally narrowed to a
// side. Each command is answered by the first matching one-shot rule that has
// not been used yet, else by the first matching sticky rule, else by nothing
// (the host's wait then times out).
class ScriptedTarget : public TargetAgent, public ExchangeObserver {
  public:
    using Responder = std::function<void(const CommandFrame&, std::vector<ReportFrame>&)>;

    class Rule {
      public:
        // Only commands sent to this side match.
        Rule& OnSide(std::int32_t side);
        // Answers every matching command instead of the first one only.
        Rule& Sticky();
        // Adds a report; `delay_ms` counts from the previous report (or the send).
        Rule& Reply(const std::string& service, const std::string& module, const std::string& name,
                    std::vector<std::uint8_t> payload = {}, std::uint32_t delay_ms = 0);
        // The same with the report's full name "service__module__name".
        Rule& Reply(const std::string& full_name, std::vector<std::uint8_t> payload = {},
                    std::uint32_t delay_ms = 0);
        // The connection breaks, or a malformed frame arrives, `delay_ms` after the previous
        // report.
        Rule& Break(std::uint32_t delay_ms = 0);
        Rule& Malformed(std::uint32_t delay_ms = 0);
        // Computes further reports from the command, after the fixed ones.
        Rule& Respond(Responder responder);

      private:
        friend class ScriptedTarget;
        bool Matches(const CommandFrame& command) const;

        std::string pattern_;
        std::optional<std::int32_t> side_;
        bool sticky_ = false;
        bool used_ = false;
        std::vector<ReportFrame> reports_;
        Responder responder_;
    };

    ScriptedTarget();

    // Welcome: version 1, no OS and empty command databases until set.
    // Side 0 is the communication core, 1 the application core.
    void SetOsType(std::int32_t side, std::int32_t os_type);
    void AddCommands(std::int32_t side, const std::vector<std::string>& full_names);
    void SetWelcome(const Welcome& welcome);

    // Adds a rule; the reference stays valid for the target's lifetime.
    Rule& On(const std::string& pattern);
    // One-shot rules not used yet.
    std::size_t UnusedRules() const;

    std::vector<RecordedCommand> Commands() const;
    std::vector<RecordedCommand> CommandsNamed(const std::string& name) const;
    std::string last_client_name() const;

    Welcome Hello(const std::string& client_name) override;
    // Copies the command into a whole record for the rules and responders.
    void Handle(const CommandView& command, std::vector<ReportFrame>& reports) override;
    void OnSend(std::uint32_t exchange_id, std::uint64_t now_ms) override;
    void OnWait(std::uint32_t exchange_id, std::uint32_t timeout_ms) override;

  private:
    // The announcement of side 0 or 1, or nullptr for any other side.
    CoreAnnouncement* Core(std::int32_t side);
    Rule* FindRule(const CommandFrame& command);

    mutable std::mutex mutex_;
    Welcome welcome_;
    std::string client_name_;
    std::deque<Rule> rules_;  // a deque keeps references to rules valid as it grows
    std::vector<RecordedCommand> commands_;
    std::uint32_t pending_id_ = 0;
    std::uint64_t pending_time_ms_ = 0;
};

// Makes `target` the process connection through a new in-process transport
// (which reports sends and waits to the target) and returns that transport,
// whose clock() the test may read or advance.
std::shared_ptr<InProcessTransport> ConnectScripted(std::shared_ptr<ScriptedTarget> target);

// Registers the "test" scheme and makes the next Connect("test:") connect to
// `target` the way ConnectScripted does. The offer stays until replaced.
void OfferScriptedTarget(std::shared_ptr<ScriptedTarget> target);
// The transport of the last Connect("test:"), or nullptr.
std::shared_ptr<InProcessTransport> OfferedTransport();

}  // namespace quorvex::link
