// Client transport over a connected stream socket: the handshake, and waits
// in which the waiting thread reads the socket itself and files reports that
// belong to other exchanges for their own waiters.
#include "cmdlib/SocketTransport.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <vector>

#include "Endpoint.h"
#include "Socket.h"
#include "cmdlib/LinkCodes.h"
#include "cmdlib/Protocol.h"

namespace quorvex::link {
namespace {

using Clock = std::chrono::steady_clock;

// Room asked of the decoder per read: a whole data packet of the largest
// size in one system call.
constexpr std::size_t kReadChunk = 64 * 1024;
// No exchange the module runs waits for anywhere near this many reports
// without taking them; a target that sends more is flooding the host.
constexpr std::size_t kMaxQueuedReports = 65536;

// Thread-safe. One waiter at a time holds the read role: it receives from
// the socket until its own report, its deadline or the end of the link, and
// files the reports of other exchanges in their queues as it goes. The others
// wait on the condition variable and take the role over when it is free. So a
// report reaches its waiter without a thread switch in the common case of one
// exchange at a time, and no frame is read while nobody waits.
class SocketTransport final : public Transport {
  public:
    SocketTransport(UniqueFd fd, Welcome welcome, FrameDecoder decoder)
        : fd_(std::move(fd)), welcome_(std::move(welcome)), decoder_(std::move(decoder)) {}

    ~SocketTransport() override { GoDown(UE_LINK_DOWN); }

    const Welcome& welcome() const override { return welcome_; }

    bool IsUp() const override {
        std::lock_guard<std::mutex> lock(mutex_);
        return up_;
    }

    int Send(std::uint32_t exchange_id, const CommandFrame& command) override {
        return SendFrom(exchange_id, ViewOf(command));
    }

    int SendFrom(std::uint32_t exchange_id, const CommandView& command) override {
        std::lock_guard<std::mutex> write_lock(write_mutex_);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (!up_) return UE_LINK_DOWN;
            // Registered before the frame leaves, so an answer that comes back
            // at once finds its exchange.
            if (command.wants_reply) Register(exchange_id);
        }
        std::uint32_t crc = 0;
        if (!EncodeCommandHead(exchange_id, command, &write_buffer_, &crc)) {
            // The command cannot be said on this link; nothing was sent, so the
            // exchange stays harmless and will time out.
            return UE_LINK_OK;
        }
        // The data goes out from the caller's buffer, uncopied.
        std::uint8_t trailer[kFrameCrcSize];
        for (std::size_t i = 0; i < kFrameCrcSize; ++i) {
            trailer[i] = static_cast<std::uint8_t>(crc >> (8 * i));
        }
        iovec pieces[3] = {{write_buffer_.data(), write_buffer_.size()},
                           {const_cast<std::uint8_t*>(command.data), command.size},
                           {trailer, kFrameCrcSize}};
        if (!SendAllv(fd_.get(), pieces, 3)) {
            GoDown(UE_LINK_DOWN);
            return UE_LINK_DOWN;
        }
        return UE_LINK_OK;
    }

    int Receive(std::uint32_t exchange_id, std::uint32_t timeout_ms, ReportFrame* report) override {
        ReportCopier sink(report);
        return ReceiveInto(exchange_id, timeout_ms, sink);
    }

    int ReceiveInto(std::uint32_t exchange_id, std::uint32_t timeout_ms,
                    ReportSink& sink) override {
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            // Reports that arrived whole before the link went down are still
            // handed out: the target did send them.
            if (TakeQueued(exchange_id, sink)) return UE_LINK_OK;
            if (!up_) return DownCode(exchange_id);
            if (!reading_) {
                reading_ = true;
                lock.unlock();
                const ReadOutcome outcome = ReadFor(exchange_id, deadline, sink);
                lock.lock();
                reading_ = false;
                // Whoever waits next may read now, or find what was filed for it.
                changed_.notify_all();
                if (outcome == ReadOutcome::kTaken) return UE_LINK_OK;
                if (outcome == ReadOutcome::kDeadline) return UE_LINK_TIMEOUT;
                continue;  // the link is down: queued reports first, then the code
            }
            if (changed_.wait_until(lock, deadline) == std::cv_status::timeout) {
                if (TakeQueued(exchange_id, sink)) return UE_LINK_OK;
                if (!up_) continue;
                return UE_LINK_TIMEOUT;
            }
        }
    }

