// CString: the framework's narrow string, with the framework's clamping rules.
#include "framework/cstring.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

std::size_t SafeLen(LPCSTR psz) {
    return psz ? std::strlen(psz) : 0;
}

bool IsSpace(char ch) {
    return std::isspace(static_cast<unsigned char>(ch)) != 0;
}

int Sign(int v) {
    return (v > 0) - (v < 0);
}

int CompareBytes(const char* a, std::size_t na, const char* b, std::size_t nb) {
    const int r = std::memcmp(a, b, std::min(na, nb));
    if (r != 0) return Sign(r);
    return na < nb ? -1 : (na > nb ? 1 : 0);
}

int CompareBytesNoCase(const char* a, std::size_t na, const char* b, std::size_t nb) {
    for (std::size_t i = 0; i < std::min(na, nb); ++i) {
        const int ca = std::tolower(static_cast<unsigned char>(a[i]));
        const int cb = std::tolower(static_cast<unsigned char>(b[i]));
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    return na < nb ? -1 : (na > nb ? 1 : 0);
}

}  // namespace

CString::CString(LPCSTR psz) : str_(psz ? psz : "") {}

CString::CString(LPCSTR pch, int nLength) {
    if (pch && nLength > 0) str_.assign(pch, static_cast<std::size_t>(nLength));
}

CString::CString(char ch, int nRepeat) {
    if (nRepeat > 0) str_.assign(static_cast<std::size_t>(nRepeat), ch);
}

char CString::GetAt(int nIndex) const {
    return (*this)[nIndex];
}

void CString::SetAt(int nIndex, char ch) {
    if (nIndex >= 0 && nIndex < GetLength()) str_[static_cast<std::size_t>(nIndex)] = ch;
}

void CString::Format(LPCSTR pszFormat, ...) {
    va_list args;
    va_start(args, pszFormat);
    FormatV(pszFormat, args);
    va_end(args);
}

void CString::FormatV(LPCSTR pszFormat, va_list args) {
    str_.clear();
    if (!pszFormat) return;
    va_list probe;
    va_copy(probe, args);
    const int needed = std::vsnprintf(nullptr, 0, pszFormat, probe);
    va_end(probe);
    if (needed <= 0) return;
    std::vector<char> buf(static_cast<std::size_t>(needed) + 1);
    std::vsnprintf(buf.data(), buf.size(), pszFormat, args);
    str_.assign(buf.data(), static_cast<std::size_t>(needed));
}

void CString::AppendFormat(LPCSTR pszFormat, ...) {
    CString tail;
    va_list args;
    va_start(args, pszFormat);
    tail.FormatV(pszFormat, args);
    va_end(args);
    str_ += tail.str_;
}

CString& CString::operator=(LPCSTR psz) {
    str_.assign(psz ? psz : "");
    return *this;
}

CString& CString::operator=(char ch) {
    str_.assign(1, ch);
    return *this;
}

CString& CString::operator+=(const CString& str) {
    str_ += str.str_;
    return *this;
}

CString& CString::operator+=(LPCSTR psz) {
    if (psz) str_ += psz;
    return *this;
}

CString& CString::operator+=(char ch) {
    str_.push_back(ch);
    return *this;
}

void CString::Append(LPCSTR pch, int nLength) {
    if (pch && nLength > 0) str_.append(pch, static_cast<std::size_t>(nLength));
}

int CString::Compare(LPCSTR psz) const {
    return CompareBytes(str_.data(), str_.size(), psz ? psz : "", SafeLen(psz));
}

int CString::Compare(const CString& str) const {
    return CompareBytes(str_.data(), str_.size(), str.str_.data(), str.str_.size());
}

int CString::CompareNoCase(LPCSTR psz) const {
    return CompareBytesNoCase(str_.data(), str_.size(), psz ? psz : "", SafeLen(psz));
}

int CString::CompareNoCase(const CString& str) const {
    return CompareBytesNoCase(str_.data(), str_.size(), str.str_.data(), str.str_.size());
}

