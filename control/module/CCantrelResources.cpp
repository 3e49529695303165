#include "control/module/CCantrelResources.h"

#include <cmath>
#include <string>

#include "control/module/ResourceIds.h"
#include "platform/Version.h"
#include "platform/olectl/AfxResource.h"
#include "platform/olectl/CDibImage.h"

namespace {

CDialogTemplate::Item Item(DWORD dwStyle, SHORT x, SHORT y, SHORT cx, SHORT cy, int nID, WORD wClass,
                           CDialogTemplate::NameOrOrdinal title) {
  CDialogTemplate::Item it;
  it.style = WS_CHILD | WS_VISIBLE | dwStyle;
  it.x = x;
  it.y = y;
  it.cx = cx;
  it.cy = cy;
  it.id = nID;
  it.windowClass = CDialogTemplate::NameOrOrdinal::Ordinal(wClass);
  it.title = std::move(title);
  return it;
}

}  // namespace

CDialogTemplate CCantrelResources::AboutBox() {
  using N = CDialogTemplate::NameOrOrdinal;
  CDialogTemplate t;
  t.extended = false;
  t.style = DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_SETFONT;
  t.x = 34;
  t.y = 22;
  t.cx = 260;
  t.cy = 55;
  t.caption = u"About cantrel Control";
  t.pointSize = 9;
  t.typeface = u"MS Sans Serif";
  t.items.push_back(Item(SS_ICON, 10, 10, 20, 20, IDC_STATIC, DLGC_STATIC, N::Ordinal(IDI_ABOUTDLL)));
  t.items.push_back(Item(SS_LEFT | WS_GROUP, 40, 10, 170, 8, IDC_STATIC, DLGC_STATIC,
                         N::Name(u"cantrel Control, Version 1.0")));
  t.items.push_back(Item(SS_LEFT | WS_GROUP, 40, 25, 170, 8, IDC_STATIC, DLGC_STATIC,
                         N::Name(u"Burns audio CDs from WAV files")));
  t.items.push_back(Item(BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP, 221, 7, 32, 16, IDOK, DLGC_BUTTON, N::Name(u"OK")));
  return t;
}

CDialogTemplate CCantrelResources::PropPage() {
  CDialogTemplate t;
  t.extended = true;
  t.style = WS_CHILD | DS_SETFONT;
  t.cx = 250;
  t.cy = 62;
  t.pointSize = 9;
  t.typeface = u"MS Sans Serif";
  return t;
}

CVersionInfo CCantrelResources::Version() {
  CVersionInfo v;
  // The project's version, written the way version resources write it.
  const WORD version[4] = {CANTREL_VERSION_MAJOR, CANTREL_VERSION_MINOR, CANTREL_VERSION_PATCH, CANTREL_VERSION_TWEAK};
  std::u16string text;
  for (int i = 0; i < 4; ++i) {
    v.fileVersion[i] = v.productVersion[i] = version[i];
    for (char c : (i ? ", " : "") + std::to_string(version[i])) text += static_cast<char16_t>(c);
  }
  v.fileOS = VOS__WINDOWS32;
  v.fileType = VFT_DLL;
  v.language = 0x0804;
  v.codePage = 936;
  v.strings = {
      {u"CompanyName", u""},
      {u"FileDescription", u"cantrel ActiveX Control Module"},
      {u"FileVersion", text},
      {u"InternalName", u"cantrel.ocx"},
      {u"LegalCopyright", u""},
      {u"OriginalFilename", u"cantrel.ocx"},
      {u"ProductName", u"cantrel ActiveX Control Module"},
      {u"ProductVersion", text},
      {u"OLESelfRegister", u""},
  };
  return v;
}

std::vector<uint8_t> CCantrelResources::DiscPicture(int nSize, bool bTransparentBackground) {
  // A silver disc with a dark hub and a coloured sheen, on grey or clear.
  const uint8_t background = bTransparentBackground ? 16 : 7;
  std::vector<uint8_t> pixels(static_cast<size_t>(nSize * nSize), background);
  const double c = (nSize - 1) / 2.0;
  const double outer = nSize / 2.0 - 0.5;
  for (int y = 0; y < nSize; ++y)
    for (int x = 0; x < nSize; ++x) {
      const double dx = x - c, dy = y - c;
      const double r = std::sqrt(dx * dx + dy * dy);
      uint8_t v = background;
      if (r <= outer) v = 0;                       // rim
      if (r <= outer - 1) v = 15;                  // surface
      if (r <= outer - 1 && dx > 0 && dy < 0) v = (dx > -dy) ? 14 : 11;  // sheen
      if (r <= outer * 0.4) v = 8;                 // hub
      if (r <= outer * 0.15) v = background;       // hole
      pixels[static_cast<size_t>(y * nSize + x)] = v;
    }
  return pixels;
}

std::vector<ResourceEntry> CCantrelResources::Build(const std::vector<uint8_t>& vecTypeLib) {
  std::vector<ResourceEntry> entries;
  entries.push_back({"TYPELIB", IDR_TYPELIB, vecTypeLib});
  entries.push_back({"STRING", IDS_CANTREL, AfxMakeStringResource(u"cantrel Control")});
  entries.push_back({"STRING", IDS_CANTREL_PPG, AfxMakeStringResource(u"cantrel Property Page")});
  entries.push_back({"STRING", IDS_CANTREL_PPG_CAPTION, AfxMakeStringResource(u"General")});
  entries.push_back({"BITMAP", IDB_CANTREL, CDibImage::Build4(16, 16, DiscPicture(16, false))});
  entries.push_back({"ICON", IDI_ABOUTDLL,
                     CDibImage::BuildIcon({{32, DiscPicture(32, true)}, {16, DiscPicture(16, true)}})});
  entries.push_back({"DIALOG", IDD_ABOUTBOX_CANTREL, AboutBox().Build()});
  entries.push_back({"DIALOG", IDD_PROPPAGE_CANTREL, PropPage().Build()});
  entries.push_back({"VERSION", IDR_VERSION, Version().Build()});
  return entries;
}
