// What a target looks like from the host's side of the link, independent of
// the transport: it introduces itself (welcome) and answers each command with
// zero or more reports. The simulated target implements it; the in-process
// transports call it directly and the socket server calls it per frame.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quorvex::link {

struct CommandFrame {
    std::int32_t side = 0;
    bool wants_reply = true;  // false for a posted command
    std::string service;
    std::string module;
    std::string name;
    std::vector<std::uint8_t> data;
};

// A command where it already lies: in its sender's buffers, so that it can be
// framed without first being copied into a CommandFrame, or in a receive
// buffer, so that an agent can answer it in place. The pointed-to bytes must
// outlive the call it is handed to, and only that call.
struct CommandView {
    std::int32_t side = 0;
    bool wants_reply = true;
    std::string_view service;
    std::string_view module;
    std::string_view name;
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
};

inline CommandView ViewOf(const CommandFrame& command) {
    return {command.side, command.wants_reply, command.service,    command.module,
            command.name, command.data.data(), command.data.size()};
}

// Copies a viewed command into `frame`, whose buffers are reused.
inline void CopyInto(const CommandView& view, CommandFrame* frame) {
    frame->side = view.side;
    frame->wants_reply = view.wants_reply;
    frame->service.assign(view.service);
    frame->module.assign(view.module);
    frame->name.assign(view.name);
    frame->data.assign(view.data, view.data + view.size);
}

struct ReportFrame {
    std::int32_t side = 0;
    std::string service;
    std::string module;
    std::string name;
    std::vector<std::uint8_t> data;
    // Time the target takes before this report leaves it, counted from the
    // previous report (virtual time in-process, real time on sockets).
    std::uint32_t delay_ms = 0;
    // In-process fault injection: instead of delivering this report, the
    // connection breaks (kBreak: waiters get UE_LINK_DOWN) or a frame arrives
    // that the host cannot decode (kMalformed: the waiter gets UE_LINK_PROTOCOL),
    // both at this report's due time, and the connection is closed. The other
    // fields are then ignored. Socket servers may map it to a dropped socket
    // or a corrupted frame.
    enum class Fault : std::uint8_t { kNone, kBreak, kMalformed };
    Fault fault = Fault::kNone;

    std::string FullName() const { return service + "__" + module + "__" + name; }
};

struct CoreAnnouncement {
    std::int32_t os_type = 0;           // 0 none, 1 RTOS, 2 Windows, 3 Linux
    std::vector<std::string> commands;  // full names of the core's command database
};

struct Welcome {
    std::uint16_t version = 1;
    CoreAnnouncement cp;
    CoreAnnouncement ap;
};

// Thread-compatible: one caller at a time. A server with several connections
// serialises calls into the shared agent.
class TargetAgent {
  public:
    virtual ~TargetAgent() = default;
    virtual Welcome Hello(const std::string& client_name) = 0;
    // Answers one command; appends its reports, in the order they are sent.
    // The view is valid only during the call: whatever an agent keeps of the
    // command it copies.
    virtual void Handle(const CommandView& command, std::vector<ReportFrame>& reports) = 0;
    // Takes back reports once they are sent, so that the agent may keep their
    // buffers for later answers; leaves `sent` empty. The default drops them.
    virtual void Recycle(std::vector<ReportFrame>& sent) { sent.clear(); }
};

}  // namespace quorvex::link
