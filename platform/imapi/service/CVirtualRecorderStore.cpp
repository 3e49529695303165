#include "platform/imapi/service/CVirtualRecorderStore.h"

#include <algorithm>
#include <charconv>
#include <stdexcept>

namespace {

std::optional<unsigned> ParseNumber(const std::string& s) {
  unsigned n = 0;
  auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), n);
  if (ec != std::errc() || p != s.data() + s.size() || s.empty()) return std::nullopt;
  return n;
}

bool IsInquiryText(const std::string& s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return c >= 0x20 && c <= 0x7E; });
}

}  // namespace

std::vector<VirtualRecorderConfig> CVirtualRecorderStore::FromTree(const reg::RegTree& tree) {
  std::vector<VirtualRecorderConfig> out;
  for (const std::string& name : tree.SubKeys(kKey)) {
    auto number = ParseNumber(name);
    if (!number) continue;
    const std::string key = std::string(kKey) + "\\" + name;
    VirtualRecorderConfig c;
    c.number = *number;
    c.folder = tree.GetString(key, "Folder").value_or("");
    c.vendor = tree.GetString(key, "Vendor").value_or(c.vendor);
    c.product = tree.GetString(key, "Product").value_or(c.product);
    c.revision = tree.GetString(key, "Revision").value_or(c.revision);
    c.media = tree.GetString(key, "Media").value_or(c.media);
    c.minutes = tree.GetDword(key, "Minutes").value_or(c.minutes);
    c.speed = tree.GetDword(key, "Speed").value_or(c.speed);
    if (Check(c).empty()) out.push_back(std::move(c));
  }
  std::sort(out.begin(), out.end(), [](const auto& a, const auto& b) { return a.number < b.number; });
  return out;
}

std::vector<VirtualRecorderConfig> CVirtualRecorderStore::Load() const { return FromTree(m_registry.Load()); }

std::string CVirtualRecorderStore::Check(const VirtualRecorderConfig& c) {
  if (c.folder.empty() || c.folder.front() != '/') return "the folder must be an absolute path";
  if (c.vendor.empty() || c.vendor.size() > kVendorWidth || !IsInquiryText(c.vendor))
    return "the vendor must be 1 to 8 printable ASCII characters";
  if (c.product.empty() || c.product.size() > kProductWidth || !IsInquiryText(c.product))
    return "the product must be 1 to 16 printable ASCII characters";
  if (c.revision.empty() || c.revision.size() > kRevisionWidth || !IsInquiryText(c.revision))
    return "the revision must be 1 to 4 printable ASCII characters";
  if (c.media != "cd-r" && c.media != "cd-rw") return "the media must be cd-r or cd-rw";
  if (c.minutes != 74 && c.minutes != 80) return "the disc must hold 74 or 80 minutes";
  if (c.speed > kMaxSpeed) return "the speed must be 1 to 100, or max";
  return {};
}

unsigned CVirtualRecorderStore::Add(VirtualRecorderConfig config) {
  if (std::string why = Check(config); !why.empty()) throw std::invalid_argument(why);
  unsigned number = 0;
  m_registry.Update([&](reg::RegTree& tree) {
    unsigned next = 1;
    for (const auto& existing : FromTree(tree)) {
      if (existing.folder == config.folder)
        throw std::invalid_argument("the folder " + config.folder + " is already used by another virtual recorder");
    }
    for (const std::string& name : tree.SubKeys(kKey))
      if (auto n = ParseNumber(name)) next = std::max(next, *n + 1);
    number = next;
    const std::string key = std::string(kKey) + "\\" + std::to_string(number);
    tree.SetString(key, "Folder", config.folder);
    tree.SetString(key, "Vendor", config.vendor);
    tree.SetString(key, "Product", config.product);
    tree.SetString(key, "Revision", config.revision);
    tree.SetString(key, "Media", config.media);
    tree.SetDword(key, "Minutes", config.minutes);
    tree.SetDword(key, "Speed", config.speed);
  });
  return number;
}

bool CVirtualRecorderStore::Remove(unsigned number) {
  bool removed = false;
  m_registry.Update([&](reg::RegTree& tree) {
    removed = tree.DeleteKey(std::string(kKey) + "\\" + std::to_string(number));
  });
  return removed;
}
