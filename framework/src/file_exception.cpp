// File exceptions and the translation of errno values into their causes.
#include "framework/file_exception.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/files.h"

IMPLEMENT_DYNAMIC(CFileException, CException)

namespace {

// True when the folder that would hold `path` exists.
bool ParentFolderExists(const char* path) {
    std::string native = quorvex::platform::NativePath(path);
    while (native.size() > 1 && native.back() == '/') native.pop_back();
    const auto slash = native.rfind('/');
    if (slash == std::string::npos) return true;  // the current folder
    // A root keeps its slash: "C:" alone names the current folder of drive C.
    const bool root = slash == 0 || (slash == 2 && native[1] == ':');
    const std::string parent = native.substr(0, root ? slash + 1 : slash);
    struct stat st;
    return ::stat(parent.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

const char* CauseText(int cause) {
    switch (cause) {
        case CFileException::none:
            return "no error";
        case CFileException::fileNotFound:
            return "the file was not found";
        case CFileException::badPath:
            return "all or part of the path is invalid";
        case CFileException::tooManyOpenFiles:
            return "too many open files";
        case CFileException::accessDenied:
            return "access to the file was denied";
        case CFileException::invalidFile:
            return "the file is not open or its handle is invalid";
        case CFileException::removeCurrentDir:
            return "the current working folder cannot be removed";
        case CFileException::directoryFull:
            return "there are no more directory entries";
        case CFileException::badSeek:
            return "error while setting the file position";
        case CFileException::hardIO:
            return "a hardware error occurred";
        case CFileException::sharingViolation:
            return "the file is in use by another opener";
        case CFileException::lockViolation:
            return "the region is locked";
        case CFileException::diskFull:
            return "the disk is full";
        case CFileException::endOfFile:
            return "the end of the file was reached";
        default:
            return "an unspecified error occurred";
    }
}

}  // namespace

CFileException::CFileException(int cause, LONG lOsError, LPCSTR lpszArchiveName)
    : m_cause(cause), m_lOsError(lOsError), m_strFileName(lpszArchiveName) {}

int CFileException::ErrnoToException(int nErrno, LPCSTR lpszFileName) {
    switch (nErrno) {
        case 0:
            return none;
        case ENOENT:
            return (lpszFileName && !ParentFolderExists(lpszFileName)) ? badPath : fileNotFound;
        case ENOTDIR:
        case ENAMETOOLONG:
        case ELOOP:
        case EXDEV:
            return badPath;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
        case EEXIST:
        case ENOTEMPTY:
            return accessDenied;
        case EMFILE:
        case ENFILE:
            return tooManyOpenFiles;
        case EBADF:
            return invalidFile;
        case EINVAL:
        case ESPIPE:
        case EOVERFLOW:
            return badSeek;
        case EIO:
        case ENXIO:
        case ENODEV:
            return hardIO;
        case EBUSY:
        case ETXTBSY:
            return sharingViolation;
        case EDEADLK:
        case ENOLCK:
            return lockViolation;
        case ENOSPC:
#ifdef EDQUOT
        case EDQUOT:
#endif
        case EFBIG:
            return diskFull;
        default:
            return genericException;
    }
}

void CFileException::ThrowErrno(int nErrno, LPCSTR lpszFileName) {
    throw CFileException(ErrnoToException(nErrno, lpszFileName), nErrno, lpszFileName);
}

BOOL CFileException::GetErrorMessage(LPSTR lpszError, UINT nMaxError, UINT* pnHelpContext) const {
    if (pnHelpContext) *pnHelpContext = 0;
    if (!lpszError || nMaxError == 0) return FALSE;
    CString text;
    text.Format("%s: %s", m_strFileName.IsEmpty() ? "(no file)" : m_strFileName.GetString(),
                CauseText(m_cause));
    if (m_lOsError > 0) text.AppendFormat(" (%s)", std::strerror(static_cast<int>(m_lOsError)));
    std::snprintf(lpszError, nMaxError, "%s", text.GetString());
    return TRUE;
}

void AfxThrowFileException(int cause, LONG lOsError, LPCSTR lpszFileName) {
    throw CFileException(cause, lOsError, lpszFileName);
}