int CString::Find(char ch, int iStart) const {
    if (iStart < 0 || iStart >= GetLength()) return -1;
    const auto pos = str_.find(ch, static_cast<std::size_t>(iStart));
    return pos == std::string::npos ? -1 : static_cast<int>(pos);
}

int CString::Find(LPCSTR pszSub, int iStart) const {
    if (!pszSub || iStart < 0 || iStart > GetLength()) return -1;
    const auto pos = str_.find(pszSub, static_cast<std::size_t>(iStart));
    return pos == std::string::npos ? -1 : static_cast<int>(pos);
}

int CString::ReverseFind(char ch) const {
    const auto pos = str_.rfind(ch);
    return pos == std::string::npos ? -1 : static_cast<int>(pos);
}

int CString::FindOneOf(LPCSTR pszCharSet) const {
    if (!pszCharSet || !*pszCharSet) return -1;
    const auto pos = str_.find_first_of(pszCharSet);
    return pos == std::string::npos ? -1 : static_cast<int>(pos);
}

CString CString::Left(int nCount) const {
    nCount = std::clamp(nCount, 0, GetLength());
    return CString(str_.data(), nCount);
}

CString CString::Mid(int iFirst) const {
    return Mid(iFirst, GetLength() - iFirst);
}

CString CString::Mid(int iFirst, int nCount) const {
    const int len = GetLength();
    iFirst = std::max(iFirst, 0);
    nCount = std::max(nCount, 0);
    if (iFirst >= len) return CString();
    nCount = std::min(nCount, len - iFirst);
    return CString(str_.data() + iFirst, nCount);
}

CString CString::Right(int nCount) const {
    nCount = std::clamp(nCount, 0, GetLength());
    return CString(str_.data() + (GetLength() - nCount), nCount);
}

CString CString::SpanIncluding(LPCSTR pszCharSet) const {
    if (!pszCharSet) return CString();
    const auto pos = str_.find_first_not_of(pszCharSet);
    return Left(pos == std::string::npos ? GetLength() : static_cast<int>(pos));
}

CString CString::SpanExcluding(LPCSTR pszCharSet) const {
    if (!pszCharSet) return *this;
    const auto pos = str_.find_first_of(pszCharSet);
    return Left(pos == std::string::npos ? GetLength() : static_cast<int>(pos));
}

CString CString::Tokenize(LPCSTR pszTokens, int& iStart) const {
    if (iStart < 0 || iStart >= GetLength()) {
        iStart = -1;
        return CString();
    }
    if (!pszTokens || !*pszTokens) {
        CString rest = Mid(iStart);
        iStart = GetLength();
        return rest;
    }
    const auto from = str_.find_first_not_of(pszTokens, static_cast<std::size_t>(iStart));
    if (from == std::string::npos) {
        iStart = -1;
        return CString();
    }
    auto until = str_.find_first_of(pszTokens, from);
    if (until == std::string::npos) until = str_.size();
    iStart = static_cast<int>(until) + 1;
    return CString(str_.data() + from, static_cast<int>(until - from));
}

CString& CString::MakeUpper() {
    for (char& c : str_) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return *this;
}

CString& CString::MakeLower() {
    for (char& c : str_) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return *this;
}

CString& CString::MakeReverse() {
    std::reverse(str_.begin(), str_.end());
    return *this;
}

CString& CString::Trim() {
    return TrimRight().TrimLeft();
}
CString& CString::Trim(char chTarget) {
    return TrimRight(chTarget).TrimLeft(chTarget);
}
CString& CString::Trim(LPCSTR pszTargets) {
    return TrimRight(pszTargets).TrimLeft(pszTargets);
}

CString& CString::TrimLeft() {
    const auto it = std::find_if_not(str_.begin(), str_.end(), IsSpace);
    str_.erase(str_.begin(), it);
    return *this;
}

