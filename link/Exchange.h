// One command exchange with the target, as every operation performs it: the
// command and reply records, the expected-report list and the exchange mark,
// all living for one call on the caller's stack.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "cmdlib/CommandLink.h"
#include "framework/collections.h"
#include "framework/cstring.h"

class CFdiExchange {
  public:
    // Command record with the three name parts; no parameters, empty reply names.
    CFdiExchange(LPCSTR service, LPCSTR module, LPCSTR name);
    CFdiExchange(const CFdiExchange&) = delete;
    CFdiExchange& operator=(const CFdiExchange&) = delete;

    // Parameter block, owned by the caller; null and 0 when the command has none.
    void SetParameters(const void* data, WORD length);
    // The caller's reply buffer and its capacity.
    void SetReplyBuffer(void* buffer, WORD capacity);
    // Names the reply record starts with (the awaited report for a query).
    void SetReplyNames(LPCSTR service, LPCSTR module, LPCSTR name);
    // Adds one full report name at the head of the expected list.
    void Expect(LPCSTR fullName);

    // Copies `side` into both records, then ExecuteCommand. 0 or the link's code.
    int Execute(CCommandLink* link, int side, DWORD timeoutMs);
    // Copies `side` into both records, then ExecuteQuery for the reply's names.
    int Query(CCommandLink* link, int side, DWORD timeoutMs);
    // Copies `side` into the command record, then PostCommand; no wait.
    int Post(CCommandLink* link, int side);
    // ReleaseReport with the running mark, then WaitNextReport for the next part.
    int WaitNext(CCommandLink* link, DWORD timeoutMs);

    // Short name of the report that answered.
    const CString& ReplyName() const { return m_reply.Name; }
    bool ReplyIs(LPCSTR shortName) const { return m_reply.Name == shortName; }
    // Null when the answer carried no payload.
    const BYTE* ReplyData() const { return m_reply.Data; }
    // Bytes of the reply buffer the answering report filled; nothing past them
    // arrived, whatever a count inside the payload claims.
    WORD ReplyLength() const {
        return m_reply.Data != nullptr ? static_cast<WORD>(m_mark.received) : 0;
    }

    CZENTOMessage& Command() { return m_command; }
    CZENTOMessage& Reply() { return m_reply; }
    CStringList& ExpectedList() { return m_expected; }

    // Inspection seam: sees each Execute, Query and Post just before the link
    // gets it, with the records and expected list exactly as built (Side
    // already copied). For tests and diagnostics; none is installed by default
    // and installing one is not thread-safe with running exchanges.
    enum class Call { kExecute, kQuery, kPost };
    using Inspector =
        std::function<void(Call call, const CZENTOMessage& command, const CZENTOMessage& reply,
                           const CStringList& expected, DWORD timeoutMs)>;
    // Returns the inspector it replaces; an empty function removes it.
    static Inspector SetInspector(Inspector inspector);

  private:
    void Inspect(Call call, DWORD timeoutMs) const;

    // Destroyed in reverse: the list, then the reply, then the command.
    CZENTOMessage m_command;
    CZENTOMessage m_reply;
    CStringList m_expected{10};
    ExchangeMark m_mark;
};

// Little-endian field access on parameter blocks and reply buffers.
namespace fdi_bytes {
inline void PutU16(BYTE* p, unsigned v) {
    p[0] = static_cast<BYTE>(v);
    p[1] = static_cast<BYTE>(v >> 8);
}
inline void PutU32(BYTE* p, unsigned long v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<BYTE>(v >> (8 * i));
}
inline unsigned GetU16(const BYTE* p) {
    return p[0] | (static_cast<unsigned>(p[1]) << 8);
}
inline short GetI16(const BYTE* p) {
    return static_cast<short>(GetU16(p));
}
inline unsigned long GetU32(const BYTE* p) {
    return p[0] | (static_cast<unsigned long>(p[1]) << 8) |
           (static_cast<unsigned long>(p[2]) << 16) | (static_cast<unsigned long>(p[3]) << 24);
}
inline long GetI32(const BYTE* p) {
    return static_cast<std::int32_t>(GetU32(p));
}
// Copies `text` into a fixed field of `size` bytes with its terminating zero.
// False (and nothing written) when it does not fit.
bool PutText(BYTE* field, std::size_t size, const CString& text);
}  // namespace fdi_bytes
