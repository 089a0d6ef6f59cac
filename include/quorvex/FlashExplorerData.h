// The flash-access object: one per instance name, obtained through Instance().
// Every operation is one or more command exchanges on the object's own link
// and returns a UE_errCode_t (0 success, the module's codes 2-28, or the
// command library's own codes unchanged).
#pragma once

#include <atomic>
#include <cstdint>

#include "cmdlib/CommandLink.h"
#include "framework/collections.h"
#include "framework/cstring.h"
#include "framework/object.h"
#include "platform/wintypes.h"
#include "quorvex/FdiFile.h"
#include "quorvex/QuorvexExport.h"

using UE_errCode_t = int;

enum eTargetType : std::int32_t {
    TARGET_TYPE_NOT_SET = -1,
    TARGET_TYPE_CP = 0,
    TARGET_TYPE_AP = 1,
};

// Progress notifications posted to the notify window of the "GUI Instance".
enum : UINT {
    WM_FLASH_PROGRESS_START = 0x0400 + 100,
    WM_FLASH_PROGRESS_STEP = 0x0400 + 101,
    WM_FLASH_PROGRESS_END = 0x0400 + 102,
};

// Kinds carried by WM_FLASH_PROGRESS_START's second parameter.
enum eProgressKind : int {
    PROGRESS_KIND_READ = 1,
    PROGRESS_KIND_WRITE = 2,
    PROGRESS_KIND_REMOVE = 3,
    PROGRESS_KIND_FORMAT = 4,
    PROGRESS_KIND_VERIFY = 5,
};

using CFdiFileList = CList<CFdiFile, const CFdiFile&>;

class CFlashExplorerManager;

class QUORVEX_API CFlashExplorerData : public CObject {
    friend class CFlashExplorerManager;
    friend class CFlashExplorerDataTestAccess;  // tests/support/FlashTestAccess.h

  public:
    static CFlashExplorerData* Instance(const CString& instanceName);
    static void DeleteInstance(const CString& instanceName);

    ~CFlashExplorerData() override;

    // Target side, FDI version and root path.
    void SetTargetType(eTargetType type);
    eTargetType GetTargetType();
    void SetActiveDevice(CZENTOMessage::eDirection direction);

    // Volumes and the current volume-and-path prefix.
    UE_errCode_t GetVolumeList(CStringList& volumes);
    UE_errCode_t SetVolumeAndPath(const CString& path, bool useDefault);
    CString GetVolumeAndPath();
    UE_errCode_t PathLevelDown(const CString& folder);
    UE_errCode_t PathLevelUp();

    // Directory listing.
    UE_errCode_t GetFileList(const CFdiFileList*& pList, const CString& path);
    UE_errCode_t GetFlashFileNameList(CStringList& names, CString path);

    // Whole-file transfers.
    UE_errCode_t ReadFile(const CString& pcFileName, const CString& flashFileName);
    UE_errCode_t WriteFile(const CString& flashFileName, const CString& pcFileName, int verify);
    UE_errCode_t ComparePcFileWithFlashFile(const CString& pcFileName,
                                            const CString& flashFileName);

    // File and directory management.
    UE_errCode_t RemoveFile(const CString& strPath);
    UE_errCode_t RenameFile(const CString& strOldName, const CString& strNewName);
    UE_errCode_t MakeDir(const CString& strPath, short nMode, unsigned int& nFdiResult);
    UE_errCode_t RemoveDir(const CString& strPath);
    UE_errCode_t ChangeMode(CString strPath, int nMode);

    // Volume format.
    UE_errCode_t FormatFlash();
    UE_errCode_t FormatFlash(const CString& volume);

    // Size and free space of a volume for hosts that show capacity: the
    // target's answers to the size and free-space queries. 0 or the code of
    // the first query that failed; `size` is 0 when the size query is not offered.
    UE_errCode_t QueryCapacity(const CString& volume, std::uint64_t& size, DWORD& available);

    // Board control.
    UE_errCode_t SetRTC(SYSTEMTIME* time);
    bool ResetBoard();

    // Small accessors for hosts.
    void SetNotifyWindow(HWND hWnd) { m_hNotifyWnd = hWnd; }
    bool IsContentChanged() { return m_bContentChanged != 0; }
    void SetContentChanged(bool changed) { m_bContentChanged = changed ? 1 : 0; }
    void SignalReadyEvent();
    void SelectDevice(int index);
    // Asks a running ReadFile/WriteFile to stop after its current packet. Safe
    // from any thread and from a signal handler.
    void RequestStop() { m_bStopTransfer.store(1, std::memory_order_relaxed); }

  private:
    // Internal members are QUORVEX_LOCAL: hosts reach objects through
    // Instance only. DeleteAllObjects, UpdateFileInfoList and GetFileStatus
    // belong to the exported surface although private.
    QUORVEX_LOCAL CFlashExplorerData();
    CFlashExplorerData(const CFlashExplorerData&) = delete;
    CFlashExplorerData& operator=(const CFlashExplorerData&) = delete;

    void DeleteAllObjects();
    QUORVEX_LOCAL void EnsureTempFolder();

