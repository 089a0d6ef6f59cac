// Serving one socket connection: the HELLO handshake, commands handed to the
// shared agent, reports written with their delays, and frame faults.
#include "ServerConnection.h"

#include <algorithm>
#include <cerrno>
#include <chrono>

namespace quorvex::link {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kReadChunk = 64 * 1024;

std::string Milliseconds(std::uint32_t ms) {
    return std::to_string(ms) + " ms";
}

}  // namespace

std::shared_ptr<TargetAgent> ServerShared::ConnectionAgent() {
    if (!options_.connection_agent) return agent_;
    std::lock_guard<std::mutex> lock(agent_mutex_);
    return options_.connection_agent(agent_);
}

Welcome ServerShared::Hello(TargetAgent& agent, const std::string& client_name) {
    std::lock_guard<std::mutex> lock(agent_mutex_);
    return agent.Hello(client_name);
}

void ServerShared::Handle(TargetAgent& agent, const CommandView& command,
                          std::vector<ReportFrame>* reports) {
    std::lock_guard<std::mutex> lock(agent_mutex_);
    agent.Recycle(*reports);
    agent.Handle(command, *reports);
}

void ServerShared::SetFaults(const FrameFaults& faults) {
    std::lock_guard<std::mutex> lock(faults_mutex_);
    faults_ = faults;
}

bool ServerShared::TakeCloseFault(std::uint32_t frames_sent) {
    std::lock_guard<std::mutex> lock(faults_mutex_);
    if (faults_.close_after_frames == 0 || faults_.close_after_frames != frames_sent) return false;
    faults_.close_after_frames = 0;
    return true;
}

bool ServerShared::TakeCorruptFault(std::uint32_t reports_sent) {
    std::lock_guard<std::mutex> lock(faults_mutex_);
    if (faults_.corrupt_report == 0 || faults_.corrupt_report != reports_sent) return false;
    faults_.corrupt_report = 0;
    return true;
}

bool ServerShared::SleepUnlessStopping(std::uint32_t ms) {
    std::unique_lock<std::mutex> lock(stop_mutex_);
    return !stop_changed_.wait_for(lock, std::chrono::milliseconds(ms),
                                   [this] { return stopping_.load(); });
}

void ServerShared::BeginStopping() {
    {
        std::lock_guard<std::mutex> lock(stop_mutex_);
        stopping_.store(true);
    }
    stop_changed_.notify_all();
}

void ServerShared::Log(const std::string& line) const {
    if (options_.log) options_.log(line);
}

void ServerConnection::Serve() {
    const ServerOptions& options = shared_->options();
    FrameDecoder decoder;
    const Clock::time_point accepted = Clock::now();
    Clock::time_point last_frame = accepted;
    Clock::time_point partial_since = accepted;
    for (;;) {
        // Which silence ends the connection, and when. The reason is put into
        // words only when it does, so waiting for a command costs no text.
        Clock::time_point deadline;
        const char* why;
        std::uint32_t limit_ms;
        if (!greeted_) {
            limit_ms = options.handshake_timeout_ms;
            deadline = accepted + std::chrono::milliseconds(limit_ms);
            why = "no HELLO within ";
        } else if (decoder.buffered() > 0) {
            limit_ms = options.frame_timeout_ms;
            deadline = partial_since + std::chrono::milliseconds(limit_ms);
            why = "frame left incomplete for ";
        } else {
            limit_ms = options.idle_timeout_ms;
            deadline = last_frame + std::chrono::milliseconds(limit_ms);
            why = "idle for ";
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            Drop(why + Milliseconds(limit_ms));
            break;
        }
        // A blocking receive bounded by the socket's time-out, set again only
        // when the bound moved by a millisecond: one system call per command
        // instead of a poll and a receive.
        SetReceiveTimeout(std::min<long long>(left, 60000));
        const long got = sys::Receive(fd_.get(), decoder.Prepare(kReadChunk), kReadChunk);
        if (got < 0 && (sys::Interrupted(sys::LastError()) || sys::WouldBlock(sys::LastError()))) {
            continue;
        }
        if (got <= 0) break;
        const bool was_partial = decoder.buffered() > 0;
        // Received straight into the decoder: no copy of a packet on its way in.
        decoder.Commit(static_cast<std::size_t>(got));
        FrameView frame;
        FrameDecoder::Status status = FrameDecoder::Status::kNeedMore;
        bool open = true;
        bool handled = false;
        while (open && (status = decoder.Next(&frame)) == FrameDecoder::Status::kFrame) {
            open = HandleFrame(frame);
            handled = true;
        }
        if (!open) break;
        if (status == FrameDecoder::Status::kError) {
            Drop(FrameErrorText(decoder.error()));
            break;
        }
        const Clock::time_point now = Clock::now();
        if (handled) last_frame = now;
        // A frame's time runs from its first byte, so trickling does not extend it.
        if (decoder.buffered() > 0 && (handled || !was_partial)) partial_since = now;
    }
    // Done before the peer can see the end of the connection, so a client
    // that reconnects at once finds its place free again.
    done_.store(true);
    sys::ShutdownBoth(fd_.get());
}

