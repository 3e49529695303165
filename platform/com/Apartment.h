// Apartments and class lookup. A thread enters with CoInitialize (nested calls
// counted) and leaves with as many CoUninitialize calls. CoGetClassObject
// looks first at classes registered in-process with CoRegisterClassObject,
// then at the class registry: the library named under
// CLSID\{...}\InprocServer32 is loaded and asked through DllGetClassObject.
#pragma once

#include "platform/com/ComTypes.h"
#include "platform/com/Interfaces.h"

extern "C" {
PX_EXPORT HRESULT CoInitialize(void* pvReserved);
PX_EXPORT HRESULT CoInitializeEx(void* pvReserved, DWORD dwCoInit);
PX_EXPORT void CoUninitialize();
PX_EXPORT HRESULT CoGetClassObject(REFCLSID rclsid, DWORD dwClsContext, void* pvReserved, REFIID riid, void** ppv);
PX_EXPORT HRESULT CoCreateInstance(REFCLSID rclsid, IUnknown* pUnkOuter, DWORD dwClsContext, REFIID riid,
                                   void** ppv);
PX_EXPORT HRESULT CoRegisterClassObject(REFCLSID rclsid, IUnknown* pUnk, DWORD dwClsContext, DWORD flags,
                                        DWORD* lpdwRegister);
PX_EXPORT HRESULT CoRevokeClassObject(DWORD dwRegister);
// Unloads loaded libraries whose DllCanUnloadNow has answered S_OK, with no
// class object asked of them, for at least 10 ms of calls: a library that
// just said yes is kept until a later call, so call it again to finish.
PX_EXPORT void CoFreeUnusedLibraries();
PX_EXPORT HRESULT CLSIDFromProgID(LPCOLESTR lpszProgID, CLSID* lpclsid);
// *lplpszProgID is a BSTR-compatible allocation freed with CoTaskMemFree.
PX_EXPORT HRESULT ProgIDFromCLSID(REFCLSID clsid, LPOLESTR* lplpszProgID);
PX_EXPORT void* CoTaskMemAlloc(size_t cb);
PX_EXPORT void CoTaskMemFree(void* pv);
}

// The entry points that a component library exports.
using PFN_DllGetClassObject = HRESULT (*)(REFCLSID, REFIID, void**);
using PFN_DllCanUnloadNow = HRESULT (*)();
using PFN_DllRegisterServer = HRESULT (*)();
using PFN_DllUnregisterServer = HRESULT (*)();

#include <string>

// Why the last CoGetClassObject / CoCreateInstance / CLSIDFromProgID on this
// thread failed (the loader's message for a library that would not load);
// empty after a success.
PX_EXPORT std::string CoGetLastLoadError();
