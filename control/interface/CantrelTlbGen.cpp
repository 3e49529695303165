// Build step: writes the control's type library in its binary form, so that
// the module can carry it as resource TYPELIB 1.
#include <cstdio>

#include "control/interface/CantrelTables.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output.tlb>\n", argv[0]);
    return 2;
  }
  const std::vector<uint8_t> blob = BuildTypeLibBlob(CantrelTypeLibDescription());
  FILE* f = std::fopen(argv[1], "wb");
  if (!f) {
    std::perror(argv[1]);
    return 1;
  }
  const bool ok = std::fwrite(blob.data(), 1, blob.size(), f) == blob.size();
  if (std::fclose(f) != 0 || !ok) {
    std::fprintf(stderr, "%s: write failed\n", argv[1]);
    std::remove(argv[1]);
    return 1;
  }
  return 0;
}
