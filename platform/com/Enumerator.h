// Next/Skip/Reset/Clone for the platform's enumeration interfaces.
//
// EnumeratorCore<Itf, Out, Source> implements Itf over a Source that offers
// `size_t Count() const` and `void CopyAt(size_t i, Out& out) const` (a
// counted reference for interface items), and optionally `kNullArray`, the
// answer to a null array (E_POINTER otherwise). Clone asks the object for a copy
// at the current position through CloneAt. Enumerator<> puts it into a
// ComObject; objects with another identity (an automation object) mix the
// core in themselves.
#pragma once

#include <algorithm>
#include <utility>
#include <vector>

#include "platform/com/ComObject.h"
#include "platform/com/ComPtr.h"
#include "platform/com/Variant.h"

// Empties one output slot of Next.
template <class T>
void EnumClear(T*& out) {
  out = nullptr;
}
inline void EnumClear(VARIANT& out) { VariantInit(&out); }
inline void EnumClear(IID& out) { out = IID_NULL; }

template <class Itf, class Out, class Source>
class EnumeratorCore : public Itf {
 public:
  using Interface = Itf;

  HRESULT Next(ULONG c, Out* out, ULONG* pcFetched) override {
    if (!out && c > 0) return NullArrayResult();
    if (!pcFetched && c > 1) return E_INVALIDARG;
    for (ULONG i = 0; i < c; ++i) EnumClear(out[i]);
    ULONG n = 0;
    for (const size_t count = m_source.Count(); n < c && m_pos < count; ++n) m_source.CopyAt(m_pos++, out[n]);
    if (pcFetched) *pcFetched = n;
    return n == c ? S_OK : S_FALSE;
  }
  HRESULT Skip(ULONG c) override {
    const size_t count = m_source.Count();
    const size_t left = m_pos < count ? count - m_pos : 0;
    m_pos += std::min<size_t>(left, c);
    return c <= left ? S_OK : S_FALSE;
  }
  HRESULT Reset() override {
    m_pos = 0;
    return S_OK;
  }
  HRESULT Clone(Itf** ppEnum) override {
    if (!ppEnum) return E_POINTER;
    *ppEnum = nullptr;
    ComPtr<Itf> clone = CloneAt(m_pos);
    if (!clone) return E_OUTOFMEMORY;
    *ppEnum = clone.Detach();
    return S_OK;
  }

 protected:
  static constexpr HRESULT NullArrayResult() {
    if constexpr (requires { Source::kNullArray; })
      return Source::kNullArray;
    else
      return E_POINTER;
  }

  EnumeratorCore() = default;
  virtual ~EnumeratorCore() = default;
  void Start(Source source, size_t pos) {
    m_source = std::move(source);
    m_pos = pos;
  }
  virtual ComPtr<Itf> CloneAt(size_t pos) const = 0;
  const Source& GetSource() const { return m_source; }

 private:
  Source m_source{};
  size_t m_pos = 0;
};

// A snapshot of items taken when the enumerator is made.
template <class Item>
class EnumSnapshot {
 public:
  EnumSnapshot() = default;
  EnumSnapshot(std::vector<Item> items) : m_items(std::move(items)) {}
  size_t Count() const { return m_items.size(); }
  template <class Out>
  void CopyAt(size_t i, Out& out) const {
    if constexpr (requires { m_items[i].CopyTo(&out); })
      (void)m_items[i].CopyTo(&out);  // only fails for a null out-parameter
    else
      out = m_items[i];
  }

 private:
  std::vector<Item> m_items;
};

// A stand-alone enumerator; Locks keep a module loaded (see ComObject).
template <class Itf, class Out, class Source, class... Locks>
class Enumerator final : public ComObject<Enumerator<Itf, Out, Source, Locks...>,
                                          EnumeratorCore<Itf, Out, Source>, Locks...> {
 public:
  explicit Enumerator(Source source, size_t pos = 0) { this->Start(std::move(source), pos); }

 private:
  ComPtr<Itf> CloneAt(size_t pos) const override {
    return ComPtr<Itf>(Make<Enumerator>(this->GetSource(), pos));
  }
};
