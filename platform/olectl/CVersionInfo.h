// The version record of a library (resource VERSION 1) in the platform's
// binary form: VS_VERSIONINFO with its fixed file information, one string
// table per language and code page, and the translation list.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/com/ComTypes.h"

constexpr DWORD VS_FFI_SIGNATURE = 0xFEEF04BD;
constexpr DWORD VS_FFI_STRUCVERSION = 0x00010000;
constexpr DWORD VS_FFI_FILEFLAGSMASK = 0x0000003F;
constexpr DWORD VOS__WINDOWS32 = 0x00000004;
constexpr DWORD VFT_APP = 0x00000001;
constexpr DWORD VFT_DLL = 0x00000002;

class PX_EXPORT CVersionInfo {
 public:
  WORD fileVersion[4] = {0, 0, 0, 0};
  WORD productVersion[4] = {0, 0, 0, 0};
  DWORD fileFlags = 0;
  DWORD fileOS = VOS__WINDOWS32;
  DWORD fileType = VFT_DLL;
  WORD language = 0;   // e.g. 0x0804
  WORD codePage = 0;   // e.g. 936
  // The string table of language/codePage: InternalName, OriginalFilename...
  std::map<std::u16string, std::u16string> strings;

  std::vector<uint8_t> Build() const;
  // nullopt for damaged data or a missing fixed part.
  static std::optional<CVersionInfo> Parse(const std::vector<uint8_t>& data);
};
