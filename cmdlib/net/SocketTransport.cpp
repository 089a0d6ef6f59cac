// Client transport over a connected stream socket: the handshake, a reader
// thread that routes reports to their exchanges, and real-time waits.
#include "cmdlib/SocketTransport.h"

#include <sys/socket.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <unordered_set>

#include "Endpoint.h"
#include "Socket.h"
#include "cmdlib/LinkCodes.h"
#include "cmdlib/Protocol.h"

namespace quorvex::link {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kReadChunk = 64 * 1024;
// No exchange the module runs waits for anywhere near this many reports
// without taking them; a target that sends more is flooding the host.
constexpr std::size_t kMaxQueuedReports = 65536;

class SocketTransport final : public Transport {
  public:
    SocketTransport(UniqueFd fd, Welcome welcome, FrameDecoder decoder)
        : fd_(std::move(fd)), welcome_(std::move(welcome)), decoder_(std::move(decoder)) {
        reader_ = std::thread([this] { ReadLoop(); });
    }

    ~SocketTransport() override {
        GoDown(UE_LINK_DOWN);
        reader_.join();
    }

    const Welcome& welcome() const override { return welcome_; }

    bool IsUp() const override {
        std::lock_guard<std::mutex> lock(mutex_);
        return up_;
    }

    int Send(std::uint32_t exchange_id, const CommandFrame& command) override {
        std::lock_guard<std::mutex> write_lock(write_mutex_);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (!up_) return UE_LINK_DOWN;
            // Registered before the frame leaves, so an answer that comes back
            // at once finds its queue.
            if (command.wants_reply) exchanges_.try_emplace(exchange_id);
        }
        if (!EncodeCommand(exchange_id, command, &write_buffer_)) {
            // The command cannot be said on this link; nothing was sent, so the
            // exchange stays harmless and will time out.
            return UE_LINK_OK;
        }
        if (!SendAll(fd_.get(), write_buffer_.data(), write_buffer_.size())) {
            GoDown(UE_LINK_DOWN);
            return UE_LINK_DOWN;
        }
        return UE_LINK_OK;
    }

    int Receive(std::uint32_t exchange_id, std::uint32_t timeout_ms, ReportFrame* report) override {
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            // Reports that arrived whole before the link went down are still
            // handed out: the target did send them.
            const auto found = exchanges_.find(exchange_id);
            if (found != exchanges_.end() && !found->second.empty()) {
                *report = std::move(found->second.front());
                found->second.pop_front();
                return UE_LINK_OK;
            }
            if (!up_) return DownCode(exchange_id);
            if (changed_.wait_until(lock, deadline) == std::cv_status::timeout) {
                const auto late = exchanges_.find(exchange_id);
                if (late != exchanges_.end() && !late->second.empty()) continue;
                return up_ ? UE_LINK_TIMEOUT : DownCode(exchange_id);
            }
        }
    }

    void Forget(std::uint32_t exchange_id) override {
        std::lock_guard<std::mutex> lock(mutex_);
        exchanges_.erase(exchange_id);
        broken_exchanges_.erase(exchange_id);
    }

    void Close() override { GoDown(UE_LINK_DOWN); }

  private:
    // Marks the link down once, wakes every waiter and unblocks the reader.
    // The descriptor itself is closed only when the transport is destroyed,
    // so no other thread can ever write to a reused number.
    void GoDown(int code) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!up_) return;
        up_ = false;
        if (code == UE_LINK_PROTOCOL) {
            for (const auto& exchange : exchanges_) broken_exchanges_.insert(exchange.first);
        }
        shutdown(fd_.get(), SHUT_RDWR);
        changed_.notify_all();
    }

    // A protocol error is told once to each exchange that was running when it
    // happened, after the reports it had already received, whether its caller
    // was waiting at that moment or still about to; everything after that
    // sees a link that is simply down.
    int DownCode(std::uint32_t exchange_id) {
        return broken_exchanges_.erase(exchange_id) > 0 ? UE_LINK_PROTOCOL : UE_LINK_DOWN;
    }

    void ReadLoop() {
        std::vector<std::uint8_t> chunk(kReadChunk);
        // Bytes that came with the WELCOME are already in the decoder.
        if (!DrainFrames()) return;
        for (;;) {
            const ssize_t got = recv(fd_.get(), chunk.data(), chunk.size(), 0);
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) {
                GoDown(UE_LINK_DOWN);
                return;
            }
            decoder_.Feed(chunk.data(), static_cast<std::size_t>(got));
            if (!DrainFrames()) return;
        }
    }

    // Handles every complete frame buffered. False once the link is down.
    bool DrainFrames() {
        FrameView frame;
        for (;;) {
            switch (decoder_.Next(&frame)) {
                case FrameDecoder::Status::kNeedMore:
                    return true;
                case FrameDecoder::Status::kError:
                    GoDown(UE_LINK_PROTOCOL);
                    return false;
                case FrameDecoder::Status::kFrame:
                    if (!HandleFrame(frame)) return false;
                    break;
            }
        }
    }

    bool HandleFrame(const FrameView& frame) {
        switch (static_cast<FrameType>(frame.type)) {
            case FrameType::kReport:
                return RouteReport(frame);
            case FrameType::kPing: {
                std::lock_guard<std::mutex> write_lock(write_mutex_);
                EncodeEmptyFrame(FrameType::kPong, frame.exchange_id, &pong_buffer_);
                if (!SendAll(fd_.get(), pong_buffer_.data(), pong_buffer_.size())) {
                    GoDown(UE_LINK_DOWN);
                    return false;
                }
                return true;
            }
            default:
                // PONG, a repeated WELCOME, or a type of a later protocol
                // version: nothing for the host to do.
                return true;
        }
    }

    bool RouteReport(const FrameView& frame) {
        ReportFrame report;
        if (!DecodeReport(frame.payload, frame.payload_size, &report)) {
            GoDown(UE_LINK_PROTOCOL);
            return false;
        }
        std::unique_lock<std::mutex> lock(mutex_);
        // Id 0 is unsolicited; an id without a queue belongs to an exchange
        // that was forgotten or posted, and must not reach the next one.
        const auto found = exchanges_.find(frame.exchange_id);
        if (frame.exchange_id == 0 || found == exchanges_.end()) return true;
        if (found->second.size() >= kMaxQueuedReports) {
            lock.unlock();
            GoDown(UE_LINK_PROTOCOL);
            return false;
        }
        found->second.push_back(std::move(report));
        changed_.notify_all();
        return true;
    }

    UniqueFd fd_;
    const Welcome welcome_;
    FrameDecoder decoder_;  // reader thread only
    std::thread reader_;

    // Serialises whole frames on the socket; owns the buffers they are built in.
    std::mutex write_mutex_;
    std::vector<std::uint8_t> write_buffer_;
    std::vector<std::uint8_t> pong_buffer_;

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool up_ = true;
    std::unordered_map<std::uint32_t, std::deque<ReportFrame>> exchanges_;
    std::unordered_set<std::uint32_t> broken_exchanges_;
};

