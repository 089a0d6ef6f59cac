// Parsing of one name-list packet: entries of five "@"-terminated fields each,
// put at the head of m_fileList as they are read.
#include <cctype>
#include <cstdint>

#include "quorvex/FlashExplorerData.h"

namespace {

// Reads a decimal number the way the host's runtime atoi/atol do: leading
// blanks and one sign, digits up to the first other character, 0 without
// digits, and the 32-bit limits on overflow instead of wrapping.
std::int32_t ReadDecimal(const CString& field) {
    LPCSTR p = field;
    while (std::isspace(static_cast<unsigned char>(*p))) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    std::int64_t value = 0;
    const std::int64_t limit = negative ? -static_cast<std::int64_t>(INT32_MIN) : INT32_MAX;
    for (; *p >= '0' && *p <= '9'; ++p) {
        value = value * 10 + (*p - '0');
        if (value > limit) {
            value = limit;
            break;
        }
    }
    return static_cast<std::int32_t>(negative ? -value : value);
}

// Moves the text before the next "@" into `field` and drops it and the "@"
// from `text`; false when no "@" is left.
bool TakeField(CString& text, CString& field) {
    const int at = text.Find('@');
    if (at < 0) return false;
    field = text.Left(at);
    text = text.Mid(at + 1);
    return true;
}

}  // namespace

bool CFlashExplorerData::ParseNameListPacket(CString& text, int count, bool clear) {
    if (clear) m_fileList.RemoveAll();

    const bool packedStamps = GetCurrentFdiVersion() == "FDI5";
    CFdiFile record(CString(), CString(), CString(), 0, 0);
    CString field;
    // The count only caps the entries; an exhausted text ends the packet early.
    for (int entry = 0; entry < count && !text.IsEmpty(); ++entry) {
        if (!TakeField(text, record.m_strName)) return false;

        CString second;
        if (!TakeField(text, field) || !TakeField(text, second)) return false;
        if (packedStamps) {
            record.SetPackedTime(static_cast<std::uint32_t>(ReadDecimal(field)));
            record.SetPackedDate(static_cast<std::uint32_t>(ReadDecimal(second)));
        } else {
            record.SetTimeStamps(ReadDecimal(field), ReadDecimal(second));
        }

        if (!TakeField(text, field)) return false;
        record.SetSize(static_cast<DWORD>(ReadDecimal(field)));
        if (!TakeField(text, field)) return false;
        record.m_wAttributes = static_cast<WORD>(ReadDecimal(field) & 0xFFFF);

        m_fileList.AddHead(record);
    }
    return true;
}
