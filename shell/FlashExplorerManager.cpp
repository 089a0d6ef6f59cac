// Find-or-create and deletion of named flash data objects, with the target
// type question for the "GUI Instance" and one log line per creation.
#include "shell/FlashExplorerManager.h"

#include <memory>
#include <new>

#include "framework/exception.h"
#include "framework/module.h"
#include "platform/errors.h"
#include "platform/module.h"
#include "platform/msgbox.h"
#include "shell/TargetDlg.h"

namespace {
const char kGuiInstanceName[] = "GUI Instance";
const char kModuleFileName[] = "Quorvex.dll";
const DWORD kLogMask = 0x7FE;

const char* SourceFileName() {
    const char* name = __FILE__;
    for (const char* p = __FILE__; *p != 0; ++p) {
        if (*p == '/' || *p == '\\') name = p + 1;
    }
    return name;
}
}  // namespace

CFlashExplorerManager* CFlashExplorerManager::s_pInstance = nullptr;
ILogChannel* CFlashExplorerManager::s_pLog = nullptr;

CFlashExplorerManager::~CFlashExplorerManager() = default;

CFlashExplorerManager* CFlashExplorerManager::Instance() {
    if (s_pInstance == nullptr) {
        // Made whole or not at all: a singleton without its log would never log.
        std::unique_ptr<CFlashExplorerManager> created(new CFlashExplorerManager());
        s_pLog = OpenLogChannel("Quorvex", "");
        s_pInstance = created.release();
    }
    return s_pInstance;
}

void CFlashExplorerManager::DestroySingleton() {
    delete s_pInstance;
    s_pInstance = nullptr;
}

void CFlashExplorerManager::ReleaseInstanceMap() {
    FlashInstanceMap().RemoveAll();
}

void CFlashExplorerManager::ShowResourceError(int lookupLine) {
    LPSTR systemText = nullptr;
    FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, GetLastError(), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
        reinterpret_cast<LPSTR>(&systemText), 0, nullptr);
    CString text;
    text.Format(
        "Failed to change resource handle\n(System error: %s )\nMudule name: %s\nSource Files:%s, "
        "%i",
        systemText != nullptr ? systemText : "", kModuleFileName, SourceFileName(), lookupLine);
    LocalFree(systemText);
    MessageBoxA(nullptr, text, "Error in - Use Custom Resource", MB_ICONERROR | MB_OK);
}

eTargetType CFlashExplorerManager::AskTargetType() {
    HINSTANCE previous = nullptr;
    HMODULE module = GetModuleHandleA(kModuleFileName);
    const int lookupLine = __LINE__ - 1;
    if (module == nullptr) {
        ShowResourceError(lookupLine);
    } else {
        previous = AfxGetResourceHandle();
        AfxSetResourceHandle(module);
    }
    eTargetType type = TARGET_TYPE_CP;
    CTargetDlg dialog(nullptr);
    if (dialog.DoModal() == IDOK && dialog.m_nTarget != 0) type = TARGET_TYPE_AP;
    if (previous != nullptr) AfxSetResourceHandle(previous);
    return type;
}

CFlashExplorerData* CFlashExplorerManager::GetInstance(const CString& name) {
    CFlashExplorerData* existing = nullptr;
    if (FlashInstanceMap().Lookup(name, existing)) return existing;

    eTargetType type = TARGET_TYPE_CP;
    if (name == kGuiInstanceName) type = AskTargetType();

    // A failure anywhere in the creation leaves the registry as it was.
    std::unique_ptr<CFlashExplorerData> created;
    bool inserted = false;
    try {
        created.reset(new CFlashExplorerData());
        created->SetTargetType(type);
        created->m_strInstanceName = name;
        CString line;
        line.Format("Quorvex; Instance name: %s.", static_cast<LPCSTR>(name));
        FlashInstanceMap().SetAt(name, created.get());
        inserted = true;
        if (s_pLog != nullptr) s_pLog->WriteLogLine(line, kLogMask);
    } catch (...) {
        if (inserted) FlashInstanceMap().RemoveKey(name);
        throw;
    }
    return created.release();
}

void CFlashExplorerManager::DeleteInstance(const CString& name) {
    CFlashExplorerData* object = nullptr;
    if (!FlashInstanceMap().Lookup(name, object)) return;
    FlashInstanceMap().RemoveKey(name);
    delete object;
}

CFlashExplorerData* CFlashExplorerData::Instance(const CString& instanceName) {
    // Callers know the framework's memory exception, not the language's.
    try {
        CFlashExplorerManager::Instance();
        return CFlashExplorerManager::GetInstance(instanceName);
    } catch (const std::bad_alloc&) {
        AfxThrowMemoryException();
    }
}

void CFlashExplorerData::DeleteInstance(const CString& instanceName) {
    CFlashExplorerManager::Instance();
    CFlashExplorerManager::DeleteInstance(instanceName);
}