    // Command exchange helpers (link/).
    QUORVEX_LOCAL bool IsCommandAvailable(const CString& name, bool flag);
    QUORVEX_LOCAL static void SplitCommandName(CString full, CString& service, CString& module,
                                               CString& name);
    // Progress: messages go out only from the "GUI Instance"; the timers run
    // for every instance. StopProgressTimer takes what StartProgressTimer returned.
    QUORVEX_LOCAL bool IsGuiInstance();
    QUORVEX_LOCAL void PostProgress(UINT message, WPARAM wParam, LPARAM lParam);
    QUORVEX_LOCAL UINT_PTR StartProgressTimer(UINT_PTR id);
    QUORVEX_LOCAL void StopProgressTimer(UINT_PTR id);
    // Puts m_strVolumeAndPath in front of a name that does not contain it.
    QUORVEX_LOCAL CString MakeFullFlashPath(const CString& name);

    // Target side and version (link/).
    QUORVEX_LOCAL UE_errCode_t GetFdiVersion();
    QUORVEX_LOCAL CString& GetCurrentFdiVersion();
    QUORVEX_LOCAL UE_errCode_t BuildRootPath();

    // Listing (fileservices/).
    QUORVEX_LOCAL UE_errCode_t RefreshFileList(const CFdiFileList*& pList, CString pattern,
                                               bool bForce);
    UE_errCode_t UpdateFileInfoList(CString& pattern);
    // Listing helpers: parses up to `count` entries of one packet into
    // m_fileList (emptied first when `clear`); false for a malformed entry.
    QUORVEX_LOCAL bool ParseNameListPacket(CString& text, int count, bool clear);

    // File channel (fileservices/).
    QUORVEX_LOCAL UE_errCode_t Fopen(CString fileName, CString mode, int* pFileId);
    QUORVEX_LOCAL UE_errCode_t Fread(int fileId, const CString& pcFileName);
    QUORVEX_LOCAL UE_errCode_t Fwrite(int fileId, const CString& pcFileName);
    QUORVEX_LOCAL UE_errCode_t Fclose(int fileId);
    QUORVEX_LOCAL UE_errCode_t Fseek(int fileId, long offset, int origin);
    QUORVEX_LOCAL UE_errCode_t InMsgBodyLimit(unsigned long* pLimit);
    QUORVEX_LOCAL UE_errCode_t OutMsgBodyLimit(unsigned long* pLimit);
    // File channel helpers (fileservices/FileChannel*).
    QUORVEX_LOCAL bool IsFdi5Layout();
    QUORVEX_LOCAL DWORD GetReadPacketLimit();
    QUORVEX_LOCAL DWORD GetWritePacketLimit(bool bFdi5);

    // Transfers (fileservices/).
    QUORVEX_LOCAL bool IsPcFileAccessible(const CString& path);
    QUORVEX_LOCAL bool GetPcFileSize(const CString& path, unsigned long* pSize);
    QUORVEX_LOCAL UE_errCode_t ComparePcFiles(const CString& first, const CString& second);
    // Transfer helpers (fileservices/Transfers*).
    QUORVEX_LOCAL CString MakeTempCopyName(const CString& pcFileName, const CString& flashFileName);
    QUORVEX_LOCAL UE_errCode_t CompareWithCopy(const CString& pcFileName, const CString& copyName);
    QUORVEX_LOCAL UE_errCode_t VerifyWrittenFile(int fileId, const CString& flashFileName,
                                                 const CString& pcFileName, DWORD size);

    // Management (fileservices/).
    UE_errCode_t GetFileStatus(const CString& strPath, short& nStatus);
    QUORVEX_LOCAL UE_errCode_t GetMaxFileNameLen(unsigned int* pMaxLen);

    // Capacity (fileservices/).
    QUORVEX_LOCAL UE_errCode_t GetFdiFdvSize(std::uint64_t& size);
    QUORVEX_LOCAL UE_errCode_t GetFdiFdvAvailableSpace(CString volume);
    // Format helpers (fileservices/): both FormatFlash forms share one run;
    // `volumeForm` selects the per-volume command and its extra failure report.
    QUORVEX_LOCAL UE_errCode_t RunFormat(const CString& volume, bool volumeForm);

  public:
    // Fields in declaration order; public so that hosts and tests can read them.
    BYTE m_bExtendedMode = 0;
    CString m_strInstanceName;
    CString m_strFdiVersionCp;
    CString m_strFdiVersionAp;
    CString m_strVolumeAndPath;
    BYTE m_bContentChanged = 1;
    CFdiFileList m_fileList;
    HWND m_hNotifyWnd = nullptr;
    HANDLE m_hReadyEvent = nullptr;
    DWORD m_nAvailableSpace = 0;
    eTargetType m_nTargetType = TARGET_TYPE_NOT_SET;
    std::atomic<BYTE> m_bStopTransfer{0};
    CString m_strLastWrittenName;
    int m_nDeviceIndex = 0;
    CCommandLink* m_pCommandLink = nullptr;
};

// Plain functions for host modules, exported under their undecorated names.
extern "C" {
QUORVEX_API UE_errCode_t QUORVEX_CDECL gl_WriteFile(const CString& instanceName,
                                                    const CString& flashFileName,
                                                    const CString& pcFileName, int verify);
QUORVEX_API int QUORVEX_CDECL gl_IsFileExistInFlash();
}
