// Variants made from fuzz input, the way a careless but valid caller makes
// them: any type, numbers with any bits, strings with any UTF-16 code units
// (or a null string), interfaces to a live object or null, and values by
// reference. Every by-reference value points at storage that this object
// owns and frees, so a callee may read or replace what it points at.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <deque>

#include "fuzz/CFuzzDispatch.h"
#include "platform/com/ComPtr.h"
#include "platform/com/Variant.h"

class CFuzzVariants {
 public:
  // pObject: what VT_DISPATCH and VT_UNKNOWN values carry (may be null).
  // bLocalNames: strings never hold a path separator, so that a callee that
  // opens files by name stays in the working folder.
  CFuzzVariants(FuzzedDataProvider& fdp, IDispatch* pObject, bool bLocalNames = false);
  // Frees what the by-reference storage holds now.
  ~CFuzzVariants();
  CFuzzVariants(const CFuzzVariants&) = delete;
  CFuzzVariants& operator=(const CFuzzVariants&) = delete;

  // A new variant, owned by the caller (clear it with VariantClear).
  VARIANT Make(bool bAllowByRef = true);
  // A variant type, mostly one of the platform's, sometimes any bits.
  VARTYPE MakeType();
  BSTR MakeString();

 private:
  VARIANT MakeValue(VARTYPE vt);

  FuzzedDataProvider& m_fdp;
  IDispatch* m_pObject;
  bool m_bLocalNames;
  int m_nDepth = 0;
  std::deque<VARIANT> m_cells;  // a deque keeps their addresses
};
