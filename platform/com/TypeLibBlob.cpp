// The binary form of a type library, little-endian throughout:

#include "platform/base/LittleEndian.h"
//   "PXTL" u16 format major (1) u16 format minor (0) u32 total size
//   strings:  u32 count, each { u32 length in UTF-16 units, units }
//   library:  guid, u16 major, u16 minor, u32 lcid, u32 syskind, u16 flags,
//             u32 name, u32 help string, u32 help file, u32 help context,
//             u32 import count, each u32 name
//   entries:  u32 count, each { u32 kind, u32 name, guid, u32 help, u16 flags,
//             u32 impl count, each { u32 entry, i32 flags },
//             u32 member count, each { u32 name, i32 dispid, u8 kind, u16 type,
//                i32 user type entry or -1, u32 help, u32 flags,
//                u32 param count, each { u32 name, u16 type } } }
// Names and help texts are indices into the string table.
#include <cstring>
#include <map>
#include <stdexcept>

#include "platform/com/TypeLibData.h"
#include "platform/com/TypeLibText.h"

namespace {

constexpr char kMagic[4] = {'P', 'X', 'T', 'L'};
constexpr uint16_t kFormatMajor = 1;
constexpr uint16_t kFormatMinor = 0;
constexpr size_t kHeaderSize = 12;
constexpr uint32_t kImplFlagsMask = IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE | IMPLTYPEFLAG_FRESTRICTED;
constexpr uint32_t kMemberFlagsMask = DISPF_RESTRICTED | DISPF_READONLY;

bool IsValueType(uint16_t vt) {
  switch (vt) {
    case VT_I2: case VT_I4: case VT_R4: case VT_R8: case VT_CY: case VT_DATE: case VT_BSTR:
    case VT_DISPATCH: case VT_ERROR: case VT_BOOL: case VT_VARIANT: case VT_UNKNOWN: case VT_I1:
    case VT_UI1: case VT_UI2: case VT_UI4: case VT_I8: case VT_UI8: case VT_INT: case VT_UINT:
      return true;
    default:
      return false;
  }
}

class Writer {
 public:
  void U8(uint8_t v) { out_.push_back(v); }
  void U16(uint16_t v) { PutLe16(out_, v); }
  void U32(uint32_t v) { PutLe32(out_, v); }
  void Guid(const GUID& g) {
    U32(g.Data1);
    U16(g.Data2);
    U16(g.Data3);
    for (uint8_t b : g.Data4) U8(b);
  }
  void PatchU32(size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) out_[at + i] = static_cast<uint8_t>(v >> (8 * i));
  }
  std::vector<uint8_t>& Bytes() { return out_; }

 private:
  std::vector<uint8_t> out_;
};

class Reader {
 public:
  Reader(const uint8_t* p, size_t n) : p_(p), n_(n) {}
  bool U8(uint8_t& v) {
    if (n_ - pos_ < 1) return false;
    v = p_[pos_++];
    return true;
  }
  bool U16(uint16_t& v) {
    if (n_ - pos_ < 2) return false;
    v = GetLe16(p_ + pos_);
    pos_ += 2;
    return true;
  }
  bool U32(uint32_t& v) {
    if (n_ - pos_ < 4) return false;
    v = GetLe32(p_ + pos_);
    pos_ += 4;
    return true;
  }
  bool I32(int32_t& v) {
    uint32_t u = 0;
    if (!U32(u)) return false;
    v = static_cast<int32_t>(u);
    return true;
  }
  bool Guid(GUID& g) {
    if (!U32(g.Data1) || !U16(g.Data2) || !U16(g.Data3)) return false;
    for (auto& b : g.Data4)
      if (!U8(b)) return false;
    return true;
  }
  // A count whose records need at least minRecord bytes each: larger counts
  // cannot be real and must not size an allocation.
  bool Count(uint32_t& n, size_t minRecord) { return U32(n) && n <= Remaining() / minRecord; }
  size_t Remaining() const { return n_ - pos_; }
  size_t Position() const { return pos_; }

