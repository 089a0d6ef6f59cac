// CCommandLink: turns message records into frames, matches reports against
// the expected list and fills the caller's reply record.
#include "cmdlib/CommandLink.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "Channel.h"
#include "cmdlib/Connection.h"

using quorvex::link::Channel;
using quorvex::link::CommandView;
using quorvex::link::ReportSink;
using quorvex::link::ReportView;

namespace {

std::string_view View(const CString& text) {
    return std::string_view(static_cast<LPCSTR>(text), static_cast<std::size_t>(text.GetLength()));
}

// Compares with "service__module__name" without building the joined text,
// since every report of a wait is checked against every expected name.
bool HasFullName(std::string_view full, const ReportView& report) {
    if (full.size() != report.service.size() + report.module.size() + report.name.size() + 4) {
        return false;
    }
    std::size_t at = 0;
    for (const std::string_view part : {report.service, report.module, report.name}) {
        if (at != 0) {
            if (full.substr(at, 2) != "__") return false;
            at += 2;
        }
        if (full.substr(at, part.size()) != part) return false;
        at += part.size();
    }
    return true;
}

bool IsExpected(const CStringList& expected, const ReportView& report) {
    for (POSITION pos = expected.GetHeadPosition(); pos != nullptr;) {
        if (HasFullName(View(expected.GetNext(pos)), report)) return true;
    }
    return false;
}

// The record's fields as they are, for the transport to frame: its data is
// sent from the caller's buffer.
CommandView ToView(const CZENTOMessage& command, bool wants_reply) {
    CommandView view;
    view.side = command.Side;
    view.wants_reply = wants_reply;
    view.service = View(command.Service);
    view.module = View(command.Module);
    view.name = View(command.Name);
    // A length without a buffer has no bytes to send; the command goes without.
    if (command.Data != nullptr) {
        view.data = command.Data;
        view.size = command.DataLength;
    }
    return view;
}

// Fills the reply record from the report that ends a wait, copying its
// payload from the transport's buffer straight into the caller's, and records
// in the mark how many bytes of the reply buffer it filled.
void FillReply(const ReportView& report, CZENTOMessage& reply, ExchangeMark* mark) {
    reply.Name = CString(report.name.data(), static_cast<int>(report.name.size()));
    std::size_t count = 0;
    if (report.size == 0) {
        reply.Data = nullptr;
    } else if (reply.Data != nullptr) {
        count = std::min<std::size_t>(report.size, reply.DataLength);
        std::memcpy(reply.Data, report.data, count);
    }
    if (mark != nullptr) mark->received = static_cast<std::uint32_t>(count);
}

// Takes the first report that `accept` approves into the reply record.
template <typename Accept>
class ReplySink final : public ReportSink {
  public:
    ReplySink(CZENTOMessage& reply, ExchangeMark* mark, Accept accept)
        : reply_(reply), mark_(mark), accept_(accept) {}
    bool Take(const ReportView& report) override {
        if (!accept_(report)) return false;
        FillReply(report, reply_, mark_);
        return true;
    }

  private:
    CZENTOMessage& reply_;
    ExchangeMark* mark_;
    Accept accept_;
};

template <typename Accept>
ReplySink<Accept> MakeReplySink(CZENTOMessage& reply, ExchangeMark* mark, Accept accept) {
    return ReplySink<Accept>(reply, mark, accept);
}

void WriteMark(ExchangeMark* mark, std::uint32_t id) {
    if (mark == nullptr) return;
    mark->id = id;
    mark->received = 0;
}

}  // namespace

CCommandLink::CCommandLink() : m_channel(std::make_unique<Channel>()) {}

CCommandLink::~CCommandLink() = default;

void CCommandLink::SetDirectionMask(CZENTOMessage::eDirection mask) {
    m_directionMask = mask;
}

void CCommandLink::SetDirection(CZENTOMessage::eDirection direction) {
    m_direction = direction;
}

void CCommandLink::ConfigureLink(int value) {
    m_configuration = value;
}

int CCommandLink::ExecuteCommand(CZENTOMessage& command, CZENTOMessage& reply,
                                 CStringList& expected, ExchangeMark* mark, DWORD timeoutMs) {
    std::uint32_t id = 0;
    int result = m_channel->Start(ToView(command, true), &id);
    WriteMark(mark, id);
    if (result != UE_LINK_OK) return result;
    auto sink = MakeReplySink(reply, mark,
                              [&expected](const ReportView& r) { return IsExpected(expected, r); });
    result = m_channel->Await(id, timeoutMs, sink);
    m_channel->Finish(id);
    return result;
}

int CCommandLink::ExecuteQuery(CZENTOMessage& command, CZENTOMessage& reply, ExchangeMark* mark,
                               DWORD timeoutMs) {
    std::uint32_t id = 0;
    int result = m_channel->Start(ToView(command, true), &id);
    WriteMark(mark, id);
    if (result != UE_LINK_OK) return result;
    // The awaited names are read before the reply record is filled, and the
    // wait ends with that filling.
    auto sink = MakeReplySink(reply, mark, [&reply](const ReportView& r) {
        return r.service == View(reply.Service) && r.module == View(reply.Module) &&
               r.name == View(reply.Name);
    });
    result = m_channel->Await(id, timeoutMs, sink);
    m_channel->Finish(id);
    return result;
}

int CCommandLink::PostCommand(CZENTOMessage& command) {
    return m_channel->Post(ToView(command, false));
}

void CCommandLink::PrepareReportStream(int /*first*/, int /*second*/) {
    m_channel->PrepareStream();
}

void CCommandLink::ReleaseReport(ExchangeMark /*mark*/) {
    // Reports are copied into the caller's buffer as they arrive, so nothing is held.
}

int CCommandLink::WaitNextReport(CZENTOMessage& reply, ExchangeMark* mark, DWORD timeoutMs,
                                 int /*flag*/) {
    if (mark != nullptr) mark->received = 0;
    auto sink = MakeReplySink(reply, mark, [](const ReportView&) { return true; });
    return m_channel->Next(mark != nullptr ? mark->id : 0, timeoutMs, sink);
}

int CCommandLink::GetTargetOsType(int side) {
    const std::shared_ptr<quorvex::link::Transport> transport = quorvex::link::CurrentTransport();
    if (transport == nullptr) return 0;
    if (side == 0) return transport->welcome().cp.os_type;
    if (side == 1) return transport->welcome().ap.os_type;
    return 0;
}
