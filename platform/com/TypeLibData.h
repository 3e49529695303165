// A type library as held in memory once its binary form has been read and
// checked: immutable, shared by the library object and its type infos.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/com/DispatchTable.h"
#include "platform/com/TypeLib.h"

struct TypeLibData {
  struct ImplType {
    uint32_t entry = 0;  // index of a dispinterface of this library
    int flags = 0;
  };
  struct Entry {
    TYPEKIND kind = TKIND_DISPATCH;
    std::u16string name;
    GUID guid = GUID_NULL;
    std::u16string helpString;
    WORD typeFlags = 0;
    std::unique_ptr<DispatchTable> members;  // dispinterfaces (handlers null)
    std::vector<ImplType> implTypes;         // coclasses
  };

  std::u16string name;
  GUID guid = GUID_NULL;
  WORD majorVersion = 0;
  WORD minorVersion = 0;
  LCID lcid = 0;
  SYSKIND syskind = SYS_WIN32;
  WORD libFlags = 0;
  std::u16string helpString;
  std::u16string helpFile;
  DWORD helpContext = 0;
  std::vector<std::u16string> importedLibraries;
  std::vector<Entry> entries;

  // The entry with that name among the dispinterfaces, or -1.
  int FindDispinterface(std::u16string_view name) const;
};

// Reads the binary form; S_OK, TYPE_E_UNSUPFORMAT (not this format or an
// unknown version) or TYPE_E_INVDATAREAD (truncated or inconsistent).
HRESULT ParseTypeLibBlob(const uint8_t* data, size_t size, TypeLibData& out);
