// Resources read out of a component library file without loading it: the
// ELF section lookup and the table inside the section. Half the inputs are
// files, half bare section payloads; a payload that unpacks packs back to
// the same entries.
#include <algorithm>
#include <cstdlib>
#include <tuple>

#include "fuzz/FuzzSupport.h"
#include "platform/com/Resources.h"

bool SameEntries(const std::vector<ResourceEntry>& a, const std::vector<ResourceEntry>& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const ResourceEntry& x, const ResourceEntry& y) {
    return std::tie(x.type, x.id, x.data) == std::tie(y.type, y.id, y.data);
  });
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t* body = data + 1;
  const size_t n = size - 1;
  if (data[0] & 1) {
    static CFuzzFile file;
    file.Write(body, n);
    auto entries = ReadResourcesFromFile(file.Path());
    if (entries) (void)FindResource(*entries, "TYPELIB", 1);
    return 0;
  }
  auto entries = UnpackResources(body, n);
  if (!entries) return 0;
  const std::vector<uint8_t> packed = PackResources(*entries);
  if (auto again = UnpackResources(packed.data(), packed.size()); !again || !SameEntries(*again, *entries)) std::abort();
  return 0;
}
