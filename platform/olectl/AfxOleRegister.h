// Registration of classes and type libraries in the class registry, with
// the framework's data layout. Every helper answers FALSE when the registry
// cannot be written or a resource it needs is missing; removing something
// that is not registered is no failure for classes.
#pragma once

#include "platform/com/ComTypes.h"
#include "platform/olectl/AfxResource.h"

// A control: CLSID\{clsid} = type name (string idTypeName), InprocServer32 =
// the library's path (ThreadingModel from nRegFlags), ProgID, Control,
// ToolboxBitmap32 = "<path>, idBitmap", MiscStatus = "0" with \1 =
// dwMiscStatus, TypeLib = tlid, Version = "major.minor"; Insertable only
// with afxRegInsertable. The ProgID key names the type and the class id.
PX_EXPORT BOOL AfxOleRegisterControlClass(HINSTANCE hInstance, REFCLSID clsid, const char* pszProgID, UINT idTypeName,
                                          UINT idBitmap, int nRegFlags, DWORD dwMiscStatus, REFGUID tlid,
                                          WORD wVerMajor, WORD wVerMinor);
// A property page: CLSID\{clsid} = type name, InprocServer32 = the path.
PX_EXPORT BOOL AfxOleRegisterPropertyPageClass(HINSTANCE hInstance, REFCLSID clsid, UINT idTypeName,
                                               int nRegFlags = 0);
// An automation class: CLSID\{clsid} = ProgID with ProgID and
// InprocServer32 sub-keys, and the ProgID key with its class id.
PX_EXPORT BOOL AfxOleRegisterServerClass(HINSTANCE hInstance, REFCLSID clsid, const char* pszProgID, int nRegFlags);
// Removes CLSID\{clsid} and, when given, the ProgID key.
PX_EXPORT BOOL AfxOleUnregisterClass(REFCLSID clsid, const char* pszProgID);
// Registers the type library that the library (or pszFileName in its
// folder) carries as TYPELIB 1; FALSE unless its identity is tlid.
PX_EXPORT BOOL AfxOleRegisterTypeLib(HINSTANCE hInstance, REFGUID tlid, const char* pszFileName = nullptr,
                                     const char* pszHelpDir = nullptr);
PX_EXPORT BOOL AfxOleUnregisterTypeLib(REFGUID tlid, WORD wVerMajor = 0, WORD wVerMinor = 0, LCID lcid = 0);
