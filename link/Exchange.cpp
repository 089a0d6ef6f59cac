// The exchange helper shared by every operation of the flash data object.
#include "link/Exchange.h"

#include <cstring>
#include <utility>

CFdiExchange::CFdiExchange(LPCSTR service, LPCSTR module, LPCSTR name) {
    CString strService(service);
    CString strModule(module);
    CString strName(name);
    m_command.Service = strService;
    m_command.Module = strModule;
    m_command.Name = strName;
    m_command.Data = nullptr;
    m_command.DataLength = 0;
    m_command.Reserved6 = -1;
    m_command.Reserved7 = 0;
    m_command.Side = 0;
    m_command.Reserved9 = -1;
    m_command.Reserved10 = -1;
    m_reply.Reserved6 = -1;
    m_reply.Reserved7 = 0;
    m_reply.Side = 0;
    m_reply.Reserved9 = -1;
    m_reply.Reserved10 = -1;
}

void CFdiExchange::SetParameters(const void* data, WORD length) {
    m_command.Data = static_cast<BYTE*>(const_cast<void*>(data));
    m_command.DataLength = data != nullptr ? length : 0;
}

void CFdiExchange::SetReplyBuffer(void* buffer, WORD capacity) {
    m_reply.Data = static_cast<BYTE*>(buffer);
    m_reply.DataLength = capacity;
}

void CFdiExchange::SetReplyNames(LPCSTR service, LPCSTR module, LPCSTR name) {
    m_reply.Service = service;
    m_reply.Module = module;
    m_reply.Name = name;
}

void CFdiExchange::Expect(LPCSTR fullName) {
    m_expected.AddHead(fullName);
}

int CFdiExchange::Execute(CCommandLink* link, int side, DWORD timeoutMs) {
    m_command.Side = side;
    m_reply.Side = side;
    Inspect(Call::kExecute, timeoutMs);
    return link->ExecuteCommand(m_command, m_reply, m_expected, &m_mark, timeoutMs);
}

int CFdiExchange::Query(CCommandLink* link, int side, DWORD timeoutMs) {
    m_command.Side = side;
    m_reply.Side = side;
    Inspect(Call::kQuery, timeoutMs);
    return link->ExecuteQuery(m_command, m_reply, &m_mark, timeoutMs);
}

int CFdiExchange::Post(CCommandLink* link, int side) {
    m_command.Side = side;
    Inspect(Call::kPost, 0);
    return link->PostCommand(m_command);
}

int CFdiExchange::WaitNext(CCommandLink* link, DWORD timeoutMs) {
    link->ReleaseReport(m_mark);
    return link->WaitNextReport(m_reply, &m_mark, timeoutMs, 1);
}

// Inspection seam.
namespace {
CFdiExchange::Inspector& InstalledInspector() {
    static CFdiExchange::Inspector inspector;
    return inspector;
}
}  // namespace

CFdiExchange::Inspector CFdiExchange::SetInspector(Inspector inspector) {
    Inspector previous = std::move(InstalledInspector());
    InstalledInspector() = std::move(inspector);
    return previous;
}

void CFdiExchange::Inspect(Call call, DWORD timeoutMs) const {
    const Inspector& inspector = InstalledInspector();
    if (inspector) inspector(call, m_command, m_reply, m_expected, timeoutMs);
}

namespace fdi_bytes {
bool PutText(BYTE* field, std::size_t size, const CString& text) {
    const std::size_t length = static_cast<std::size_t>(text.GetLength());
    if (length + 1 > size) return false;
    std::memcpy(field, static_cast<LPCSTR>(text), length);
    field[length] = 0;
    return true;
}
}  // namespace fdi_bytes
