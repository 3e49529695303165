// The class registry's text form: any file a user or a crash left behind.
// What parses must write back to text that parses to the same tree.
#include <cstdlib>
#include <string_view>

#include "platform/registry/Registry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  reg::RegTree tree;
  try {
    tree = reg::RegTree::Parse(text);
  } catch (const reg::RegistryError&) {
    return 0;
  }
  std::string once = tree.Serialize();
  reg::RegTree again;
  try {
    again = reg::RegTree::Parse(once);
  } catch (const reg::RegistryError&) {
    std::abort();  // the registry cannot read what it wrote
  }
  if (!(again == tree) || again.Serialize() != once) std::abort();
  // Every key the tree lists can be looked up and walked.
  for (const std::string& sub : tree.SubKeys("")) {
    if (!tree.HasKey(sub)) std::abort();
    for (const std::string& name : tree.ValueNames(sub))
      if (!tree.Get(sub, name)) std::abort();
  }
  return 0;
}
