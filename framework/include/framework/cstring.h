// CString: the framework's narrow 8-bit string. Backed by std::string, so it
// holds embedded NUL bytes; the LPCSTR view then ends at the first of them.
#pragma once

#include <cstdarg>
#include <string>
#include <type_traits>

#include "platform/wintypes.h"

class CString {
  public:
    CString() = default;
    CString(LPCSTR psz);  // NOLINT: implicit as in the framework; null gives an empty string
    CString(LPCSTR pch, int nLength);  // exactly nLength bytes (NULs included); null or <0 → empty
    CString(char ch, int nRepeat = 1);  // NOLINT
    CString(const CString&) = default;
    CString(CString&&) noexcept = default;
    ~CString() = default;

    int GetLength() const { return static_cast<int>(str_.size()); }
    BOOL IsEmpty() const { return str_.empty(); }
    void Empty() { str_.clear(); }

    // Out-of-range positions read as '\0' and writes to them are ignored.
    char GetAt(int nIndex) const;
    void SetAt(int nIndex, char ch);
    template <typename I, typename = std::enable_if_t<std::is_integral_v<I>>>
    char operator[](I nIndex) const {
        return (nIndex < 0 || static_cast<ULONGLONG>(nIndex) >= str_.size())
                   ? '\0'
                   : str_[static_cast<std::size_t>(nIndex)];
    }

    operator LPCSTR() const { return str_.c_str(); }  // NOLINT
    LPCSTR GetString() const { return str_.c_str(); }

    // printf formatting of any length. Pass CString arguments as LPCSTR.
    void Format(LPCSTR pszFormat, ...) __attribute__((format(printf, 2, 3)));
    void FormatV(LPCSTR pszFormat, va_list args) __attribute__((format(printf, 2, 0)));
    void AppendFormat(LPCSTR pszFormat, ...) __attribute__((format(printf, 2, 3)));

    CString& operator=(const CString&) = default;
    CString& operator=(CString&&) noexcept = default;
    CString& operator=(LPCSTR psz);
    CString& operator=(char ch);
    CString& operator+=(const CString& str);
    CString& operator+=(LPCSTR psz);
    CString& operator+=(char ch);  // appends NUL too
    void Append(LPCSTR pch, int nLength);

    // Byte-wise over the whole length; a null LPCSTR compares as "".
    int Compare(LPCSTR psz) const;
    int Compare(const CString& str) const;
    int CompareNoCase(LPCSTR psz) const;
    int CompareNoCase(const CString& str) const;

    // Searches cover the whole length; a start outside the string finds nothing.
    int Find(char ch, int iStart = 0) const;
    int Find(LPCSTR pszSub, int iStart = 0) const;
    int ReverseFind(char ch) const;
    int FindOneOf(LPCSTR pszCharSet) const;

    // Counts and positions are clamped to the string, never past its ends.
    CString Left(int nCount) const;
    CString Mid(int iFirst) const;
    CString Mid(int iFirst, int nCount) const;
    CString Right(int nCount) const;
    CString SpanIncluding(LPCSTR pszCharSet) const;
    CString SpanExcluding(LPCSTR pszCharSet) const;
    // Next token after iStart; iStart becomes -1 when none is left.
    CString Tokenize(LPCSTR pszTokens, int& iStart) const;

    CString& MakeUpper();
    CString& MakeLower();
    CString& MakeReverse();
    CString& Trim();
    CString& Trim(char chTarget);
    CString& Trim(LPCSTR pszTargets);
    CString& TrimLeft();
    CString& TrimLeft(char chTarget);
    CString& TrimLeft(LPCSTR pszTargets);
    CString& TrimRight();
    CString& TrimRight(char chTarget);
    CString& TrimRight(LPCSTR pszTargets);

    // Each returns the number of replacements / removals, or the new length.
    int Replace(char chOld, char chNew);
    int Replace(LPCSTR pszOld, LPCSTR pszNew);
    int Remove(char ch);
    int Insert(int iIndex, char ch);
    int Insert(int iIndex, LPCSTR psz);
    int Delete(int iIndex, int nCount = 1);

    // Direct buffer access. The buffer holds at least nMinBufLength bytes plus a
    // terminating NUL and stays valid until ReleaseBuffer or the next change.
    // ReleaseBuffer(-1) takes the length up to the first NUL.
    LPSTR GetBuffer(int nMinBufLength = 0);
    LPSTR GetBufferSetLength(int nNewLength);
    void ReleaseBuffer(int nNewLength = -1);

    const std::string& str() const { return str_; }

  private:
    std::string str_;
};

CString operator+(const CString& a, const CString& b);
CString operator+(const CString& a, LPCSTR b);
CString operator+(LPCSTR a, const CString& b);
CString operator+(const CString& a, char b);
CString operator+(char a, const CString& b);

inline bool operator==(const CString& a, const CString& b) {
    return a.Compare(b) == 0;
}
inline bool operator==(const CString& a, LPCSTR b) {
    return a.Compare(b) == 0;
}
inline bool operator==(LPCSTR a, const CString& b) {
    return b.Compare(a) == 0;
}
inline bool operator!=(const CString& a, const CString& b) {
    return a.Compare(b) != 0;
}
inline bool operator!=(const CString& a, LPCSTR b) {
    return a.Compare(b) != 0;
}
inline bool operator!=(LPCSTR a, const CString& b) {
    return b.Compare(a) != 0;
}
inline bool operator<(const CString& a, const CString& b) {
    return a.Compare(b) < 0;
}
inline bool operator<(const CString& a, LPCSTR b) {
    return a.Compare(b) < 0;
}
inline bool operator<(LPCSTR a, const CString& b) {
    return b.Compare(a) > 0;
}
inline bool operator>(const CString& a, const CString& b) {
    return a.Compare(b) > 0;
}
inline bool operator>(const CString& a, LPCSTR b) {
    return a.Compare(b) > 0;
}
inline bool operator>(LPCSTR a, const CString& b) {
    return b.Compare(a) < 0;
}
inline bool operator<=(const CString& a, const CString& b) {
    return a.Compare(b) <= 0;
}
inline bool operator<=(const CString& a, LPCSTR b) {
    return a.Compare(b) <= 0;
}
inline bool operator<=(LPCSTR a, const CString& b) {
    return b.Compare(a) >= 0;
}
inline bool operator>=(const CString& a, const CString& b) {
    return a.Compare(b) >= 0;
}
inline bool operator>=(const CString& a, LPCSTR b) {
    return a.Compare(b) >= 0;
}
inline bool operator>=(LPCSTR a, const CString& b) {
    return b.Compare(a) <= 0;
}
