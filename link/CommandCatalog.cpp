// Command-database lookups and the splitting of full command names.
#include "quorvex/FlashExplorerData.h"

bool CFlashExplorerData::IsCommandAvailable(const CString& name, bool flag) {
    std::int32_t unused1 = 0;
    std::int32_t unused2 = 0;
    // Only 0 selects the communication side; -1 (not set) asks the application side.
    if (m_nTargetType == TARGET_TYPE_CP) return FindCommandCp(name, &unused1, &unused2, flag);
    return FindCommandAp(name, &unused1, &unused2, flag);
}

void CFlashExplorerData::SplitCommandName(CString full, CString& service, CString& module,
                                          CString& name) {
    const int first = full.Find("__");
    service = full.Left(first);
    const int second = full.Find("__", first + 2);
    module = full.Mid(first + 2, second - (first + 2));
    name = full.Mid(second + 2);
}
