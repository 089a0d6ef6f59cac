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

// Moves the text before the next "@" at or after `pos` into `field` and moves
// `pos` past that "@"; false when no "@" is left. A cursor instead of cutting
// the text each time keeps a packet's parse linear in its length.
bool TakeField(const CString& text, int& pos, CString& field) {
    const int at = text.Find('@', pos);
    if (at < 0) return false;
    field = text.Mid(pos, at - pos);
    pos = at + 1;
    return true;
}

}  // namespace

bool CFlashExplorerData::ParseNameListPacket(CString& text, int count, bool clear) {
    if (clear) m_fileList.RemoveAll();

    const bool packedStamps = GetCurrentFdiVersion() == "FDI5";
    CFdiFile record(CString(), CString(), CString(), 0, 0);
    CString field;
    CString second;
    int pos = 0;
    // The fields taken are cut off the text when the packet ends, however it ends.
    auto done = [&](bool ok) {
        text = text.Mid(pos);
        return ok;
    };
    // The count only caps the entries; an exhausted text ends the packet early.
    for (int entry = 0; entry < count && pos < text.GetLength(); ++entry) {
        if (!TakeField(text, pos, record.m_strName)) return done(false);

        if (!TakeField(text, pos, field) || !TakeField(text, pos, second)) return done(false);
        if (packedStamps) {
            record.SetPackedTime(static_cast<std::uint32_t>(ReadDecimal(field)));
            record.SetPackedDate(static_cast<std::uint32_t>(ReadDecimal(second)));
        } else {
            record.SetTimeStamps(ReadDecimal(field), ReadDecimal(second));
        }

        if (!TakeField(text, pos, field)) return done(false);
        record.SetSize(static_cast<DWORD>(ReadDecimal(field)));
        if (!TakeField(text, pos, field)) return done(false);
        record.m_wAttributes = static_cast<WORD>(ReadDecimal(field) & 0xFFFF);

        m_fileList.AddHead(record);
    }
    return done(true);
}