    void Forget(std::uint32_t exchange_id) override {
        std::lock_guard<std::mutex> lock(mutex_);
        Exchange* exchange = Find(exchange_id);
        if (exchange == nullptr) return;
        exchange->id = 0;
        exchange->broken = false;
        exchange->queued.clear();
    }

    void Close() override { GoDown(UE_LINK_DOWN); }

  private:
    // One running exchange. Slots are reused, so starting an exchange costs
    // no allocation once as many have run side by side as ever will.
    struct Exchange {
        std::uint32_t id = 0;  // 0: free slot
        // A protocol error broke the link while this exchange ran.
        bool broken = false;
        // Reports read by another exchange's waiter, not yet taken.
        std::deque<ReportFrame> queued;
    };

    enum class ReadOutcome { kTaken, kDeadline, kDown };

    // Offers the reports filed for the exchange, oldest first, dropping those
    // the sink turns down. Under mutex_.
    bool TakeQueued(std::uint32_t exchange_id, ReportSink& sink) {
        Exchange* exchange = Find(exchange_id);
        while (exchange != nullptr && !exchange->queued.empty()) {
            const bool taken = sink.Take(ViewOf(exchange->queued.front()));
            exchange->queued.pop_front();
            if (taken) return true;
        }
        return false;
    }

    Exchange* Find(std::uint32_t exchange_id) {
        if (exchange_id == 0) return nullptr;
        for (Exchange& exchange : exchanges_) {
            if (exchange.id == exchange_id) return &exchange;
        }
        return nullptr;
    }

    void Register(std::uint32_t exchange_id) {
        if (Find(exchange_id) != nullptr) return;
        for (Exchange& exchange : exchanges_) {
            if (exchange.id == 0) {
                exchange.id = exchange_id;
                return;
            }
        }
        exchanges_.emplace_back();
        exchanges_.back().id = exchange_id;
    }

