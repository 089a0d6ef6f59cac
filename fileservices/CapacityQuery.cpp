// Capacity of a volume for hosts: the two private queries behind one call.
#include "quorvex/FlashExplorerData.h"

UE_errCode_t CFlashExplorerData::QueryCapacity(const CString& volume, std::uint64_t& size,
                                               DWORD& available) {
    size = 0;
    if (IsCommandAvailable("FDI__Transport__GetFdiFdvSize", false)) {
        const UE_errCode_t result = GetFdiFdvSize(size);
        if (result != 0) return result;
    }
    const UE_errCode_t result = GetFdiFdvAvailableSpace(volume);
    available = m_nAvailableSpace;
    return result;
}
