// Early returns on failure, and a visible mark on results dropped on purpose.
#pragma once

#include "platform/com/ComTypes.h"

// Returns the HRESULT of expr from the calling function when it failed.
#define RETURN_IF_FAILED(expr)                   \
  do {                                           \
    const HRESULT hr_failed_ = (expr);           \
    if (FAILED(hr_failed_)) return hr_failed_;   \
  } while (false)

// Returns E_POINTER from the calling function when p is null.
#define RETURN_IF_NULL(p)           \
  do {                              \
    if (!(p)) return E_POINTER;     \
  } while (false)

// A result the caller has no use for; why is the argument, for the reader.
inline void IgnoreResult(HRESULT, const char* /*why*/) {}
