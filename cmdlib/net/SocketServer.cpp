// The socket server: the listener, the accept loop, bounded connection
// threads, refusals a client can read, and an orderly stop that a signal
// handler can trigger.
#include "cmdlib/SocketServer.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <list>
#include <mutex>
#include <thread>

#include "Endpoint.h"
#include "ServerConnection.h"
#include "Socket.h"
#include "cmdlib/Protocol.h"

namespace quorvex::link {
namespace {

using Clock = std::chrono::steady_clock;

// A refused client is told why once its HELLO is in (or after this long), so
// that closing does not reset a connection with unread bytes and lose the frame.
constexpr std::chrono::milliseconds kRefusalWait(1000);
// Refusals waiting at once; beyond this, clients are closed without a word.
constexpr std::size_t kMaxRefusals = 64;

}  // namespace

class SocketServer::Impl {
  public:
    Impl(std::shared_ptr<TargetAgent> agent, ServerOptions options)
        : max_connections_(options.max_connections), shared_(std::move(agent), options) {}

    bool Start(const std::string& endpoint_text, std::string* error) {
        std::lock_guard<std::mutex> stop_lock(stop_mutex_);
        if (stopped_ || listener_.valid()) {
            *error = endpoint_text + ": server already started";
            return false;
        }
        Endpoint endpoint;
        if (!ParseEndpoint(endpoint_text, &endpoint, error)) return false;
        UniqueFd listener = ListenOn(endpoint, error);
        if (!listener.valid()) return false;
        // Non-blocking, so a client that gives up between poll and accept
        // cannot leave the accept loop stuck where Stop cannot reach it.
        int wake_fds[2];
        if (!sys::SetBlocking(listener.get(), false) ||
            !sys::MakeWakePair(&wake_fds[0], &wake_fds[1])) {
            *error = ErrnoMessage(endpoint_text + ": listen", sys::LastError());
            if (endpoint.kind == Endpoint::Kind::kUnix) sys::RemoveSocketFile(endpoint.path);
            return false;
        }
        wake_read_.Reset(wake_fds[0]);
        wake_write_.store(wake_fds[1]);
        {
            std::lock_guard<std::mutex> lock(address_mutex_);
            bound_ = BoundEndpoint(listener.get(), endpoint);
            address_ = FormatEndpoint(bound_);
        }
        listener_ = std::move(listener);
        accept_thread_ = std::thread([this] { AcceptLoop(); });
        return true;
    }

    std::string address() const {
        std::lock_guard<std::mutex> lock(address_mutex_);
        return address_;
    }

    void SetFaults(const FrameFaults& faults) { shared_.SetFaults(faults); }

    std::size_t connection_count() const {
        std::lock_guard<std::mutex> lock(connections_mutex_);
        std::size_t count = 0;
        for (const Entry& entry : connections_) count += entry.connection->done() ? 0 : 1;
        return count;
    }

    // Only atomics and write(2): safe inside a signal handler.
    void RequestStop() {
        stop_requested_.store(true);
        const int fd = wake_write_.load();
        if (fd >= 0) sys::Wake(fd);
    }

    void Wait() {
        std::lock_guard<std::mutex> lock(stop_mutex_);
        if (accept_thread_.joinable()) accept_thread_.join();
        if (stopped_) return;
        stopped_ = true;
        shared_.BeginStopping();
        {
            std::lock_guard<std::mutex> connections_lock(connections_mutex_);
            for (Entry& entry : connections_) entry.connection->Interrupt();
            for (Entry& entry : connections_) entry.thread.join();
            connections_.clear();
        }
        listener_.Reset();
        if (bound_.kind == Endpoint::Kind::kUnix && !address_.empty()) {
            sys::RemoveSocketFile(bound_.path);
        }
        const int fd = wake_write_.exchange(-1);
        if (fd >= 0) sys::CloseSocket(fd);
        wake_read_.Reset();
    }

  private:
    struct Entry {
        std::unique_ptr<ServerConnection> connection;
        std::thread thread;
    };

    struct Refusal {
        UniqueFd fd;
        std::string reason;
        Clock::time_point deadline;
    };

