// CCommandLink: turns message records into frames, matches reports against
// the expected list and fills the caller's reply record.
#include "cmdlib/CommandLink.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "Channel.h"
#include "cmdlib/Connection.h"

using quorvex::link::Channel;
using quorvex::link::CommandFrame;
using quorvex::link::ReportFrame;

namespace {

std::string_view View(const CString& text) {
    return std::string_view(static_cast<LPCSTR>(text), static_cast<std::size_t>(text.GetLength()));
}

// Compares with "service__module__name" without building the joined text,
// since every report of a wait is checked against every expected name.
bool HasFullName(std::string_view full, const ReportFrame& report) {
    if (full.size() != report.service.size() + report.module.size() + report.name.size() + 4) {
        return false;
    }
    std::size_t at = 0;
    for (const std::string* part : {&report.service, &report.module, &report.name}) {
        if (at != 0) {
            if (full.substr(at, 2) != "__") return false;
            at += 2;
        }
        if (full.substr(at, part->size()) != *part) return false;
        at += part->size();
    }
    return true;
}

bool IsExpected(const CStringList& expected, const ReportFrame& report) {
    for (POSITION pos = expected.GetHeadPosition(); pos != nullptr;) {
        if (HasFullName(View(expected.GetNext(pos)), report)) return true;
    }
    return false;
}

CommandFrame ToFrame(const CZENTOMessage& command, bool wants_reply) {
    CommandFrame frame;
    frame.side = command.Side;
    frame.wants_reply = wants_reply;
    frame.service.assign(View(command.Service));
    frame.module.assign(View(command.Module));
    frame.name.assign(View(command.Name));
    // A length without a buffer has no bytes to send; the command goes without.
    if (command.Data != nullptr) frame.data.assign(command.Data, command.Data + command.DataLength);
    return frame;
}

// Copies the report into the reply and records in the mark how many bytes of
// the reply buffer it filled.
void FillReply(const ReportFrame& report, CZENTOMessage& reply, ExchangeMark* mark) {
    reply.Name = report.name.c_str();
    std::size_t count = 0;
    if (report.data.empty()) {
        reply.Data = nullptr;
    } else if (reply.Data != nullptr) {
        count = std::min<std::size_t>(report.data.size(), reply.DataLength);
        std::memcpy(reply.Data, report.data.data(), count);
    }
    if (mark != nullptr) mark->received = static_cast<std::uint32_t>(count);
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
    int result = m_channel->Start(ToFrame(command, true), &id);
    WriteMark(mark, id);
    if (result != UE_LINK_OK) return result;
    ReportFrame report;
    result = m_channel->Await(
        id, timeoutMs, [&expected](const ReportFrame& r) { return IsExpected(expected, r); },
        &report);
    m_channel->Finish(id);
    if (result == UE_LINK_OK) FillReply(report, reply, mark);
    return result;
}

int CCommandLink::ExecuteQuery(CZENTOMessage& command, CZENTOMessage& reply, ExchangeMark* mark,
                               DWORD timeoutMs) {
    std::uint32_t id = 0;
    int result = m_channel->Start(ToFrame(command, true), &id);
    WriteMark(mark, id);
    if (result != UE_LINK_OK) return result;
    ReportFrame report;
    result = m_channel->Await(
        id, timeoutMs,
        [&reply](const ReportFrame& r) {
            return r.service == View(reply.Service) && r.module == View(reply.Module) &&
                   r.name == View(reply.Name);
        },
        &report);
    m_channel->Finish(id);
    if (result == UE_LINK_OK) FillReply(report, reply, mark);
    return result;
}

int CCommandLink::PostCommand(CZENTOMessage& command) {
    return m_channel->Post(ToFrame(command, false));
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
    ReportFrame report;
    const int result = m_channel->Next(mark != nullptr ? mark->id : 0, timeoutMs, &report);
    if (result == UE_LINK_OK) FillReply(report, reply, mark);
    return result;
}

int CCommandLink::GetTargetOsType(int side) {
    const std::shared_ptr<quorvex::link::Transport> transport = quorvex::link::CurrentTransport();
    if (transport == nullptr) return 0;
    if (side == 0) return transport->welcome().cp.os_type;
    if (side == 1) return transport->welcome().ap.os_type;
    return 0;
}
