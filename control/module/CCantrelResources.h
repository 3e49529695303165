// The resources that the control library carries: type library, strings,
// toolbox bitmap, about-box icon, the about box and property page dialogs,
// and the version record. Built once, at build time, into the library file.
#pragma once

#include <vector>

#include "platform/com/Resources.h"
#include "platform/olectl/CDialogTemplate.h"
#include "platform/olectl/CVersionInfo.h"

class CCantrelResources {
 public:
  // Every resource, with the type library's bytes as TYPELIB 1.
  static std::vector<ResourceEntry> Build(const std::vector<uint8_t>& vecTypeLib);

  static CDialogTemplate AboutBox();
  static CDialogTemplate PropPage();
  static CVersionInfo Version();
  // Palette indices of the disc picture (16 or more: transparent).
  static std::vector<uint8_t> DiscPicture(int nSize, bool bTransparentBackground);
};
