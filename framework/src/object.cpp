// Run-time class information and the by-name class table.
#include "framework/object.h"

#include <cstring>
#include <mutex>
#include <vector>

namespace {

struct ClassTable {
    std::mutex mutex;
    std::vector<CRuntimeClass*> classes;
};

// Built on first use so that registration from static initialisers of any
// library works whatever the initialisation order.
ClassTable& Table() {
    static ClassTable* table = new ClassTable;  // never destroyed: unregistration may run late
    return *table;
}

}  // namespace

CRuntimeClass CObject::classCObject = {"CObject", sizeof(CObject), 0xFFFF, nullptr, nullptr};
static const AFX_CLASSINIT _init_CObject(&CObject::classCObject);

CObject* CRuntimeClass::CreateObject() const {
    return m_pfnCreateObject ? m_pfnCreateObject() : nullptr;
}

BOOL CRuntimeClass::IsDerivedFrom(const CRuntimeClass* pBaseClass) const {
    for (const CRuntimeClass* p = this; p; p = p->m_pBaseClass) {
        if (p == pBaseClass) return TRUE;
    }
    return FALSE;
}

CRuntimeClass* CRuntimeClass::FromName(LPCSTR lpszClassName) {
    if (!lpszClassName) return nullptr;
    ClassTable& t = Table();
    std::lock_guard<std::mutex> lock(t.mutex);
    // Newest first, so a class loaded later shadows an older one of the same name.
    for (auto it = t.classes.rbegin(); it != t.classes.rend(); ++it) {
        if (std::strcmp((*it)->m_lpszClassName, lpszClassName) == 0) return *it;
    }
    return nullptr;
}

CObject* CRuntimeClass::CreateObject(LPCSTR lpszClassName) {
    const CRuntimeClass* cls = FromName(lpszClassName);
    return cls ? cls->CreateObject() : nullptr;
}

AFX_CLASSINIT::AFX_CLASSINIT(CRuntimeClass* pNewClass) : m_pClass(pNewClass) {
    ClassTable& t = Table();
    std::lock_guard<std::mutex> lock(t.mutex);
    t.classes.push_back(pNewClass);
}

AFX_CLASSINIT::~AFX_CLASSINIT() {
    ClassTable& t = Table();
    std::lock_guard<std::mutex> lock(t.mutex);
    for (auto it = t.classes.begin(); it != t.classes.end(); ++it) {
        if (*it == m_pClass) {
            t.classes.erase(it);
            break;
        }
    }
}

CRuntimeClass* CObject::GetRuntimeClass() const {
    return &classCObject;
}

void CObject::Serialize(CArchive&) {}

void CObject::AssertValid() const {}

void CObject::Dump(CDumpContext&) const {}

BOOL CObject::IsKindOf(const CRuntimeClass* pClass) const {
    return GetRuntimeClass()->IsDerivedFrom(pClass);
}

BOOL CObject::IsSerializable() const {
    return GetRuntimeClass()->m_wSchema != 0xFFFF;
}