 private:
  const uint8_t* p_;
  size_t n_;
  size_t pos_ = 0;
};

class StringTable {
 public:
  uint32_t Add(const std::u16string& s) {
    auto it = index_.find(s);
    if (it != index_.end()) return it->second;
    const auto i = static_cast<uint32_t>(strings_.size());
    strings_.push_back(s);
    index_.emplace(s, i);
    return i;
  }
  void Write(Writer& w) const {
    w.U32(static_cast<uint32_t>(strings_.size()));
    for (const auto& s : strings_) {
      w.U32(static_cast<uint32_t>(s.size()));
      for (char16_t c : s) w.U16(c);
    }
  }

 private:
  std::vector<std::u16string> strings_;
  std::map<std::u16string, uint32_t> index_;
};

int FindDispinterfaceIn(const TypeLibDescription& d, const std::u16string& name) {
  for (size_t i = 0; i < d.entries.size(); ++i)
    if (d.entries[i].kind == TKIND_DISPATCH && typelib_text::NamesEqual(d.entries[i].name, name))
      return static_cast<int>(i);
  return -1;
}

}  // namespace

int TypeLibData::FindDispinterface(std::u16string_view n) const {
  for (size_t i = 0; i < entries.size(); ++i)
    if (entries[i].kind == TKIND_DISPATCH && typelib_text::NamesEqual(entries[i].name, n)) return static_cast<int>(i);
  return -1;
}

std::vector<uint8_t> BuildTypeLibBlob(const TypeLibDescription& d) {
  // Strings first, so the table can precede everything that refers to it.
  StringTable strings;
  Writer body;
  body.Guid(d.guid);
  body.U16(d.majorVersion);
  body.U16(d.minorVersion);
  body.U32(d.lcid);
  body.U32(static_cast<uint32_t>(d.syskind));
  body.U16(d.libFlags);
  body.U32(strings.Add(d.name));
  body.U32(strings.Add(d.helpString));
  body.U32(strings.Add(d.helpFile));
  body.U32(d.helpContext);
  body.U32(static_cast<uint32_t>(d.importedLibraries.size()));
  for (const auto& imp : d.importedLibraries) body.U32(strings.Add(imp));

  body.U32(static_cast<uint32_t>(d.entries.size()));
  for (const auto& e : d.entries) {
    if (e.kind != TKIND_DISPATCH && e.kind != TKIND_COCLASS)
      throw std::invalid_argument("type library: only dispinterfaces and classes are supported");
    body.U32(static_cast<uint32_t>(e.kind));
    body.U32(strings.Add(e.name));
    body.Guid(e.guid);
    body.U32(strings.Add(e.helpString));
    WORD flags = e.typeFlags;
    if (e.kind == TKIND_DISPATCH) flags |= TYPEFLAG_FDISPATCHABLE;
    body.U16(flags);

    const auto& impl = e.kind == TKIND_COCLASS ? e.implTypes : std::vector<TypeLibImplType>{};
    body.U32(static_cast<uint32_t>(impl.size()));
    for (const auto& it : impl) {
      const int target = FindDispinterfaceIn(d, it.interfaceName);
      if (target < 0) throw std::invalid_argument("type library: class implements an unknown interface");
      body.U32(static_cast<uint32_t>(target));
      body.U32(static_cast<uint32_t>(it.implTypeFlags & static_cast<int>(kImplFlagsMask)));
    }

    const bool hasMembers = e.kind == TKIND_DISPATCH && e.members;
    const auto& members = hasMembers ? e.members->Members() : std::vector<DispMember>{};
    body.U32(static_cast<uint32_t>(members.size()));
    for (const auto& m : members) {
      body.U32(strings.Add(m.name));
      body.U32(static_cast<uint32_t>(m.dispid));
      body.U8(static_cast<uint8_t>(m.kind));
      body.U16(m.type);
      const int user = (m.type == VT_DISPATCH && !m.userType.empty()) ? FindDispinterfaceIn(d, m.userType) : -1;
      if (!m.userType.empty() && user < 0)
        throw std::invalid_argument("type library: member refers to an unknown interface");
      body.U32(static_cast<uint32_t>(user));
      body.U32(strings.Add(m.helpString));
      body.U32(m.flags & kMemberFlagsMask);
      body.U32(static_cast<uint32_t>(m.params.size()));
      for (const auto& p : m.params) {
        body.U32(strings.Add(p.name));
        body.U16(p.vt);
      }
    }
  }

  Writer out;
  for (char c : kMagic) out.U8(static_cast<uint8_t>(c));
  out.U16(kFormatMajor);
  out.U16(kFormatMinor);
  const size_t sizeAt = out.Bytes().size();
  out.U32(0);
  strings.Write(out);
  out.Bytes().insert(out.Bytes().end(), body.Bytes().begin(), body.Bytes().end());
  out.PatchU32(sizeAt, static_cast<uint32_t>(out.Bytes().size()));
  return std::move(out.Bytes());
}