    void AcceptLoop() {
        std::vector<pollfd> waiting;
        for (;;) {
            waiting.assign({sys::PollEntry(listener_.get(), POLLIN),
                            sys::PollEntry(wake_read_.get(), POLLIN)});
            int timeout = -1;
            const Clock::time_point now = Clock::now();
            for (const Refusal& r : refusals_) {
                waiting.push_back(sys::PollEntry(r.fd.get(), POLLIN));
                const auto left =
                    std::chrono::duration_cast<std::chrono::milliseconds>(r.deadline - now).count();
                timeout = static_cast<int>(std::max<long long>(
                    0, timeout < 0 ? left : std::min<long long>(timeout, left)));
            }
            if (sys::Poll(waiting.data(), waiting.size(), timeout) < 0 &&
                !sys::Interrupted(sys::LastError())) {
                break;
            }
            if (stop_requested_.load() || (waiting[1].revents & POLLIN)) break;
            FinishRefusals(waiting);
            if (!(waiting[0].revents & POLLIN)) continue;
            UniqueFd fd(sys::AcceptSocket(listener_.get()));
            if (!fd.valid()) {
                const int err = sys::LastError();
                if (sys::OutOfResources(err)) {
                    // Out of descriptors: the pending client stays queued, and
                    // polling again at once would only spin.
                    shared_.Log(ErrnoMessage(address() + ": accept", err));
                    std::this_thread::sleep_for(std::chrono::milliseconds(50));
                }
                continue;
            }
            Admit(std::move(fd));
        }
        refusals_.clear();
    }

    void Admit(UniqueFd fd) {
        std::lock_guard<std::mutex> lock(connections_mutex_);
        Reap();
        const std::string peer = address() + " #" + std::to_string(++accepted_);
        if (connections_.size() >= max_connections_) {
            const std::string reason =
                "target busy: " + std::to_string(connections_.size()) + " connections in use";
            shared_.Log(peer + ": " + reason + ", connection refused");
            if (refusals_.size() < kMaxRefusals) {
                refusals_.push_back({std::move(fd), reason, Clock::now() + kRefusalWait});
            }
            return;
        }
        if (bound_.kind == Endpoint::Kind::kTcp) {
            const int one = 1;
            setsockopt(fd.get(), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one),
                       sizeof(one));
        }
        connections_.push_back(
            Entry{std::make_unique<ServerConnection>(std::move(fd), peer, &shared_), {}});
        ServerConnection* connection = connections_.back().connection.get();
        connections_.back().thread = std::thread([connection] { connection->Serve(); });
    }

    // Sends REFUSED to each refused client whose HELLO came or whose wait is
    // over, then closes it. `waiting` holds the refusals' poll results from
    // index 2 on, in order.
    void FinishRefusals(const std::vector<pollfd>& waiting) {
        const Clock::time_point now = Clock::now();
        std::size_t index = 2;
        for (auto it = refusals_.begin(); it != refusals_.end(); ++index) {
            if (waiting[index].revents == 0 && now < it->deadline) {
                ++it;
                continue;
            }
            std::uint8_t drain[4096];
            while (sys::ReceiveNow(it->fd.get(), drain, sizeof drain) > 0) {
            }
            std::vector<std::uint8_t> frame;
            if (EncodeRefused(0, it->reason, &frame)) {
                [[maybe_unused]] const long sent =
                    sys::SendNow(it->fd.get(), frame.data(), frame.size());
            }
            it = refusals_.erase(it);
        }
    }

    // Joins connections whose clients have left; called with connections_mutex_ held.
    void Reap() {
        for (auto it = connections_.begin(); it != connections_.end();) {
            if (it->connection->done()) {
                it->thread.join();
                it = connections_.erase(it);
            } else {
                ++it;
            }
        }
    }

    const std::size_t max_connections_;
    ServerShared shared_;

    UniqueFd listener_;
    UniqueFd wake_read_;
    std::atomic<int> wake_write_{-1};
    std::atomic<bool> stop_requested_{false};
    std::thread accept_thread_;
    std::uint64_t accepted_ = 0;   // accept thread only
    std::list<Refusal> refusals_;  // accept thread only

    mutable std::mutex address_mutex_;
    Endpoint bound_;
    std::string address_;

    mutable std::mutex connections_mutex_;
    std::list<Entry> connections_;

    std::mutex stop_mutex_;
    bool stopped_ = false;
};

SocketServer::SocketServer(std::shared_ptr<TargetAgent> agent, ServerOptions options)
    : impl_(std::make_unique<Impl>(std::move(agent), std::move(options))) {}

SocketServer::~SocketServer() {
    Stop();
}

bool SocketServer::Start(const std::string& endpoint, std::string* error) {
    return impl_->Start(endpoint, error);
}

std::string SocketServer::address() const {
    return impl_->address();
}

void SocketServer::SetFaults(const FrameFaults& faults) {
    impl_->SetFaults(faults);
}

std::size_t SocketServer::connection_count() const {
    return impl_->connection_count();
}

void SocketServer::RequestStop() {
    impl_->RequestStop();
}

void SocketServer::Wait() {
    impl_->Wait();
}

void SocketServer::Stop() {
    impl_->RequestStop();
    impl_->Wait();
}

}  // namespace quorvex::link
