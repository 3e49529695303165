// Platform strings: a BSTR points at UTF-16 text preceded by a 32-bit byte
// length and followed by a terminating zero. A null BSTR reads as empty.
#pragma once

#include <string>
#include <string_view>
#include <utility>

#include "platform/com/ComTypes.h"

extern "C" {
PX_EXPORT BSTR SysAllocString(const OLECHAR* psz);
PX_EXPORT BSTR SysAllocStringLen(const OLECHAR* strIn, UINT ui);
PX_EXPORT void SysFreeString(BSTR bstrString);
PX_EXPORT UINT SysStringLen(BSTR pbstr);
PX_EXPORT UINT SysStringByteLen(BSTR bstr);
}

// Owning wrapper for a BSTR.
class CBstr {
 public:
  CBstr() noexcept = default;
  explicit CBstr(std::u16string_view s) : b_(SysAllocStringLen(s.data(), static_cast<UINT>(s.size()))) {}
  explicit CBstr(const char16_t* s) : b_(SysAllocString(s)) {}
  CBstr(const CBstr& o) : b_(o.b_ ? SysAllocStringLen(o.b_, SysStringLen(o.b_)) : nullptr) {}
  CBstr(CBstr&& o) noexcept : b_(std::exchange(o.b_, nullptr)) {}
  CBstr& operator=(CBstr o) noexcept {
    std::swap(b_, o.b_);
    return *this;
  }
  ~CBstr() { SysFreeString(b_); }

  static CBstr Attach(BSTR b) noexcept {
    CBstr r;
    r.b_ = b;
    return r;
  }
  [[nodiscard]] BSTR Detach() noexcept { return std::exchange(b_, nullptr); }
  BSTR Get() const noexcept { return b_; }
  BSTR* ReleaseAndGetAddressOf() noexcept {
    SysFreeString(std::exchange(b_, nullptr));
    return &b_;
  }
  UINT Length() const noexcept { return SysStringLen(b_); }
  std::u16string_view View() const noexcept { return b_ ? std::u16string_view(b_, SysStringLen(b_)) : std::u16string_view(); }
  std::u16string Str() const { return std::u16string(View()); }

 private:
  BSTR b_ = nullptr;
};