void ServerConnection::SetReceiveTimeout(long long ms) {
    if (ms == receive_timeout_ms_) return;
    sys::SetReceiveTimeout(fd_.get(), ms * 1000);
    receive_timeout_ms_ = ms;
}

void ServerConnection::Interrupt() {
    sys::ShutdownBoth(fd_.get());
}

void ServerConnection::Drop(const std::string& why) {
    shared_->Log(peer_ + ": " + why + ", connection closed");
}

bool ServerConnection::HandleFrame(const FrameView& frame) {
    switch (static_cast<FrameType>(frame.type)) {
        case FrameType::kHello: {
            std::uint16_t version = 0;
            std::string client_name;
            if (!DecodeHello(frame.payload, frame.payload_size, &version, &client_name)) {
                Drop("malformed HELLO");
                return false;
            }
            const Welcome welcome = shared_->Hello(*agent_, client_name);
            if (!EncodeWelcome(frame.exchange_id, welcome, &out_)) {
                Drop("WELCOME does not fit in a frame");
                return false;
            }
            greeted_ = true;
            return SendFrame();
        }
        case FrameType::kCommand:
            if (!greeted_) {
                Drop("COMMAND before HELLO");
                return false;
            }
            return Answer(frame);
        case FrameType::kPing:
            EncodeEmptyFrame(FrameType::kPong, frame.exchange_id, &out_);
            return SendFrame();
        default:
            // PONG, or frames only a target sends: nothing to answer.
            return true;
    }
}

bool ServerConnection::Answer(const FrameView& frame) {
    // The command stays where it was received: the agent reads it in the
    // decoder's buffer, which nothing refills before this answer is sent.
    CommandView command;
    if (!DecodeCommandView(frame.payload, frame.payload_size, &command)) {
        Drop("malformed COMMAND");
        return false;
    }
    // Kept from command to command, so its buffer is reused; the reports
    // sent last time go back to the agent first.
    std::vector<ReportFrame>& reports = reports_;
    shared_->Handle(*agent_, command, &reports);
    for (const ReportFrame& report : reports) {
        // Nobody waits for the answers of a posted command, so only the
        // faults the agent asked for among them take effect.
        const bool faulty = report.fault != ReportFrame::Fault::kNone;
        if (!command.wants_reply && !faulty) continue;
        if (report.delay_ms > 0 && !shared_->SleepUnlessStopping(report.delay_ms)) return false;
        if (report.fault == ReportFrame::Fault::kBreak) {
            Drop("agent broke the connection");
            return false;
        }
        if (report.fault == ReportFrame::Fault::kMalformed) {
            EncodeEmptyFrame(FrameType::kReport, frame.exchange_id, &out_);
            out_.back() ^= 0xFF;
            SendAll(fd_.get(), out_.data(), out_.size());
            Drop("agent asked for a malformed frame");
            return false;
        }
        // The report's data goes out from where the agent left it.
        std::uint32_t crc = 0;
        if (!EncodeReportHead(frame.exchange_id, report, &out_, &crc)) {
            Drop("report " + report.FullName() + " does not fit in a frame");
            return false;
        }
        std::uint8_t trailer[kFrameCrcSize];
        for (std::size_t i = 0; i < kFrameCrcSize; ++i) {
            trailer[i] = static_cast<std::uint8_t>(crc >> (8 * i));
        }
        if (shared_->TakeCorruptFault(++reports_sent_)) trailer[kFrameCrcSize - 1] ^= 0xFF;
        iovec pieces[3] = {{out_.data(), out_.size()},
                           {const_cast<std::uint8_t*>(report.data.data()), report.data.size()},
                           {trailer, kFrameCrcSize}};
        if (!SendAllv(fd_.get(), pieces, 3) || !CountFrameSent()) return false;
    }
    return true;
}

bool ServerConnection::SendFrame() {
    return SendAll(fd_.get(), out_.data(), out_.size()) && CountFrameSent();
}

bool ServerConnection::CountFrameSent() {
    if (shared_->TakeCloseFault(++frames_sent_)) {
        Drop("fault injected after " + std::to_string(frames_sent_) + " frames");
        return false;
    }
    return true;
}

}  // namespace quorvex::link
