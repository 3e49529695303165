// The one allocator behind task memory and BSTRs, so that a string handed
// out as a BSTR may be freed with CoTaskMemFree and the other way round.
// Each block starts 16 bytes into its allocation (keeping malloc's
// alignment); the 4 bytes just before the block hold its size.
#pragma once

#include <cstddef>
#include <cstdint>

namespace taskmem {

void* Allocate(size_t cb);
void Free(void* p);
uint32_t SizePrefix(const void* p);
void SetSizePrefix(void* p, uint32_t cb);

}  // namespace taskmem
