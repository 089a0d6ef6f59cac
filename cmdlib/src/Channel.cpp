// Exchange numbering and the life of an exchange on one link.
#include "Channel.h"

#include <atomic>
#include <utility>

#include "cmdlib/Connection.h"

namespace quorvex::link {

namespace {

// Ids are unique in the process so that no two links' exchanges share one;
// 0 is left out because a report with id 0 is unsolicited.
std::uint32_t NextExchangeId() {
    static std::atomic<std::uint32_t> counter{0};
    std::uint32_t id;
    do {
        id = counter.fetch_add(1) + 1;
    } while (id == 0);
    return id;
}

}  // namespace

Channel::~Channel() {
    CloseStream();
}

void Channel::CloseStream() {
    if (open_stream_ != 0 && transport_ != nullptr) transport_->Forget(open_stream_);
    open_stream_ = 0;
}

void Channel::FollowConnection() {
    std::shared_ptr<Transport> current = CurrentTransport();
    if (current == transport_) return;
    CloseStream();
    transport_ = std::move(current);
}

int Channel::Start(const CommandView& command, std::uint32_t* exchange_id) {
    *exchange_id = 0;
    CloseStream();
    FollowConnection();
    if (transport_ == nullptr || !transport_->IsUp()) {
        stream_announced_ = false;
        return UE_LINK_DOWN;
    }
    const std::uint32_t id = NextExchangeId();
    const int result = transport_->SendFrom(id, command);
    if (result != UE_LINK_OK) {
        stream_announced_ = false;
        transport_->Forget(id);
        return result;
    }
    *exchange_id = id;
    return UE_LINK_OK;
}

int Channel::Post(const CommandView& command) {
    std::uint32_t id = 0;
    const int result = Start(command, &id);
    // A stream announced before a posted command has nothing to stream.
    stream_announced_ = false;
    if (id != 0) transport_->Forget(id);
    return result;
}

void Channel::Finish(std::uint32_t exchange_id) {
    if (exchange_id == 0 || transport_ == nullptr) return;
    if (std::exchange(stream_announced_, false)) {
        open_stream_ = exchange_id;
    } else {
        transport_->Forget(exchange_id);
    }
}

int Channel::Await(std::uint32_t exchange_id, std::uint32_t timeout_ms, ReportSink& sink) {
    if (transport_ == nullptr) return UE_LINK_DOWN;
    return transport_->ReceiveInto(exchange_id, timeout_ms, sink);
}

int Channel::Next(std::uint32_t exchange_id, std::uint32_t timeout_ms, ReportSink& sink) {
    if (transport_ == nullptr || !transport_->IsUp()) return UE_LINK_DOWN;
    if (exchange_id == 0 || exchange_id != open_stream_) return UE_LINK_TIMEOUT;
    return Await(exchange_id, timeout_ms, sink);
}

}  // namespace quorvex::link
