#include "platform/olectl/AfxResource.h"

#include "platform/com/Resources.h"
#include "platform/olectl/COleControlModule.h"

std::optional<std::vector<uint8_t>> AfxLoadResource(HINSTANCE hInstance, const char* pszType, UINT nID) {
  std::string path = AfxGetModuleFileName(hInstance);
  if (path.empty() || !pszType) return std::nullopt;
  std::optional<std::vector<ResourceEntry>> entries = ReadResourcesFromFile(path);
  if (!entries) return std::nullopt;
  const ResourceEntry* e = FindResource(*entries, pszType, nID);
  if (!e) return std::nullopt;
  return e->data;
}

std::optional<std::u16string> AfxLoadString(HINSTANCE hInstance, UINT nID) {
  std::optional<std::vector<uint8_t>> data = AfxLoadResource(hInstance, "STRING", nID);
  if (!data) return std::nullopt;
  return AfxParseStringResource(*data);
}

std::vector<uint8_t> AfxMakeStringResource(std::u16string_view text) {
  std::vector<uint8_t> out;
  out.reserve(text.size() * 2);
  for (char16_t c : text) {
    out.push_back(static_cast<uint8_t>(c & 0xFF));
    out.push_back(static_cast<uint8_t>(c >> 8));
  }
  return out;
}

std::optional<std::u16string> AfxParseStringResource(const std::vector<uint8_t>& data) {
  if (data.size() % 2 != 0) return std::nullopt;
  std::u16string s;
  s.reserve(data.size() / 2);
  for (size_t i = 0; i < data.size(); i += 2) s.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
  return s;
}