CString& CString::TrimLeft(char chTarget) {
    const auto pos = str_.find_first_not_of(chTarget);
    str_.erase(0, pos);
    return *this;
}

CString& CString::TrimLeft(LPCSTR pszTargets) {
    if (!pszTargets || !*pszTargets) return *this;
    str_.erase(0, str_.find_first_not_of(pszTargets));
    return *this;
}

CString& CString::TrimRight() {
    while (!str_.empty() && IsSpace(str_.back())) str_.pop_back();
    return *this;
}

CString& CString::TrimRight(char chTarget) {
    while (!str_.empty() && str_.back() == chTarget) str_.pop_back();
    return *this;
}

CString& CString::TrimRight(LPCSTR pszTargets) {
    if (!pszTargets || !*pszTargets) return *this;
    const auto pos = str_.find_last_not_of(pszTargets);
    str_.erase(pos == std::string::npos ? 0 : pos + 1);
    return *this;
}

int CString::Replace(char chOld, char chNew) {
    int n = 0;
    for (char& c : str_) {
        if (c == chOld) {
            c = chNew;
            ++n;
        }
    }
    return n;
}

int CString::Replace(LPCSTR pszOld, LPCSTR pszNew) {
    const std::size_t old_len = SafeLen(pszOld);
    if (old_len == 0) return 0;
    const std::string replacement = pszNew ? pszNew : "";
    std::string out;
    int n = 0;
    std::size_t from = 0;
    for (auto pos = str_.find(pszOld, 0, old_len); pos != std::string::npos;
         pos = str_.find(pszOld, from, old_len)) {
        out.append(str_, from, pos - from);
        out += replacement;
        from = pos + old_len;
        ++n;
    }
    if (n == 0) return 0;
    out.append(str_, from, std::string::npos);
    str_.swap(out);
    return n;
}

int CString::Remove(char ch) {
    const auto before = str_.size();
    str_.erase(std::remove(str_.begin(), str_.end(), ch), str_.end());
    return static_cast<int>(before - str_.size());
}

int CString::Insert(int iIndex, char ch) {
    iIndex = std::clamp(iIndex, 0, GetLength());
    str_.insert(static_cast<std::size_t>(iIndex), 1, ch);
    return GetLength();
}

int CString::Insert(int iIndex, LPCSTR psz) {
    iIndex = std::clamp(iIndex, 0, GetLength());
    if (psz) str_.insert(static_cast<std::size_t>(iIndex), psz);
    return GetLength();
}

int CString::Delete(int iIndex, int nCount) {
    iIndex = std::max(iIndex, 0);
    nCount = std::max(nCount, 0);
    if (iIndex < GetLength()) {
        nCount = std::min(nCount, GetLength() - iIndex);
        str_.erase(static_cast<std::size_t>(iIndex), static_cast<std::size_t>(nCount));
    }
    return GetLength();
}

LPSTR CString::GetBuffer(int nMinBufLength) {
    if (nMinBufLength > GetLength()) str_.resize(static_cast<std::size_t>(nMinBufLength), '\0');
    return str_.data();
}

LPSTR CString::GetBufferSetLength(int nNewLength) {
    str_.resize(static_cast<std::size_t>(std::max(nNewLength, 0)), '\0');
    return str_.data();
}

void CString::ReleaseBuffer(int nNewLength) {
    std::size_t len =
        nNewLength < 0 ? strnlen(str_.c_str(), str_.size()) : static_cast<std::size_t>(nNewLength);
    str_.resize(std::min(len, str_.size()));
}

CString operator+(const CString& a, const CString& b) {
    CString r(a);
    r += b;
    return r;
}

CString operator+(const CString& a, LPCSTR b) {
    CString r(a);
    r += b;
    return r;
}

CString operator+(LPCSTR a, const CString& b) {
    CString r(a);
    r += b;
    return r;
}

CString operator+(const CString& a, char b) {
    CString r(a);
    r += b;
    return r;
}

CString operator+(char a, const CString& b) {
    CString r(a);
    r += b;
    return r;
}
