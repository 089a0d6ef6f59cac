// The registry of named flash data objects: one object per instance name for
// the whole process, created on first request and destroyed on deletion.
#pragma once

#include "framework/collections.h"
#include "framework/cstring.h"
#include "hostlib/log.h"
#include "quorvex/FlashExplorerData.h"

using CFlashInstanceMap = CMap<CString, LPCSTR, CFlashExplorerData*, CFlashExplorerData*>;

class CFlashExplorerManager {
  public:
    virtual ~CFlashExplorerManager();

    // The singleton, made on first use; making it opens the module log.
    static CFlashExplorerManager* Instance();
    static CFlashExplorerData* GetInstance(const CString& name);
    static void DeleteInstance(const CString& name);

    // Module lifetime: called once when the module unloads.
    static void DestroySingleton();
    static void ReleaseInstanceMap();

  private:
    CFlashExplorerManager() = default;
    static eTargetType AskTargetType();
    static void ShowResourceError(int lookupLine);

    static CFlashExplorerManager* s_pInstance;
    static ILogChannel* s_pLog;
};

// The map lives for the whole module; its storage is released at unload
// without destroying the objects still in it.
CFlashInstanceMap& FlashInstanceMap();