HRESULT ParseTypeLibBlob(const uint8_t* data, size_t size, TypeLibData& out) {
  if (!data || size < kHeaderSize) return TYPE_E_INVDATAREAD;
  if (std::memcmp(data, kMagic, 4) != 0) return TYPE_E_UNSUPFORMAT;
  Reader r(data + 4, size - 4);
  uint16_t fmtMajor = 0, fmtMinor = 0;
  uint32_t total = 0;
  r.U16(fmtMajor);
  r.U16(fmtMinor);
  r.U32(total);
  if (fmtMajor != kFormatMajor) return TYPE_E_UNSUPFORMAT;
  if (total != size) return TYPE_E_INVDATAREAD;

  constexpr HRESULT bad = TYPE_E_INVDATAREAD;
  std::vector<std::u16string> strings;
  uint32_t nStrings = 0;
  if (!r.Count(nStrings, 4)) return bad;
  strings.reserve(nStrings);
  for (uint32_t i = 0; i < nStrings; ++i) {
    uint32_t len = 0;
    if (!r.U32(len) || len > r.Remaining() / 2) return bad;
    std::u16string s(len, u'\0');
    for (auto& c : s) {
      uint16_t u = 0;
      r.U16(u);
      c = static_cast<char16_t>(u);
    }
    strings.push_back(std::move(s));
  }
  auto str = [&](std::u16string& dst) {
    uint32_t idx = 0;
    if (!r.U32(idx) || idx >= strings.size()) return false;
    dst = strings[idx];
    return true;
  };

  TypeLibData d;
  uint32_t syskind = 0;
  if (!r.Guid(d.guid) || !r.U16(d.majorVersion) || !r.U16(d.minorVersion) || !r.U32(d.lcid) || !r.U32(syskind) ||
      !r.U16(d.libFlags))
    return bad;
  if (syskind > SYS_WIN64) return bad;
  d.syskind = static_cast<SYSKIND>(syskind);
  if (!str(d.name) || !str(d.helpString) || !str(d.helpFile) || !r.U32(d.helpContext)) return bad;
  uint32_t nImports = 0;
  if (!r.Count(nImports, 4)) return bad;
  d.importedLibraries.resize(nImports);
  for (auto& imp : d.importedLibraries)
    if (!str(imp)) return bad;

  uint32_t nEntries = 0;
  // kind, name, guid, help, flags, two counts
  if (!r.Count(nEntries, 4 + 4 + 16 + 4 + 2 + 4 + 4)) return bad;
  d.entries.resize(nEntries);
  // Member user types may refer forward; they are checked once all kinds are known.
  std::vector<std::vector<int32_t>> userTypes(nEntries);
  std::vector<std::vector<DispMember>> memberLists(nEntries);
  for (uint32_t i = 0; i < nEntries; ++i) {
    auto& e = d.entries[i];
    uint32_t kind = 0;
    if (!r.U32(kind) || (kind != TKIND_DISPATCH && kind != TKIND_COCLASS)) return bad;
    e.kind = static_cast<TYPEKIND>(kind);
    if (!str(e.name) || !r.Guid(e.guid) || !str(e.helpString) || !r.U16(e.typeFlags)) return bad;

    uint32_t nImpl = 0;
    if (!r.Count(nImpl, 8)) return bad;
    if (nImpl > 0 && e.kind != TKIND_COCLASS) return bad;
    e.implTypes.resize(nImpl);
    for (auto& it : e.implTypes) {
      uint32_t flags = 0;
      if (!r.U32(it.entry) || it.entry >= nEntries || !r.U32(flags) || (flags & ~kImplFlagsMask)) return bad;
      it.flags = static_cast<int>(flags);
    }

    uint32_t nMembers = 0;
    // name, dispid, kind, type, user type, help, flags, param count
    if (!r.Count(nMembers, 4 + 4 + 1 + 2 + 4 + 4 + 4 + 4)) return bad;
    if (nMembers > 0 && e.kind != TKIND_DISPATCH) return bad;
    auto& members = memberLists[i];
    members.resize(nMembers);
    for (auto& m : members) {
      uint8_t mkind = 0;
      int32_t user = -1;
      uint32_t flags = 0;
      if (!str(m.name) || !r.I32(m.dispid) || !r.U8(mkind) || !r.U16(m.type) || !r.I32(user) || !str(m.helpString) ||
          !r.U32(flags))
        return bad;
      if (mkind > static_cast<uint8_t>(DispKind::PropertyPut) || (flags & ~kMemberFlagsMask)) return bad;
      m.kind = static_cast<DispKind>(mkind);
      m.flags = flags;
      const bool noResult = m.kind == DispKind::PropertyPut || m.kind == DispKind::Method;
      if (!(IsValueType(m.type) || (noResult && (m.type == VT_EMPTY || m.type == VT_VOID)))) return bad;
      if (user != -1) {
        if (user < 0 || static_cast<uint32_t>(user) >= nEntries || m.type != VT_DISPATCH) return bad;
      }
      userTypes[i].push_back(user);
      uint32_t nParams = 0;
      if (!r.Count(nParams, 6)) return bad;
      if (m.kind == DispKind::Property && nParams > 0) return bad;
      m.params.resize(nParams);
      for (auto& p : m.params)
        if (!str(p.name) || !r.U16(p.vt) || !IsValueType(p.vt)) return bad;
    }
  }
  if (r.Remaining() != 0) return bad;

  // Cross references must name dispinterfaces.
  for (uint32_t i = 0; i < nEntries; ++i) {
    for (const auto& it : d.entries[i].implTypes)
      if (d.entries[it.entry].kind != TKIND_DISPATCH) return bad;
    for (size_t k = 0; k < memberLists[i].size(); ++k) {
      const int32_t user = userTypes[i][k];
      if (user < 0) continue;
      if (d.entries[static_cast<uint32_t>(user)].kind != TKIND_DISPATCH) return bad;
    }
  }
  for (uint32_t i = 0; i < nEntries; ++i) {
    auto& e = d.entries[i];
    if (e.kind != TKIND_DISPATCH) continue;
    auto& ms = memberLists[i];
    for (size_t k = 0; k < ms.size(); ++k)
      if (userTypes[i][k] >= 0) ms[k].userType = d.entries[static_cast<uint32_t>(userTypes[i][k])].name;
    e.members = std::make_unique<DispatchTable>(e.name, e.guid, e.helpString, std::move(ms));
  }
  (void)fmtMinor;  // minor revisions stay readable
  out = std::move(d);
  return S_OK;
}
