// Resources read out of a component library file without loading it: the
// ELF section lookup and the table inside the section. Half the inputs are
// files, half bare section payloads; a payload that unpacks packs back to
// the same entries.
#include <cstdlib>

#include "fuzz/CFuzzFile.h"
#include "platform/com/Resources.h"

namespace {

bool SameEntries(const std::vector<ResourceEntry>& a, const std::vector<ResourceEntry>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i].type != b[i].type || a[i].id != b[i].id || a[i].data != b[i].data) return false;
  return true;
}

}  // namespace

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
  std::vector<uint8_t> packed = PackResources(*entries);
  auto again = UnpackResources(packed.data(), packed.size());
  if (!again || !SameEntries(*again, *entries)) std::abort();
  return 0;
}
