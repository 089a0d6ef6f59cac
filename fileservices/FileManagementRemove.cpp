// Removal of a flash file (with its progress messages and timer) and of a
// flash directory.
#include "fileservices/FileManagementBlocks.h"
#include "fileservices/ResultCodes.h"
#include "link/Exchange.h"
#include "quorvex/FlashExplorerData.h"

using file_management::kExchangeTimeoutMs;
using file_management::MakePathParameter;

namespace {
const UINT_PTR kRemoveTimerId = 2;
// Size announced for a file the cached listing does not hold.
const DWORD kUnlistedRemoveSize = 100;
const WORD kRemoveReplySize = 1024;
}  // namespace

UE_errCode_t CFlashExplorerData::RemoveFile(const CString& strPath) {
    const CString fullPath = MakeFullFlashPath(strPath);
    CString parameters;
    if (!MakePathParameter(fullPath, parameters)) return UE_FLASH_PATH_TOO_LONG;

    BYTE reply[kRemoveReplySize];
    CFdiExchange exchange("FDI", "Transport", "Remove_File");
    exchange.SetParameters(static_cast<LPCSTR>(parameters),
                           static_cast<WORD>(parameters.GetLength()));
    exchange.SetReplyNames("FDI", "Transport", "Remove_Success");
    exchange.SetReplyBuffer(reply, sizeof(reply));
    // Some targets answer with the command's own name when the file is gone.
    exchange.Expect("FDI__Transport__Remove_File");
    exchange.Expect("FDI__Transport__Remove_Success");
    exchange.Expect("FDI__Transport__Remove_Error");

    // The listing is not refreshed here: the size is only for the progress display.
    CFdiFile probe;
    probe.m_strName = fullPath;
    const POSITION listed = m_fileList.Find(probe);
    const DWORD size = listed != nullptr ? m_fileList.GetAt(listed).m_dwSize : kUnlistedRemoveSize;

    PostProgress(WM_FLASH_PROGRESS_START, size, PROGRESS_KIND_REMOVE);
    const UINT_PTR timer = StartProgressTimer(kRemoveTimerId);
    int result = exchange.Execute(m_pCommandLink, m_nTargetType, kExchangeTimeoutMs);
    if (result == UE_SUCCESS && exchange.ReplyIs("Remove_Error")) result = UE_REMOVE_ERROR;
    StopProgressTimer(timer);
    // Even a failed removal may have changed the directory.
    m_bContentChanged = 1;
    PostProgress(WM_FLASH_PROGRESS_END, 0, 0);
    return result;
}

UE_errCode_t CFlashExplorerData::RemoveDir(const CString& strPath) {
    CString parameters;
    if (!MakePathParameter(MakeFullFlashPath(strPath), parameters)) return UE_FLASH_PATH_TOO_LONG;

    BYTE reply[kRemoveReplySize];
    CFdiExchange exchange("FDI", "Transport", "RmDir");
    exchange.SetParameters(static_cast<LPCSTR>(parameters),
                           static_cast<WORD>(parameters.GetLength()));
    exchange.SetReplyNames("FDI", "Transport", "Rmdir_Success");
    exchange.SetReplyBuffer(reply, sizeof(reply));
    exchange.Expect("FDI__Transport__Rmdir_Success");
    exchange.Expect("FDI__Transport__Rmdir_Error");

    int result = exchange.Execute(m_pCommandLink, m_nTargetType, kExchangeTimeoutMs);
    m_bContentChanged = 1;
    if (result == UE_SUCCESS && exchange.ReplyIs("Rmdir_Error")) result = UE_RMDIR_ERROR;
    return result;
}
