#include "tools/regsvr/ResourceInfo.h"

#include "platform/com/Bstr.h"
#include "platform/com/ComPtr.h"
#include "platform/com/Guid.h"
#include "platform/com/Resources.h"
#include "platform/com/TypeLib.h"
#include "platform/com/Utf.h"
#include "platform/olectl/AfxResource.h"
#include "platform/olectl/CDialogTemplate.h"
#include "platform/olectl/CDibImage.h"
#include "platform/olectl/CVersionInfo.h"

namespace {

std::string U8(const std::u16string& s) { return Utf16ToUtf8(s); }

std::string Quoted(const std::u16string& s) {
  std::string text(1, '"');
  text += U8(s);
  text += '"';
  return text;
}

std::string NameOrOrdinal(const CDialogTemplate::NameOrOrdinal& n) {
  if (!n.isOrdinal) return Quoted(n.name);
  std::string text(1, '#');
  text += std::to_string(n.ordinal);
  return text;
}

std::string ItemKind(const CDialogTemplate::Item& it) {
  if (!it.windowClass.isOrdinal) return "control " + Quoted(it.windowClass.name);
  switch (it.windowClass.ordinal) {
    case DLGC_BUTTON:
      return (it.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON ? "default push button" : "push button";
    case DLGC_EDIT:
      return "edit";
    case DLGC_STATIC:
      switch (it.style & SS_TYPEMASK) {
        case SS_ICON:
          return "static icon";
        case SS_CENTER:
          return "static text, centred";
        case SS_RIGHT:
          return "static text, right-aligned";
        case SS_LEFT:
          return "static text, left-aligned";
        default:
          return "static";
      }
    default:
      return "control #" + std::to_string(it.windowClass.ordinal);
  }
}

void PrintTypeLib(const ResourceEntry& e, std::FILE* out) {
  ComPtr<ITypeLib> lib;
  if (FAILED(LoadTypeLibFromMemory(e.data.data(), e.data.size(), lib.ReleaseAndGetAddressOf())) || !lib) {
    std::fprintf(out, "type library, damaged (%zu bytes)\n", e.data.size());
    return;
  }
  CBstr name, help;
  lib->GetDocumentation(-1, name.ReleaseAndGetAddressOf(), help.ReleaseAndGetAddressOf(), nullptr, nullptr);
  TLIBATTR* attr = nullptr;
  std::string identity;
  if (SUCCEEDED(lib->GetLibAttr(&attr)) && attr) {
    char version[32];
    std::snprintf(version, sizeof version, "%u.%u", attr->wMajorVerNum, attr->wMinorVerNum);
    identity = GuidToString(attr->guid) + " version " + version;
    lib->ReleaseTLibAttr(attr);
  }
  std::fprintf(out, "type library %s %s, %u type descriptions (%zu bytes)\n", U8(name.Str()).c_str(),
               identity.c_str(), lib->GetTypeInfoCount(), e.data.size());
}

void PrintDialog(const ResourceEntry& e, std::FILE* out) {
  std::optional<CDialogTemplate> t = CDialogTemplate::Parse(e.data);
  if (!t) {
    std::fprintf(out, "dialog, damaged (%zu bytes)\n", e.data.size());
    return;
  }
  std::fprintf(out, "%s dialog, %d x %d at %d, %d, style 0x%08X, caption %s", t->extended ? "extended" : "classic",
               t->cx, t->cy, t->x, t->y, t->style, Quoted(t->caption).c_str());
  if (t->style & DS_SETFONT) std::fprintf(out, ", font %u %s", t->pointSize, Quoted(t->typeface).c_str());
  std::fprintf(out, ", %zu items\n", t->items.size());
  int n = 0;
  for (const CDialogTemplate::Item& it : t->items)
    std::fprintf(out, "  item %d: %s at %d, %d, %d x %d, text %s, id %d, style 0x%08X\n", ++n, ItemKind(it).c_str(),
                 it.x, it.y, it.cx, it.cy, NameOrOrdinal(it.title).c_str(), it.id, it.style);
}

void PrintVersion(const ResourceEntry& e, std::FILE* out) {
  std::optional<CVersionInfo> v = CVersionInfo::Parse(e.data);
  if (!v) {
    std::fprintf(out, "version record, damaged (%zu bytes)\n", e.data.size());
    return;
  }
  const char* type = v->fileType == VFT_DLL ? "dynamic-link library" : v->fileType == VFT_APP ? "application" : "other";
  std::fprintf(out, "version record, file %u.%u.%u.%u, product %u.%u.%u.%u, %s%s, language 0x%04X code page %u\n",
               v->fileVersion[0], v->fileVersion[1], v->fileVersion[2], v->fileVersion[3], v->productVersion[0],
               v->productVersion[1], v->productVersion[2], v->productVersion[3], type,
               v->fileOS == VOS__WINDOWS32 ? " for 32-bit Windows" : "", v->language, v->codePage);
  for (const auto& [key, value] : v->strings) std::fprintf(out, "  %s: %s\n", U8(key).c_str(), Quoted(value).c_str());
}

void PrintImage(const CDibImage& img, std::FILE* out) {
  if (img.bitCount <= 8)
    std::fprintf(out, "%d x %d, %d colours", img.width, img.height, 1 << img.bitCount);
  else
    std::fprintf(out, "%d x %d, %d-bit colour", img.width, img.height, img.bitCount);
}

}  // namespace

int PrintResourceInfo(const std::string& path, std::FILE* out, std::FILE* err) {
  std::optional<std::vector<ResourceEntry>> entries = ReadResourcesFromFile(path);
  if (!entries) {
    std::fprintf(err, "regsvr: %s has no readable resources\n", path.c_str());
    return 1;
  }
  std::fprintf(out, "%s: %zu resources\n", path.c_str(), entries->size());
  for (const ResourceEntry& e : *entries) {
    std::fprintf(out, "%s %u: ", e.type.c_str(), e.id);
    if (e.type == "TYPELIB") {
      PrintTypeLib(e, out);
    } else if (e.type == "STRING") {
      std::optional<std::u16string> s = AfxParseStringResource(e.data);
      std::fprintf(out, "%s\n", s ? Quoted(*s).c_str() : "string, damaged");
    } else if (e.type == "BITMAP") {
      std::optional<CDibImage> img = CDibImage::ParseBitmap(e.data);
      if (img) {
        std::fprintf(out, "bitmap, ");
        PrintImage(*img, out);
        std::fprintf(out, "\n");
      } else {
        std::fprintf(out, "bitmap, damaged\n");
      }
    } else if (e.type == "ICON") {
      std::optional<std::vector<CDibImage>> icons = CDibImage::ParseIcon(e.data);
      if (icons) {
        std::fprintf(out, "icon");
        for (const CDibImage& img : *icons) {
          std::fprintf(out, ", ");
          PrintImage(img, out);
        }
        std::fprintf(out, "\n");
      } else {
        std::fprintf(out, "icon, damaged\n");
      }
    } else if (e.type == "DIALOG") {
      PrintDialog(e, out);
    } else if (e.type == "VERSION") {
      PrintVersion(e, out);
    } else {
      std::fprintf(out, "%zu bytes\n", e.data.size());
    }
  }
  return 0;
}
