// Framework exceptions. They are thrown by value and caught by reference
// (catch (CFileException& e)), so nothing has to be deleted by the catcher.
#pragma once

#include "framework/object.h"

class CException : public CObject {
    DECLARE_DYNAMIC(CException)

  public:
    CException() = default;
    CException(const CException&) : CObject() {}
    CException& operator=(const CException&) { return *this; }
    ~CException() override = default;

    // Copies the message, NUL-terminated and cut to nMaxError bytes; FALSE when
    // there is nothing to say. The help context is always 0.
    virtual BOOL GetErrorMessage(LPSTR lpszError, UINT nMaxError,
                                 UINT* pnHelpContext = nullptr) const;
};

class CMemoryException : public CException {
    DECLARE_DYNAMIC(CMemoryException)

  public:
    BOOL GetErrorMessage(LPSTR lpszError, UINT nMaxError,
                         UINT* pnHelpContext = nullptr) const override;
};

[[noreturn]] void AfxThrowMemoryException();
