// Resources carried inside a component library, readable from the file
// without loading it: an ELF section named "pxres" holds a table of entries
// (type, id, bytes). Types are the platform's: TYPELIB, STRING, BITMAP, ICON,
// DIALOG, VERSION.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/com/ComTypes.h"

struct ResourceEntry {
  std::string type;  // "TYPELIB", "STRING", ...
  uint32_t id = 0;
  std::vector<uint8_t> data;
};

// Serialises entries into the section payload.
PX_EXPORT std::vector<uint8_t> PackResources(const std::vector<ResourceEntry>& entries);
// Parses a section payload; nullopt when damaged.
PX_EXPORT std::optional<std::vector<ResourceEntry>> UnpackResources(const uint8_t* data, size_t size);
// Reads the "pxres" section of an ELF file at path (UTF-8); nullopt when the
// file is not ELF, has no such section, or the section is damaged.
PX_EXPORT std::optional<std::vector<ResourceEntry>> ReadResourcesFromFile(const std::string& path);
// The first entry of that type and id, or nullptr.
PX_EXPORT const ResourceEntry* FindResource(const std::vector<ResourceEntry>& entries, const std::string& type,
                                            uint32_t id);
