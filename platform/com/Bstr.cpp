#include "platform/com/Bstr.h"

#include <cstdlib>
#include <cstring>
#include <limits>

#include "platform/com/TaskMemory.h"

// A BSTR is a task-memory block whose 4-byte size prefix holds the byte
// length; the terminating zero is not counted.

extern "C" {

BSTR SysAllocString(const OLECHAR* psz) {
  if (!psz) return nullptr;
  UINT n = 0;
  while (psz[n]) ++n;
  return SysAllocStringLen(psz, n);
}

BSTR SysAllocStringLen(const OLECHAR* strIn, UINT ui) {
  constexpr size_t kMaxChars = (std::numeric_limits<uint32_t>::max() - sizeof(OLECHAR)) / sizeof(OLECHAR);
  if (ui > kMaxChars) return nullptr;
  size_t bytes = static_cast<size_t>(ui) * sizeof(OLECHAR);
  auto* p = static_cast<OLECHAR*>(taskmem::Allocate(bytes + sizeof(OLECHAR)));
  if (!p) return nullptr;
  taskmem::SetSizePrefix(p, static_cast<uint32_t>(bytes));
  if (strIn)
    std::memcpy(p, strIn, bytes);
  else
    std::memset(p, 0, bytes);  // the platform leaves them undefined; zeros are safer
  p[ui] = 0;
  return p;
}

void SysFreeString(BSTR bstrString) { taskmem::Free(bstrString); }

UINT SysStringLen(BSTR pbstr) { return pbstr ? taskmem::SizePrefix(pbstr) / sizeof(OLECHAR) : 0; }

UINT SysStringByteLen(BSTR bstr) { return bstr ? taskmem::SizePrefix(bstr) : 0; }

}  // extern "C"
