// The seam between the command library's channels and whatever carries frames
// to a target: in-process (virtual time) or a socket (real time). One
// transport serves the whole process connection; exchanges are told apart by
// their id, so a late report of an abandoned exchange never reaches another.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "cmdlib/LinkCodes.h"
#include "cmdlib/Protocol.h"
#include "cmdlib/TargetAgent.h"

namespace quorvex::link {

// Decides, report by report, whether a wait is over. It sees each report in
// the transport's own buffer and copies what it keeps before returning.
class ReportSink {
  public:
    // True takes the report and ends the wait; false skips it.
    virtual bool Take(const ReportView& report) = 0;

  protected:
    ~ReportSink() = default;
};

// Takes the first report offered, whatever it is, into a whole record.
class ReportCopier final : public ReportSink {
  public:
    explicit ReportCopier(ReportFrame* report) : report_(report) {}
    bool Take(const ReportView& view) override {
        report_->side = view.side;
        report_->service.assign(view.service);
        report_->module.assign(view.module);
        report_->name.assign(view.name);
        report_->data.assign(view.data, view.data + view.size);
        report_->delay_ms = 0;
        return true;
    }

  private:
    ReportFrame* report_;
};

// Thread-safe: several channels may send and wait at the same time.
class Transport {
  public:
    virtual ~Transport() = default;

    // What the target announced when the connection was opened.
    virtual const Welcome& welcome() const = 0;
    // True until the connection is closed or lost.
    virtual bool IsUp() const = 0;

    // Sends one command. `exchange_id` is never 0; a posted command
    // (wants_reply false) gets an id too but is never waited for.
    // Returns 0 or a UE_LINK_* code.
    virtual int Send(std::uint32_t exchange_id, const CommandFrame& command) = 0;
    // Waits up to `timeout_ms` for the next report of `exchange_id`.
    // Returns 0 and fills `report`, or UE_LINK_TIMEOUT / UE_LINK_DOWN / UE_LINK_PROTOCOL.
    // On an in-process transport the wait runs on virtual time.
    virtual int Receive(std::uint32_t exchange_id, std::uint32_t timeout_ms,
                        ReportFrame* report) = 0;
    // Send and Receive for callers that keep commands and replies in buffers
    // of their own: the command is framed from `command`'s bytes, and each
    // report of the exchange is offered to `sink` until it takes one or
    // `timeout_ms` has passed in all. Same codes as Send and Receive. A
    // transport that can overrides them so that a packet's bytes are copied
    // once at most on their way between the socket and the caller's buffer.
    virtual int SendFrom(std::uint32_t exchange_id, const CommandView& command) {
        CommandFrame frame;
        CopyInto(command, &frame);
        return Send(exchange_id, frame);
    }
    virtual int ReceiveInto(std::uint32_t exchange_id, std::uint32_t timeout_ms, ReportSink& sink) {
        const std::uint64_t deadline = NowMs() + timeout_ms;
        ReportFrame report;
        for (;;) {
            const std::uint64_t now = NowMs();
            const auto remaining = static_cast<std::uint32_t>(deadline > now ? deadline - now : 0);
            const int result = Receive(exchange_id, remaining, &report);
            if (result != UE_LINK_OK) return result;
            if (sink.Take(ViewOf(report))) return UE_LINK_OK;
        }
    }
    // The exchange is over: reports still queued or still to come for it are dropped.
    virtual void Forget(std::uint32_t exchange_id) = 0;
    // Closes the connection; waiters wake with UE_LINK_DOWN.
    virtual void Close() = 0;
    // The clock waits run on, in milliseconds from an arbitrary start: virtual
    // time in-process, the steady clock on sockets. A caller that waits in
    // several Receive calls uses it to keep one deadline over all of them.
    virtual std::uint64_t NowMs() const {
        return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                              std::chrono::steady_clock::now().time_since_epoch())
                                              .count());
    }
};

// Wraps another transport and forwards every call; fault-injecting and
// watching transports derive from it and override only what they change.
// Send and Receive go through SendFrom and ReceiveInto, which the links use,
// so overriding those two sees every command and every report.
class TransportWrapper : public Transport {
  public:
    explicit TransportWrapper(std::shared_ptr<Transport> target) : target_(std::move(target)) {}
    const Welcome& welcome() const override { return target_->welcome(); }
    bool IsUp() const override { return target_->IsUp(); }
    int Send(std::uint32_t id, const CommandFrame& c) override { return SendFrom(id, ViewOf(c)); }
    int Receive(std::uint32_t id, std::uint32_t t, ReportFrame* r) override {
        ReportCopier copier(r);
        return ReceiveInto(id, t, copier);
    }
    int SendFrom(std::uint32_t id, const CommandView& c) override {
        return target_->SendFrom(id, c);
    }
    int ReceiveInto(std::uint32_t id, std::uint32_t t, ReportSink& s) override {
        return target_->ReceiveInto(id, t, s);
    }
    void Forget(std::uint32_t id) override { target_->Forget(id); }
    void Close() override { target_->Close(); }
    std::uint64_t NowMs() const override { return target_->NowMs(); }

  protected:
    std::shared_ptr<Transport> target_;
};

}  // namespace quorvex::link
