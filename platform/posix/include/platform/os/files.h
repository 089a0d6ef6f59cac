// Directory and file-search calls of the operating-system stand-in. Every
// path goes through NativePath first, so paths built with '\' work on POSIX.
// POSIX backend: the stand-in declares these Win32 names itself.
#pragma once

#include "platform/wintypes.h"

#define FILE_ATTRIBUTE_READONLY 0x00000001
#define FILE_ATTRIBUTE_HIDDEN 0x00000002
#define FILE_ATTRIBUTE_SYSTEM 0x00000004
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010
#define FILE_ATTRIBUTE_ARCHIVE 0x00000020
#define FILE_ATTRIBUTE_NORMAL 0x00000080
#define INVALID_FILE_ATTRIBUTES 0xFFFFFFFFu

struct WIN32_FIND_DATAA {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    DWORD dwReserved0;
    DWORD dwReserved1;
    CHAR cFileName[MAX_PATH];
    CHAR cAlternateFileName[14];
};
using LPWIN32_FIND_DATAA = WIN32_FIND_DATAA*;
using WIN32_FIND_DATA = WIN32_FIND_DATAA;

// FALSE with ERROR_ALREADY_EXISTS when the path exists (file or directory),
// ERROR_PATH_NOT_FOUND when its parent does not. A trailing separator is
// accepted. Security attributes are ignored.
BOOL CreateDirectoryA(LPCSTR lpPathName, LPSECURITY_ATTRIBUTES lpSecurityAttributes);
// Only an empty directory; ERROR_DIR_NOT_EMPTY otherwise.
BOOL RemoveDirectoryA(LPCSTR lpPathName);
// Not for directories (ERROR_ACCESS_DENIED).
BOOL DeleteFileA(LPCSTR lpFileName);
// FALSE with ERROR_ALREADY_EXISTS when the new name is taken.
BOOL MoveFileA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName);
// INVALID_FILE_ATTRIBUTES when the path does not exist. A file the owner
// cannot write is FILE_ATTRIBUTE_READONLY; a plain file otherwise NORMAL.
DWORD GetFileAttributesA(LPCSTR lpFileName);

// Searches one directory. The last path component may hold '*' (any run of
// characters) and '?' (one character), matched case-sensitively like the file
// system underneath; "*.*" matches every name. Matches come in directory
// order, "." and ".." included when the pattern takes them. A path that ends
// with a separator names no file and fails with ERROR_FILE_NOT_FOUND even when
// the directory exists, as the native search does, so "is the folder there?
// otherwise create it" code built on it keeps working: CreateDirectoryA then
// reports ERROR_ALREADY_EXISTS, which such callers ignore.
// Fails with ERROR_PATH_NOT_FOUND when the directory is missing and
// ERROR_FILE_NOT_FOUND when nothing matches; returns INVALID_HANDLE_VALUE then.
HANDLE FindFirstFileA(LPCSTR lpFileName, LPWIN32_FIND_DATAA lpFindFileData);
// FALSE with ERROR_NO_MORE_FILES after the last match.
BOOL FindNextFileA(HANDLE hFindFile, LPWIN32_FIND_DATAA lpFindFileData);
BOOL FindClose(HANDLE hFindFile);

inline BOOL CreateDirectory(LPCSTR path, LPSECURITY_ATTRIBUTES attributes) {
    return CreateDirectoryA(path, attributes);
}
inline BOOL RemoveDirectory(LPCSTR path) {
    return RemoveDirectoryA(path);
}
inline BOOL DeleteFile(LPCSTR path) {
    return DeleteFileA(path);
}
inline BOOL MoveFile(LPCSTR from, LPCSTR to) {
    return MoveFileA(from, to);
}
inline DWORD GetFileAttributes(LPCSTR path) {
    return GetFileAttributesA(path);
}
inline HANDLE FindFirstFile(LPCSTR pattern, LPWIN32_FIND_DATAA data) {
    return FindFirstFileA(pattern, data);
}
inline BOOL FindNextFile(HANDLE find, LPWIN32_FIND_DATAA data) {
    return FindNextFileA(find, data);
}
