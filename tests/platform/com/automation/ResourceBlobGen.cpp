// Build step for the tests: a packed resource table made with PackResources.
#include <cstdio>

#include "platform/com/Resources.h"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  std::vector<ResourceEntry> entries = {
      {"STRING", 7, {'s', 'e', 'v', 'e', 'n'}},
      {"BITMAP", 1, std::vector<uint8_t>(300, 0xAB)},
      {"STRING", 8, {}},
  };
  const auto blob = PackResources(entries);
  FILE* f = std::fopen(argv[1], "wb");
  if (!f) return 1;
  const bool ok = std::fwrite(blob.data(), 1, blob.size(), f) == blob.size();
  return (std::fclose(f) == 0 && ok) ? 0 : 1;
}
