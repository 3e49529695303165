// Writes the control library's packed resources: resgen OUTPUT TYPELIB-FILE.
#include <cstdio>
#include <fstream>
#include <iterator>

#include "control/module/CCantrelResources.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s OUTPUT TYPELIB\n", argv[0]);
    return 2;
  }
  std::ifstream in(argv[2], std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "%s: cannot read the type library %s\n", argv[0], argv[2]);
    return 1;
  }
  std::vector<uint8_t> tlb((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (tlb.empty()) {
    std::fprintf(stderr, "%s: the type library %s is empty\n", argv[0], argv[2]);
    return 1;
  }
  const std::vector<uint8_t> packed = PackResources(CCantrelResources::Build(tlb));
  std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(packed.data()), static_cast<std::streamsize>(packed.size()));
  if (!out) {
    std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
    return 1;
  }
  return 0;
}
