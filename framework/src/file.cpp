// CFile on C runtime descriptors, with in-process share-flag enforcement.
#include "framework/file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "file_share.h"
#include "platform/fileio.h"
#include "platform/files.h"

IMPLEMENT_DYNAMIC(CFile, CObject)

namespace {

using quorvex::framework::internal::FileIdentity;

std::string Native(LPCSTR path) {
    return quorvex::platform::NativePath(path ? path : "");
}

std::string Absolute(const std::string& native) {
    return quorvex::platform::AbsolutePath(native);
}

FileIdentity IdentityOf(const std::string& native) {
    FileIdentity key;
    return quorvex::platform::FileKeyOfPath(native, &key) ? key : FileIdentity{};
}

bool CanRead(UINT flags) {
    return (flags & 0x3) != CFile::modeWrite;
}
bool CanWrite(UINT flags) {
    return (flags & 0x3) != CFile::modeRead;
}

void FillStatus(const struct stat& st, const std::string& full_name, CFileStatus& status) {
    std::memset(&status, 0, sizeof status);
    status.m_ctime = st.st_ctime;
    status.m_mtime = st.st_mtime;
    status.m_atime = st.st_atime;
    status.m_size = static_cast<ULONGLONG>(st.st_size);
    if (S_ISDIR(st.st_mode)) status.m_attribute |= CFile::directory;
    if ((st.st_mode & S_IWUSR) == 0) status.m_attribute |= CFile::readOnly;
    std::strncpy(status.m_szFullName, full_name.c_str(), sizeof status.m_szFullName - 1);
}

}  // namespace

CFile::CFile(LPCSTR lpszFileName, UINT nOpenFlags) {
    CFileException error;
    if (!Open(lpszFileName, nOpenFlags, &error)) throw error;
}

CFile::~CFile() {
    if (m_fd >= 0) Abort();
}

BOOL CFile::Open(LPCSTR lpszFileName, UINT nOpenFlags, CFileException* pError) {
    auto fail = [&](int cause, LONG os_error) {
        if (pError) *pError = CFileException(cause, os_error, lpszFileName);
        return FALSE;
    };
    if (m_fd >= 0) return fail(CFileException::genericException, -1);
    if (!lpszFileName || !*lpszFileName) return fail(CFileException::badPath, ENOENT);

    const std::string native = Native(lpszFileName);
    int oflags = 0;
    switch (nOpenFlags & 0x3) {
        case modeWrite:
            oflags |= O_WRONLY;
            break;
        case modeReadWrite:
            oflags |= O_RDWR;
            break;
        default:
            oflags |= O_RDONLY;
            break;
    }
    if (nOpenFlags & modeCreate) oflags |= O_CREAT;

    // Truncation waits until the share check has passed, so that a refused
    // opener cannot destroy the holder's content.
    const int fd = quorvex::platform::OpenDescriptor(native, oflags);
    if (fd < 0) {
        const int open_err = errno;
        return fail(CFileException::ErrnoToException(open_err, lpszFileName), open_err);
    }
    struct stat st;
    const int err = ::fstat(fd, &st) != 0 ? errno : (S_ISDIR(st.st_mode) ? EISDIR : 0);
    if (err != 0) {
        ::close(fd);
        return fail(CFileException::ErrnoToException(err, lpszFileName), err);
    }
    FileIdentity identity;
    if (!quorvex::platform::FileKeyOfDescriptor(fd, &identity) ||
        !quorvex::framework::internal::AcquireShare(identity, fd, nOpenFlags)) {
        ::close(fd);
        return fail(CFileException::sharingViolation, -1);
    }
    // An empty file is left alone: truncating it changes nothing but makes
    // some file systems (ext4) write the new content out when it is closed.
    if ((nOpenFlags & modeCreate) && !(nOpenFlags & modeNoTruncate) && S_ISREG(st.st_mode) &&
        st.st_size != 0 && ::ftruncate(fd, 0) != 0) {
        const int trunc_err = errno;
        quorvex::framework::internal::ReleaseShare(fd);
        ::close(fd);
        return fail(CFileException::ErrnoToException(trunc_err, lpszFileName), trunc_err);
    }
    m_fd = fd;
    m_nOpenFlags = nOpenFlags;
    m_strFilePath = Absolute(native).c_str();
    return TRUE;
}

void CFile::ThrowIfClosed() const {
    if (m_fd < 0) AfxThrowFileException(CFileException::invalidFile, EBADF, m_strFilePath);
}

void CFile::ThrowErrno(int err) const {
    CFileException::ThrowErrno(err, m_strFilePath);
}

UINT CFile::Read(void* lpBuf, UINT nCount) {
    ThrowIfClosed();
    if (!CanRead(m_nOpenFlags)) {
        AfxThrowFileException(CFileException::accessDenied, EBADF, m_strFilePath);
    }
    if (!lpBuf || nCount == 0) return 0;
    UINT total = 0;
    auto* out = static_cast<char*>(lpBuf);
    while (total < nCount) {
        const ssize_t n = ::read(m_fd, out + total, nCount - total);
        if (n < 0) {
            if (errno == EINTR) continue;
            ThrowErrno(errno);
        }
        if (n == 0) break;
        total += static_cast<UINT>(n);
    }
    return total;
}

