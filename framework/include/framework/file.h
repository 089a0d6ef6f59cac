// CFile: binary PC files with the framework's open modes and share flags.
// Share flags are enforced between the CFile objects of this process, as the
// operating system would enforce them between all openers: a file held with
// shareExclusive or shareDenyWrite cannot be opened again for writing, and so
// on. Paths written with '\' are mapped to '/'.
#pragma once

#include <ctime>

#include "framework/cstring.h"
#include "framework/file_exception.h"
#include "framework/object.h"

struct CFileStatus {
    std::time_t m_ctime;  // status change time
    std::time_t m_mtime;  // last modification
    std::time_t m_atime;  // last access
    ULONGLONG m_size;
    BYTE m_attribute;  // CFile::Attribute bits
    BYTE m_padding;
    char m_szFullName[MAX_PATH];  // absolute path, cut to MAX_PATH - 1
};

class CFile : public CObject {
    DECLARE_DYNAMIC(CFile)

  public:
    enum OpenFlags : UINT {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareCompat = 0x0000,  // treated as shareExclusive
        shareExclusive = 0x0010,
        shareDenyWrite = 0x0020,
        shareDenyRead = 0x0030,
        shareDenyNone = 0x0040,
        modeNoInherit = 0x0080,
        modeCreate = 0x1000,
        modeNoTruncate = 0x2000,
        typeText = 0x4000,  // no effect: CFile is always binary
        typeBinary = 0x8000,
    };
    enum Attribute : BYTE {
        normal = 0x00,
        readOnly = 0x01,
        hidden = 0x02,
        system = 0x04,
        volume = 0x08,
        directory = 0x10,
        archive = 0x20,
    };
    enum SeekPosition : UINT { begin = 0, current = 1, end = 2 };

    CFile() = default;
    // Opens or throws CFileException.
    CFile(LPCSTR lpszFileName, UINT nOpenFlags);
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;
    // Closes an open file; errors at that point are dropped.
    ~CFile() override;

    // FALSE on failure, with the reason in *pError when given. Fails with
    // sharingViolation when another open CFile's share flags forbid this
    // access, or this one's forbid theirs; a directory gives accessDenied.
    // modeCreate truncates unless modeNoTruncate is also given.
    virtual BOOL Open(LPCSTR lpszFileName, UINT nOpenFlags, CFileException* pError = nullptr);

    // The I/O calls throw CFileException on failure. Read returns fewer bytes
    // than asked only at the end of the file; Write writes all or throws
    // (diskFull when the device is full).
    virtual UINT Read(void* lpBuf, UINT nCount);
    virtual void Write(const void* lpBuf, UINT nCount);
    virtual ULONGLONG Seek(LONGLONG lOff, UINT nFrom);  // badSeek before the start
    void SeekToBegin() { Seek(0, begin); }
    ULONGLONG SeekToEnd() { return Seek(0, end); }
    virtual ULONGLONG GetPosition() const;
    virtual ULONGLONG GetLength() const;
    virtual void SetLength(ULONGLONG dwNewLen);
    virtual void Flush();
    virtual void Close();  // throws when the system reports a failed close
    virtual void Abort();  // closes and ignores every error

    BOOL IsOpen() const { return m_fd >= 0; }
    CString GetFilePath() const { return m_strFilePath; }  // absolute
    CString GetFileName() const;                           // last path component

    BOOL GetStatus(CFileStatus& rStatus) const;
    // FALSE when the path does not exist (or cannot be examined).
    static BOOL GetStatus(LPCSTR lpszFileName, CFileStatus& rStatus);
    // Both throw CFileException. A file opened by any CFile cannot be renamed or
    // removed (sharingViolation); renaming onto another existing file is
    // refused with accessDenied; renaming a file onto its own name succeeds.
    static void Rename(LPCSTR lpszOldName, LPCSTR lpszNewName);
    static void Remove(LPCSTR lpszFileName);

  private:
    void ThrowIfClosed() const;
    void ThrowErrno(int err) const;

    int m_fd = -1;
    UINT m_nOpenFlags = 0;
    CString m_strFilePath;
};
