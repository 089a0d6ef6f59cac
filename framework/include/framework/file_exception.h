// CFileException: what went wrong with a PC file, as the framework's causes.
// Thrown by value (catch (CFileException& e)); Open reports it through its
// optional out parameter instead of throwing.
#pragma once

#include "framework/cstring.h"
#include "framework/exception.h"

class CFileException : public CException {
    DECLARE_DYNAMIC(CFileException)

  public:
    enum {
        none,
        genericException,
        fileNotFound,
        badPath,
        tooManyOpenFiles,
        accessDenied,
        invalidFile,
        removeCurrentDir,
        directoryFull,
        badSeek,
        hardIO,
        sharingViolation,
        lockViolation,
        diskFull,
        endOfFile
    };

    explicit CFileException(int cause = none, LONG lOsError = -1, LPCSTR lpszArchiveName = nullptr);

    // The cause for an errno value. The one place where operating-system errors
    // become causes; a missing file in a missing folder is badPath, not
    // fileNotFound, so pass the path when there is one.
    static int ErrnoToException(int nErrno, LPCSTR lpszFileName = nullptr);
    [[noreturn]] static void ThrowErrno(int nErrno, LPCSTR lpszFileName = nullptr);

    // "<file>: <what happened> (<os error text>)".
    BOOL GetErrorMessage(LPSTR lpszError, UINT nMaxError,
                         UINT* pnHelpContext = nullptr) const override;

    int m_cause;
    LONG m_lOsError;  // the errno value, or -1 when the failure was not the system's
    CString m_strFileName;
};

[[noreturn]] void AfxThrowFileException(int cause, LONG lOsError = -1,
                                        LPCSTR lpszFileName = nullptr);