void CFile::Write(const void* lpBuf, UINT nCount) {
    ThrowIfClosed();
    if (!CanWrite(m_nOpenFlags)) {
        AfxThrowFileException(CFileException::accessDenied, EBADF, m_strFilePath);
    }
    if (!lpBuf || nCount == 0) return;
    UINT total = 0;
    const auto* in = static_cast<const char*>(lpBuf);
    while (total < nCount) {
        const ssize_t n = ::write(m_fd, in + total, nCount - total);
        if (n < 0) {
            if (errno == EINTR) continue;
            ThrowErrno(errno);
        }
        if (n == 0) AfxThrowFileException(CFileException::diskFull, ENOSPC, m_strFilePath);
        total += static_cast<UINT>(n);
    }
}

ULONGLONG CFile::Seek(LONGLONG lOff, UINT nFrom) {
    ThrowIfClosed();
    int whence;
    switch (nFrom) {
        case begin:
            whence = SEEK_SET;
            break;
        case current:
            whence = SEEK_CUR;
            break;
        case end:
            whence = SEEK_END;
            break;
        default:
            AfxThrowFileException(CFileException::badSeek, EINVAL, m_strFilePath);
    }
    const off_t pos = ::lseek(m_fd, static_cast<off_t>(lOff), whence);
    if (pos < 0) ThrowErrno(errno);
    return static_cast<ULONGLONG>(pos);
}

ULONGLONG CFile::GetPosition() const {
    ThrowIfClosed();
    const off_t pos = ::lseek(m_fd, 0, SEEK_CUR);
    if (pos < 0) ThrowErrno(errno);
    return static_cast<ULONGLONG>(pos);
}

ULONGLONG CFile::GetLength() const {
    ThrowIfClosed();
    struct stat st;
    if (::fstat(m_fd, &st) != 0) ThrowErrno(errno);
    return static_cast<ULONGLONG>(st.st_size);
}

void CFile::SetLength(ULONGLONG dwNewLen) {
    ThrowIfClosed();
    if (!CanWrite(m_nOpenFlags)) {
        AfxThrowFileException(CFileException::accessDenied, EBADF, m_strFilePath);
    }
    if (::ftruncate(m_fd, static_cast<off_t>(dwNewLen)) != 0) ThrowErrno(errno);
}

void CFile::Flush() {
    ThrowIfClosed();
    // Devices and pipes cannot be synced; that is not a failure of the data.
    if (quorvex::platform::SyncDescriptor(m_fd) != 0 && errno != EINVAL && errno != EROFS)
        ThrowErrno(errno);
}

void CFile::Close() {
    if (m_fd < 0) return;
    const int fd = m_fd;
    m_fd = -1;
    quorvex::framework::internal::ReleaseShare(fd);
    if (::close(fd) != 0 && errno != EINTR) ThrowErrno(errno);
}

void CFile::Abort() {
    if (m_fd < 0) return;
    quorvex::framework::internal::ReleaseShare(m_fd);
    ::close(m_fd);
    m_fd = -1;
}

CString CFile::GetFileName() const {
    const int slash = m_strFilePath.ReverseFind('/');
    return m_strFilePath.Mid(slash + 1);
}

BOOL CFile::GetStatus(CFileStatus& rStatus) const {
    if (m_fd < 0) return FALSE;
    struct stat st;
    if (::fstat(m_fd, &st) != 0) return FALSE;
    FillStatus(st, m_strFilePath.GetString(), rStatus);
    return TRUE;
}

BOOL CFile::GetStatus(LPCSTR lpszFileName, CFileStatus& rStatus) {
    if (!lpszFileName || !*lpszFileName) return FALSE;
    const std::string native = Native(lpszFileName);
    struct stat st;
    if (::stat(native.c_str(), &st) != 0) return FALSE;
    FillStatus(st, Absolute(native), rStatus);
    return TRUE;
}

void CFile::Rename(LPCSTR lpszOldName, LPCSTR lpszNewName) {
    const std::string from = Native(lpszOldName);
    const std::string to = Native(lpszNewName);
    struct stat src;
    if (::stat(from.c_str(), &src) != 0) CFileException::ThrowErrno(errno, lpszOldName);
    const FileIdentity identity = IdentityOf(from);
    if (quorvex::framework::internal::IsFileHeld(identity)) {
        AfxThrowFileException(CFileException::sharingViolation, -1, lpszOldName);
    }
    struct stat dst;
    if (::stat(to.c_str(), &dst) == 0) {
        if (IdentityOf(to) == identity) return;  // its own name
        AfxThrowFileException(CFileException::accessDenied, EEXIST, lpszOldName);
    }
    if (::rename(from.c_str(), to.c_str()) != 0) {
        const int err = errno;
        CFileException::ThrowErrno(err, err == ENOENT ? lpszNewName : lpszOldName);
    }
}

void CFile::Remove(LPCSTR lpszFileName) {
    const std::string native = Native(lpszFileName);
    struct stat st;
    if (::stat(native.c_str(), &st) != 0) CFileException::ThrowErrno(errno, lpszFileName);
    if (S_ISDIR(st.st_mode)) {
        AfxThrowFileException(CFileException::accessDenied, EISDIR, lpszFileName);
    }
    if (quorvex::framework::internal::IsFileHeld(IdentityOf(native))) {
        AfxThrowFileException(CFileException::sharingViolation, -1, lpszFileName);
    }
    if (::unlink(native.c_str()) != 0) CFileException::ThrowErrno(errno, lpszFileName);
}
