// CFdiFile: one flash directory entry, with the stamp and size texts the
// listing fills in.
#include "quorvex/FdiFile.h"

#include <cstring>
#include <ctime>

#include "quorvex/QuorvexManager.h"

IMPLEMENT_DYNCREATE(CFdiFile, CObject)

namespace {

// Hosts read these texts directly, so the formats never change.
const char kTimeFormat[] = "%.2d:%.2d:%.2d";
const char kDateFormat[] = "%.2d/%.2d/%.2d";

struct StampParts {
    int hour = 0;
    int minute = 0;
    int second = 0;
    int day = 0;
    int month = 0;
    int year = 0;
};

// Seconds since 1970 as UTC. Negative values do not convert: the host's
// runtime refuses them, and listings must read the same everywhere.
bool ConvertUtc(long value, StampParts& parts) {
    if (value < 0) return false;
    const std::time_t t = static_cast<std::time_t>(value);
    std::tm out{};
#ifdef _WIN32
    if (gmtime_s(&out, &t) != 0) return false;
#else
    if (gmtime_r(&t, &out) == nullptr) return false;
#endif
    parts.hour = out.tm_hour;
    parts.minute = out.tm_min;
    parts.second = out.tm_sec;
    parts.day = out.tm_mday;
    parts.month = out.tm_mon + 1;
    parts.year = out.tm_year + 1900;
    return true;
}

// Appends `value` as "%.2d" writes it: at least two digits, zero-padded.
char* PutTwoDigits(char* out, int value) {
    char digits[12];
    int count = 0;
    for (unsigned v = static_cast<unsigned>(value); v != 0 || count < 2; v /= 10) {
        digits[count++] = static_cast<char>('0' + v % 10);
    }
    while (count > 0) *out++ = digits[--count];
    return out;
}

// The three fields joined by `separator`, each as "%.2d" writes it. A listing
// writes four of these per entry, so this skips the general formatter.
void WriteTriple(CString& text, const char* format, char separator, int a, int b, int c) {
    if (a < 0 || b < 0 || c < 0) {
        text.Format(format, a, b, c);
        return;
    }
    char buffer[40];
    char* end = PutTwoDigits(buffer, a);
    *end++ = separator;
    end = PutTwoDigits(end, b);
    *end++ = separator;
    end = PutTwoDigits(end, c);
    text = CString(buffer, static_cast<int>(end - buffer));
}

void WriteStamp(const StampParts& parts, CString& time, CString& date) {
    WriteTriple(time, kTimeFormat, ':', parts.hour, parts.minute, parts.second);
    WriteTriple(date, kDateFormat, '/', parts.day, parts.month, parts.year);
}

}  // namespace

CFdiFile::CFdiFile() {
    SetSize(0);
}

CFdiFile::CFdiFile(const CString& name, const CString& time, const CString& date,
                   unsigned long size, unsigned short attributes)
    : m_strName(name), m_strTime(time), m_strDate(date), m_wAttributes(attributes) {
    SetSize(static_cast<DWORD>(size));
}

CFdiFile::CFdiFile(const CFdiFile& other) : CObject() {
    *this = other;
}

CFdiFile& CFdiFile::operator=(const CFdiFile& other) {
    m_strName = other.m_strName;
    m_strTime = other.m_strTime;
    m_strDate = other.m_strDate;
    m_strSecondTime = other.m_strSecondTime;
    m_strSecondDate = other.m_strSecondDate;
    m_dwSize = other.m_dwSize;
    m_strSize = other.m_strSize;
    m_wAttributes = other.m_wAttributes;
    return *this;
}

CFdiFile::~CFdiFile() = default;

// Records are never archived; the slot exists for the framework only.
void CFdiFile::Serialize(CArchive& /*ar*/) {}

bool CFdiFile::operator==(const CFdiFile& other) const {
    // Names compare as the target's texts: byte by byte, case-sensitive.
    return std::strcmp(m_strName, other.m_strName) == 0;
}

void CFdiFile::SetSize(DWORD size) {
    m_dwSize = size;
    CQuorvexManager::Instance()->FormatSizeText(size, m_strSize, true);
}

void CFdiFile::SetPackedTime(unsigned long packed) {
    WriteTriple(m_strTime, kTimeFormat, ':', static_cast<int>((packed >> 12) & 0x1F),
                static_cast<int>((packed >> 6) & 0x3F), static_cast<int>(packed & 0x3F));
}

void CFdiFile::SetPackedDate(unsigned long packed) {
    WriteTriple(m_strDate, kDateFormat, '/', static_cast<int>((packed >> 16) & 0x1F),
                static_cast<int>((packed >> 12) & 0x0F), static_cast<int>(packed & 0xFFF));
}

void CFdiFile::SetTimeStamps(long first, long second) {
    StampParts firstParts;
    ConvertUtc(first, firstParts);  // all zeros when it does not convert
    WriteStamp(firstParts, m_strTime, m_strDate);

    // A second stamp that does not convert repeats the first one.
    StampParts secondParts;
    if (!ConvertUtc(second, secondParts)) secondParts = firstParts;
    WriteStamp(secondParts, m_strSecondTime, m_strSecondDate);
}
