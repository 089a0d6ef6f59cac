// One entry of a flash directory as the listing hands it to callers.
#pragma once

#include "framework/cstring.h"
#include "framework/object.h"
#include "quorvex/QuorvexExport.h"

class QUORVEX_API CFdiFile : public CObject {
    DECLARE_DYNCREATE(CFdiFile)

  public:
    CFdiFile();
    // Listing record helpers: the full constructor (the second stamp stays
    // empty, the size text is made from `size`).
    CFdiFile(const CString& name, const CString& time, const CString& date, unsigned long size,
             unsigned short attributes);
    CFdiFile(const CFdiFile& other);
    CFdiFile& operator=(const CFdiFile& other);
    ~CFdiFile() override;

    void Serialize(CArchive& ar) override;

    // Equal when the names are equal byte for byte; nothing else counts.
    bool operator==(const CFdiFile& other) const;

    // Read-only when no permission bit is set outside octal 0444.
    bool IsReadOnly() const { return (m_wAttributes | 0444) == 0444; }

    CString m_strName;
    CString m_strTime;
    CString m_strDate;
    CString m_strSecondTime;
    CString m_strSecondDate;
    DWORD m_dwSize = 0;
    CString m_strSize;
    WORD m_wAttributes = 0;

  private:
    // Listing record helpers: the listing parser writes the stamp texts.
    friend class CFlashExplorerData;
    void SetPackedTime(unsigned long packed);
    void SetPackedDate(unsigned long packed);
    void SetTimeStamps(long first, long second);
    QUORVEX_LOCAL void SetSize(DWORD size);
};
