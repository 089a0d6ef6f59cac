// Test-only access to the flash data object's constructor and private
// operations (the class names this type as a friend).
#pragma once

#include <cstdint>
#include <memory>

#include "quorvex/FlashExplorerData.h"

class CFlashExplorerDataTestAccess {
  public:
    using Object = CFlashExplorerData;

    // A new object exactly as the registry constructs it, without SetTargetType.
    static std::unique_ptr<Object> Create() { return std::unique_ptr<Object>(new Object()); }

    static void DeleteAllObjects(Object& o) { o.DeleteAllObjects(); }
    static bool IsCommandAvailable(Object& o, const CString& n) {
        return o.IsCommandAvailable(n, false);
    }
    static void SplitCommandName(CString full, CString& s, CString& m, CString& n) {
        Object::SplitCommandName(full, s, m, n);
    }
    static UE_errCode_t GetFdiVersion(Object& o) { return o.GetFdiVersion(); }
    static CString& GetCurrentFdiVersion(Object& o) { return o.GetCurrentFdiVersion(); }
    static UE_errCode_t BuildRootPath(Object& o) { return o.BuildRootPath(); }

    static UE_errCode_t RefreshFileList(Object& o, const CFdiFileList*& l, CString p, bool f) {
        return o.RefreshFileList(l, p, f);
    }

    static UE_errCode_t Fopen(Object& o, CString n, CString m, int* id) {
        return o.Fopen(n, m, id);
    }
    static UE_errCode_t Fread(Object& o, int id, const CString& pc) { return o.Fread(id, pc); }
    static UE_errCode_t Fwrite(Object& o, int id, const CString& pc) { return o.Fwrite(id, pc); }
    static UE_errCode_t Fclose(Object& o, int id) { return o.Fclose(id); }
    static UE_errCode_t Fseek(Object& o, int id, long off, int org) {
        return o.Fseek(id, off, org);
    }
    static UE_errCode_t InMsgBodyLimit(Object& o, unsigned long* p) { return o.InMsgBodyLimit(p); }
    static UE_errCode_t OutMsgBodyLimit(Object& o, unsigned long* p) {
        return o.OutMsgBodyLimit(p);
    }

    static UE_errCode_t GetFileStatus(Object& o, const CString& p, short& s) {
        return o.GetFileStatus(p, s);
    }
    static UE_errCode_t GetFdiFdvSize(Object& o, std::uint64_t& s) { return o.GetFdiFdvSize(s); }
    static UE_errCode_t GetFdiFdvAvailableSpace(Object& o, CString v) {
        return o.GetFdiFdvAvailableSpace(v);
    }
};
