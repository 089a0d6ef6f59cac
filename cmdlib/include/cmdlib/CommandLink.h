// The target command library as the module sees it: a link object per user,
// the exchange mark, and the free functions that ask about the connection.
// Every CCommandLink opens its own channel on the process-wide connection
// (see cmdlib/Connection.h) and follows it: each exchange goes to the
// connection current when it starts, and answers UE_LINK_DOWN while there is
// none. A link made before Connect, or kept across a reconnect, keeps working.
#pragma once

#include <cstdint>
#include <memory>

#include "cmdlib/LinkCodes.h"
#include "cmdlib/ZentoMessage.h"
#include "framework/collections.h"

// Identifies a running exchange so further reports of the same exchange can be
// awaited. Callers keep it next to the records; `received` tells them how many
// bytes of the reply buffer the report last handed out actually filled (0 when
// none), since the reply record itself keeps the buffer's capacity.
struct ExchangeMark {
    std::uint32_t id = 0;
    std::uint32_t received = 0;
};
static_assert(sizeof(ExchangeMark) == 8, "the mark travels as two 32-bit words");

namespace quorvex::link {
class Channel;
}

class CCommandLink {
  public:
    CCommandLink();
    virtual ~CCommandLink();
    CCommandLink(const CCommandLink&) = delete;
    CCommandLink& operator=(const CCommandLink&) = delete;

    void SetDirectionMask(CZENTOMessage::eDirection mask);
    void SetDirection(CZENTOMessage::eDirection direction);
    void ConfigureLink(int value);

    // Sends `command` and waits up to `timeoutMs` for the first report of this
    // exchange whose full name "service__module__name" is in `expected`.
    // Returns 0 with reply.Name = the report's short name and its payload copied
    // into reply.Data (at most reply.DataLength bytes, their number in
    // mark->received; a report without payload sets reply.Data to null), or a
    // UE_LINK_* code. Writes the exchange's mark.
    int ExecuteCommand(CZENTOMessage& command, CZENTOMessage& reply, CStringList& expected,
                       ExchangeMark* mark, DWORD timeoutMs);
    // As ExecuteCommand, awaiting the one report named by reply's Service, Module, Name.
    int ExecuteQuery(CZENTOMessage& command, CZENTOMessage& reply, ExchangeMark* mark,
                     DWORD timeoutMs);
    // Sends without waiting for any answer.
    int PostCommand(CZENTOMessage& command);
    // Announces that the next exchange may answer with several reports.
    void PrepareReportStream(int first, int second);
    // Lets the library drop the report last handed out for `mark`.
    void ReleaseReport(ExchangeMark mark);
    // Waits for the next report of the exchange `mark` (any name) and fills the
    // reply and mark->received as ExecuteCommand does. 0 or a UE_LINK_* code.
    int WaitNextReport(CZENTOMessage& reply, ExchangeMark* mark, DWORD timeoutMs, int flag);
    // OS type the target announced for `side` (0 none, 1 RTOS, 2 Windows, 3 Linux).
    int GetTargetOsType(int side);

    // Host-side inspection (not used by the module).
    CZENTOMessage::eDirection GetDirectionMask() const { return m_directionMask; }
    CZENTOMessage::eDirection GetDirection() const { return m_direction; }
    int GetConfiguration() const { return m_configuration; }

  private:
    std::unique_ptr<quorvex::link::Channel> m_channel;
    CZENTOMessage::eDirection m_directionMask = CZENTOMessage::DIR_ALL_DEVICES;
    CZENTOMessage::eDirection m_direction = CZENTOMessage::DIR_NONE;
    int m_configuration = 0;
};

// Non-zero while the process-wide connection to a target is up.
BOOL IsLinkAvailable();
// True when the command database of that core, as announced by the target,
// holds the full name. The two outputs are set to 0 and carry nothing.
bool FindCommandCp(const CString& name, std::int32_t* out1, std::int32_t* out2, bool flag);
bool FindCommandAp(const CString& name, std::int32_t* out1, std::int32_t* out2, bool flag);
