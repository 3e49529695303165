#include "platform/olectl/COleObjectFactory.h"

#include <link.h>

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <new>
#include <vector>

#include "platform/com/ComPtr.h"
#include "platform/olectl/AfxOleRegister.h"
#include "platform/olectl/CCmdTarget.h"
#include "platform/olectl/COleControlModule.h"

namespace {

struct FactoryList {
  std::mutex lock;
  std::vector<COleObjectFactory*> factories;  // construction order
};

FactoryList& Factories() {
  static FactoryList list;
  return list;
}

// Factories of the library loaded at hInstance.
std::vector<COleObjectFactory*> FactoriesOf(void* hInstance) {
  FactoryList& list = Factories();
  std::lock_guard<std::mutex> guard(list.lock);
  std::vector<COleObjectFactory*> out;
  for (COleObjectFactory* f : list.factories)
    if (f->GetInstanceHandle() == hInstance) out.push_back(f);
  return out;
}

int FirstObjectBase(struct dl_phdr_info* info, size_t, void* data) {
  uintptr_t lowest = UINTPTR_MAX;
  for (int i = 0; i < info->dlpi_phnum; ++i)
    if (info->dlpi_phdr[i].p_type == PT_LOAD) lowest = std::min<uintptr_t>(lowest, info->dlpi_phdr[i].p_vaddr);
  if (lowest != UINTPTR_MAX)
    *static_cast<void**>(data) = reinterpret_cast<void*>((info->dlpi_addr + lowest) & ~uintptr_t{4095});
  return 1;  // the first object is the program
}

// The library whose state is current: its factories are the ones asked.
// The host's state stands for the program itself.
void* CurrentInstance() {
  AFX_MODULE_STATE* state = AfxGetModuleState();
  if (state && state->m_hInstance) return state->m_hInstance;
  void* base = nullptr;
  dl_iterate_phdr(FirstObjectBase, &base);
  return base;
}

}  // namespace

COleObjectFactory::COleObjectFactory(REFCLSID clsid, AFX_PFN_CREATEOBJECT pfnCreate, BOOL bMultiInstance, int nFlags,
                                     const char* lpszProgID)
    : ComContained(nullptr),
      m_clsid(clsid),
      m_pfnCreate(pfnCreate),
      m_bMultiInstance(bMultiInstance),
      m_nFlags(nFlags),
      m_strProgID(lpszProgID ? lpszProgID : ""),
      m_hInstance(AfxFindInstanceHandle(this)) {
  FactoryList& list = Factories();
  std::lock_guard<std::mutex> guard(list.lock);
  list.factories.push_back(this);
}

COleObjectFactory::COleObjectFactory(REFCLSID clsid, AFX_PFN_CREATEOBJECT pfnCreate, BOOL bMultiInstance,
                                     const char* lpszProgID)
    : COleObjectFactory(clsid, pfnCreate, bMultiInstance, afxRegDefault, lpszProgID) {}

COleObjectFactory::~COleObjectFactory() {
  FactoryList& list = Factories();
  std::lock_guard<std::mutex> guard(list.lock);
  list.factories.erase(std::remove(list.factories.begin(), list.factories.end(), this), list.factories.end());
}

AFX_MODULE_STATE* COleObjectFactory::GetModuleState() const {
  if (COleControlModule* module = COleControlModule::FromInstanceHandle(m_hInstance)) return module->GetModuleState();
  return AfxGetAppModuleState();
}

HRESULT COleObjectFactory::CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (pUnkOuter) return CLASS_E_NOAGGREGATION;
  AFX_MANAGE_STATE(GetModuleState());
  ComPtr<CCmdTarget> pObject;
  try {
    pObject = OnCreateObject();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  if (!pObject) return E_OUTOFMEMORY;
  // The creation count is ours; the caller gets its own through the query.
  return pObject->QueryInterface(riid, ppv);
}

HRESULT COleObjectFactory::LockServer(BOOL fLock) {
  AFX_MANAGE_STATE(GetModuleState());
  if (fLock)
    AfxOleLockApp();
  else
    AfxOleUnlockApp();
  return S_OK;
}

ComPtr<CCmdTarget> COleObjectFactory::OnCreateObject() { return m_pfnCreate ? m_pfnCreate() : nullptr; }

BOOL COleObjectFactory::UpdateRegistry(BOOL bRegister) {
  if (bRegister) return AfxOleRegisterServerClass(m_hInstance, m_clsid, GetProgID(), m_nFlags);
  return AfxOleUnregisterClass(m_clsid, GetProgID());
}

BOOL COleObjectFactory::UpdateRegistryAll(BOOL bRegister) {
  for (COleObjectFactory* f : FactoriesOf(CurrentInstance()))
    if (!f->UpdateRegistry(bRegister)) return FALSE;
  return TRUE;
}

COleObjectFactory* COleObjectFactory::FindFactory(REFCLSID clsid) {
  for (COleObjectFactory* f : FactoriesOf(CurrentInstance()))
    if (f->GetClassID() == clsid) return f;
  return nullptr;
}

HRESULT AfxDllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  COleObjectFactory* f = COleObjectFactory::FindFactory(rclsid);
  if (!f) return CLASS_E_CLASSNOTAVAILABLE;
  return f->QueryInterface(riid, ppv);
}