// Sends HELLO and reads up to the WELCOME. On success *welcome is filled and
// `decoder` holds whatever arrived after it.
bool Handshake(int fd, const std::string& name, const SocketOptions& options,
               Clock::time_point deadline, Welcome* welcome, FrameDecoder* decoder,
               std::string* error) {
    std::vector<std::uint8_t> frame;
    if (!EncodeHello(0, kProtocolVersion, options.client_name, &frame)) {
        *error = name + ": client name too long";
        return false;
    }
    if (!SendAll(fd, frame.data(), frame.size())) {
        *error = ErrnoMessage(name + ": send HELLO", errno);
        return false;
    }
    std::vector<std::uint8_t> chunk(kReadChunk);
    for (;;) {
        FrameView view;
        const FrameDecoder::Status status = decoder->Next(&view);
        if (status == FrameDecoder::Status::kError) {
            *error = name + ": " + FrameErrorText(decoder->error()) + " during the handshake";
            return false;
        }
        if (status == FrameDecoder::Status::kFrame) {
            if (view.type == static_cast<std::uint8_t>(FrameType::kWelcome)) {
                if (!DecodeWelcome(view.payload, view.payload_size, welcome)) {
                    *error = name + ": malformed WELCOME";
                    return false;
                }
                if (welcome->version != kProtocolVersion) {
                    *error = name + ": target speaks protocol version " +
                             std::to_string(welcome->version);
                    return false;
                }
                return true;
            }
            if (view.type == static_cast<std::uint8_t>(FrameType::kRefused)) {
                std::string reason;
                *error = DecodeRefused(view.payload, view.payload_size, &reason)
                             ? name + ": " + reason
                             : name + ": malformed REFUSED";
                return false;
            }
            if (view.type == static_cast<std::uint8_t>(FrameType::kPing)) {
                EncodeEmptyFrame(FrameType::kPong, view.exchange_id, &frame);
                if (!SendAll(fd, frame.data(), frame.size())) {
                    *error = ErrnoMessage(name + ": send PONG", errno);
                    return false;
                }
            }
            continue;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0 || !WaitReadable(fd, static_cast<int>(left.count()))) {
            *error = name + ": no WELCOME within " + std::to_string(options.handshake_timeout_ms) +
                     " ms";
            return false;
        }
        const ssize_t got = recv(fd, chunk.data(), chunk.size(), 0);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            *error = ErrnoMessage(name + ": receive WELCOME", errno);
            return false;
        }
        if (got == 0) {
            *error = name + ": target closed the connection during the handshake";
            return false;
        }
        decoder->Feed(chunk.data(), static_cast<std::size_t>(got));
    }
}

}  // namespace

std::shared_ptr<Transport> OpenSocketTransport(const std::string& endpoint_text,
                                               const SocketOptions& options, std::string* error) {
    Endpoint endpoint;
    if (!ParseEndpoint(endpoint_text, &endpoint, error)) return nullptr;
    const auto deadline = Clock::now() + std::chrono::milliseconds(options.handshake_timeout_ms);
    UniqueFd fd = ConnectTo(endpoint, options.handshake_timeout_ms, error);
    if (!fd.valid()) return nullptr;
    Welcome welcome;
    FrameDecoder decoder;
    if (!Handshake(fd.get(), endpoint_text, options, deadline, &welcome, &decoder, error)) {
        return nullptr;
    }
    return std::make_shared<SocketTransport>(std::move(fd), std::move(welcome), std::move(decoder));
}

}  // namespace quorvex::link
