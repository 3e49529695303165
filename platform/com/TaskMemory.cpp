#include "platform/com/TaskMemory.h"

#include <cstdlib>
#include <cstring>
#include <limits>

namespace taskmem {

namespace {
constexpr size_t kHeader = 16;
}

void* Allocate(size_t cb) {
  if (cb > std::numeric_limits<size_t>::max() - kHeader) return nullptr;
  auto* base = static_cast<unsigned char*>(std::malloc(kHeader + cb));
  if (!base) return nullptr;
  void* p = base + kHeader;
  SetSizePrefix(p, cb > std::numeric_limits<uint32_t>::max() ? std::numeric_limits<uint32_t>::max()
                                                              : static_cast<uint32_t>(cb));
  return p;
}

void Free(void* p) {
  if (p) std::free(static_cast<unsigned char*>(p) - kHeader);
}

uint32_t SizePrefix(const void* p) {
  uint32_t n;
  std::memcpy(&n, static_cast<const unsigned char*>(p) - sizeof n, sizeof n);
  return n;
}

void SetSizePrefix(void* p, uint32_t cb) { std::memcpy(static_cast<unsigned char*>(p) - sizeof cb, &cb, sizeof cb); }

}  // namespace taskmem