    // Marks the link down once, wakes every waiter and unblocks the reader.
    // The descriptor itself is closed only when the transport is destroyed,
    // so no other thread can ever write to a reused number.
    void GoDown(int code) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!up_) return;
        up_ = false;
        if (code == UE_LINK_PROTOCOL) {
            for (Exchange& exchange : exchanges_) exchange.broken = exchange.id != 0;
        }
        sys::ShutdownBoth(fd_.get());
        changed_.notify_all();
    }

    // A protocol error is told once to each exchange that was running when it
    // happened, after the reports it had already received, whether its caller
    // was waiting at that moment or still about to; everything after that
    // sees a link that is simply down.
    int DownCode(std::uint32_t exchange_id) {
        Exchange* exchange = Find(exchange_id);
        if (exchange == nullptr || !exchange->broken) return UE_LINK_DOWN;
        exchange->broken = false;
        return UE_LINK_PROTOCOL;
    }

    // Holder of the read role only. Handles buffered frames, then receives,
    // until `sink` takes a report of `exchange_id`, the deadline passes or
    // the link is down. Frames already buffered are handled even after the
    // deadline, so an answer that did arrive in time is never missed.
    ReadOutcome ReadFor(std::uint32_t exchange_id, Clock::time_point deadline, ReportSink& sink) {
        for (;;) {
            FrameView frame;
            switch (decoder_.Next(&frame)) {
                case FrameDecoder::Status::kFrame: {
                    const ReadOutcome outcome = HandleFrame(frame, exchange_id, sink);
                    if (outcome != ReadOutcome::kDeadline) return outcome;
                    continue;
                }
                case FrameDecoder::Status::kError:
                    GoDown(UE_LINK_PROTOCOL);
                    return ReadOutcome::kDown;
                case FrameDecoder::Status::kNeedMore:
                    break;
            }
            const auto left =
                std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now());
            if (left.count() <= 0) return ReadOutcome::kDeadline;
            SetReceiveTimeout(left);
            const long got = sys::Receive(fd_.get(), decoder_.Prepare(kReadChunk), kReadChunk);
            if (got > 0) {
                decoder_.Commit(static_cast<std::size_t>(got));
            } else if (got < 0 &&
                       (sys::Interrupted(sys::LastError()) || sys::WouldBlock(sys::LastError()))) {
                continue;  // the deadline is checked again above
            } else {
                GoDown(UE_LINK_DOWN);
                return ReadOutcome::kDown;
            }
        }
    }

    // Bounds the next blocking receive. The socket option is set again only
    // when the remaining time changed by a millisecond or more, which for the
    // first read of an exchange it rarely has: one system call saved per packet.
    void SetReceiveTimeout(std::chrono::microseconds left) {
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(left).count();
        if (ms == receive_timeout_ms_) return;
        // A zero time-out means "no limit", so less than a millisecond left waits 1 ms at most.
        const auto us = ms > 0 ? ms * 1000 : std::max<long long>(left.count(), 1);
        sys::SetReceiveTimeout(fd_.get(), us);
        receive_timeout_ms_ = ms > 0 ? ms : -1;
    }

    // kTaken when the sink took the frame as the answer to `exchange_id`,
    // kDown when the frame broke the link, kDeadline (read on) otherwise.
    ReadOutcome HandleFrame(const FrameView& frame, std::uint32_t exchange_id, ReportSink& sink) {
        switch (static_cast<FrameType>(frame.type)) {
            case FrameType::kReport:
                return RouteReport(frame, exchange_id, sink);
            case FrameType::kPing: {
                std::lock_guard<std::mutex> write_lock(write_mutex_);
                EncodeEmptyFrame(FrameType::kPong, frame.exchange_id, &pong_buffer_);
                if (!SendAll(fd_.get(), pong_buffer_.data(), pong_buffer_.size())) {
                    GoDown(UE_LINK_DOWN);
                    return ReadOutcome::kDown;
                }
                return ReadOutcome::kDeadline;
            }
            default:
                // PONG, a repeated WELCOME, or a type of a later protocol
                // version: nothing for the host to do.
                return ReadOutcome::kDeadline;
        }
    }

    ReadOutcome RouteReport(const FrameView& frame, std::uint32_t exchange_id, ReportSink& sink) {
        // Checked whoever it is for: a malformed report is a broken link.
        ReportView view;
        if (!DecodeReportView(frame.payload, frame.payload_size, &view)) {
            GoDown(UE_LINK_PROTOCOL);
            return ReadOutcome::kDown;
        }
        std::unique_lock<std::mutex> lock(mutex_);
        // Id 0 is unsolicited; an id without an exchange belongs to one that
        // was forgotten or posted, and must not reach the next one.
        Exchange* exchange = Find(frame.exchange_id);
        if (exchange == nullptr) return ReadOutcome::kDeadline;
        if (frame.exchange_id == exchange_id) {
            // The waiter's own answer goes from the receive buffer straight
            // to the sink; one it declines is skipped.
            lock.unlock();
            return sink.Take(view) ? ReadOutcome::kTaken : ReadOutcome::kDeadline;
        }
        if (exchange->queued.size() >= kMaxQueuedReports) {
            lock.unlock();
            GoDown(UE_LINK_PROTOCOL);
            return ReadOutcome::kDown;
        }
        ReportFrame& queued = exchange->queued.emplace_back();
        queued.side = view.side;
        queued.service.assign(view.service);
        queued.module.assign(view.module);
        queued.name.assign(view.name);
        queued.data.assign(view.data, view.data + view.size);
        changed_.notify_all();
        return ReadOutcome::kDeadline;
    }

    UniqueFd fd_;
    const Welcome welcome_;

    // Owned by the holder of the read role.
    FrameDecoder decoder_;
    long long receive_timeout_ms_ = 0;  // SO_RCVTIMEO in force; 0: none yet

    // Serialises whole frames on the socket; owns the buffers they are built in.
    std::mutex write_mutex_;
    std::vector<std::uint8_t> write_buffer_;
    std::vector<std::uint8_t> pong_buffer_;

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool up_ = true;
    bool reading_ = false;
    std::vector<Exchange> exchanges_;
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
        *error = ErrnoMessage(name + ": send HELLO", sys::LastError());
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
                    *error = ErrnoMessage(name + ": send PONG", sys::LastError());
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
        const long got = sys::Receive(fd, chunk.data(), chunk.size());
        if (got < 0 && sys::Interrupted(sys::LastError())) continue;
        if (got < 0) {
            *error = ErrnoMessage(name + ": receive WELCOME", sys::LastError());
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
