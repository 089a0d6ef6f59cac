// Size texts and path parts that the flash file services show and use.
#include "quorvex/QuorvexManager.h"

namespace {
const DWORD kKilobyte = 1024;
const DWORD kMegabyte = 1024 * 1024;

// Splits at the first (or last) backslash; only a path without any backslash
// is split at a slash.
int FindSeparator(const CString& path, bool last) {
    int at = last ? path.ReverseFind('\\') : path.Find('\\');
    if (at < 0) at = last ? path.ReverseFind('/') : path.Find('/');
    return at;
}
}  // namespace

bool CQuorvexManager::FormatSizeText(DWORD size, CString& text, bool wholeNumbers) {
    if (size == 0) {
        text = "0 KB";
        return true;
    }
    if (size < kKilobyte) {
        text.Format("%d bytes", static_cast<int>(size));
        return true;
    }
    const bool megabytes = size >= kMegabyte;
    const double x = megabytes ? size / 1048576.0 : size / 1024.0;
    const double whole = static_cast<double>(static_cast<unsigned long>(x));
    const double t = (x / whole - 1.0) * 10.0;
    if (t > 0 && !wholeNumbers) {
        text.Format(megabytes ? "%.1f MB" : "%.1f KB", x);
    } else {
        text.Format(megabytes ? "%.0f MB" : "%.0f KB", x + 0.4);
    }
    return true;
}

CString CQuorvexManager::GetFileNameFromPath(const CString& path) {
    const int at = FindSeparator(path, true);
    if (at < 0) return path;
    return path.Mid(at + 1);
}

CString CQuorvexManager::GetFirstPathPart(const CString& path) {
    const int at = FindSeparator(path, false);
    if (at < 0) return path;
    return path.Left(at);
}

bool CQuorvexManager::SplitFileName(const CString& path, CString& name, CString& error) {
    error.Empty();
    const int at = FindSeparator(path, true);
    if (at < 0) {
        error.Format("Invalid file path: \"%s\".", static_cast<LPCSTR>(path));
        return false;
    }
    name = path.Mid(at + 1);
    return true;
}
