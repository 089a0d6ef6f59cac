// The host's folder and its settings store. The folder is $QUORVEX_HOME, or
// ~/.quorvex without it, looked up on every call and created when missing.
// Settings live in the INI file settings.ini in that folder.
#pragma once

#include <mutex>
#include <vector>

#include "framework/cstring.h"

// Section and key names compare without regard to case. Reads of a missing
// file, section or key give the default. Every write rewrites the whole file
// through a temporary file and a rename, so a reader never sees half a file;
// other sections, keys, comments and unreadable lines keep their place.
// Thread-safe within the process; between processes the last writer wins.
class CHostPaths {
  public:
    // The host folder without a trailing separator.
    CString GetHostFolder();
    CString GetSettingsFile();

    // The value's leading decimal number (sign allowed, text after it ignored);
    // the default when the key is missing, holds no number or does not fit.
    int ReadSettingInt(LPCSTR section, LPCSTR key, int defaultValue);
    void WriteSettingInt(LPCSTR section, LPCSTR key, int value);

    // Surrounding blanks and one pair of matching quotes are dropped.
    CString ReadSettingString(LPCSTR section, LPCSTR key, LPCSTR defaultValue);
    // FALSE when the names or the value cannot be stored (line breaks, '='
    // in a key, ']' in a section, empty names) or the file cannot be written.
    BOOL WriteSettingString(LPCSTR section, LPCSTR key, LPCSTR value);

    // Keys of the section in file order, as spelled in the file.
    std::vector<CString> GetSettingKeys(LPCSTR section);
    std::vector<CString> GetSettingSections();

  private:
    std::mutex mutex_;
};

// The process's one path and settings object; callers never release it.
CHostPaths* GetHostPaths();
