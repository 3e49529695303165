// Type libraries: a compact binary form that a component library carries as
// its resource TYPELIB 1, served through ITypeLib/ITypeInfo. The parser
// checks every offset and length; a damaged blob gives TYPE_E_INVDATAREAD
// or TYPE_E_UNSUPFORMAT, never a crash.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/com/ComTypes.h"
#include "platform/com/DispatchTable.h"
#include "platform/com/Interfaces.h"

enum REGKIND { REGKIND_DEFAULT, REGKIND_REGISTER, REGKIND_NONE };

extern "C" {
// szFile: a component library (its TYPELIB 1 resource is read) or a bare
// type-library file. Paths may use "\" as separator.
PX_EXPORT HRESULT LoadTypeLib(LPCOLESTR szFile, ITypeLib** pptlib);
PX_EXPORT HRESULT LoadTypeLibEx(LPCOLESTR szFile, REGKIND regkind, ITypeLib** pptlib);
// Looks up TypeLib\{guid}\major.minor\lcid\win32 in the class registry.
PX_EXPORT HRESULT LoadRegTypeLib(REFGUID rguid, WORD wVerMajor, WORD wVerMinor, LCID lcid, ITypeLib** pptlib);
// Writes TypeLib\{guid}\major.minor (name, 0\win32 = file, FLAGS, HELPDIR)
// and Interface\{iid} entries for the library's dispinterfaces.
PX_EXPORT HRESULT RegisterTypeLib(ITypeLib* ptlib, LPCOLESTR szFullPath, LPCOLESTR szHelpDir);
PX_EXPORT HRESULT UnRegisterTypeLib(REFGUID libID, WORD wVerMajor, WORD wVerMinor, LCID lcid, SYSKIND syskind);
// Builds a library in memory from its binary form.
PX_EXPORT HRESULT LoadTypeLibFromMemory(const void* data, size_t size, ITypeLib** pptlib);
}

// ---- Building a library from member tables ---------------------------------

struct TypeLibImplType {
  std::u16string interfaceName;  // a dispinterface of the same library
  int implTypeFlags = 0;         // IMPLTYPEFLAG_*
};

struct TypeLibEntry {
  TYPEKIND kind = TKIND_DISPATCH;     // TKIND_DISPATCH or TKIND_COCLASS
  std::u16string name;
  GUID guid = GUID_NULL;
  std::u16string helpString;
  WORD typeFlags = 0;                 // TYPEFLAG_*
  const DispatchTable* members = nullptr;   // dispinterface: its members (null: none)
  std::vector<TypeLibImplType> implTypes;   // coclass
};

struct TypeLibDescription {
  std::u16string name;
  GUID guid = GUID_NULL;
  WORD majorVersion = 1;
  WORD minorVersion = 0;
  LCID lcid = 0;
  SYSKIND syskind = SYS_WIN32;
  WORD libFlags = 0;                  // LIBFLAG_*
  std::u16string helpString;
  std::u16string helpFile;
  DWORD helpContext = 0;
  std::vector<std::u16string> importedLibraries;   // e.g. u"stdole2.tlb"
  std::vector<TypeLibEntry> entries;  // in library order
};

// The binary form of a library (what LoadTypeLibFromMemory reads).
PX_EXPORT std::vector<uint8_t> BuildTypeLibBlob(const TypeLibDescription& d);
