#include "platform/olectl/CDialogTemplate.h"

#include "platform/base/LittleEndian.h"

namespace {

class Writer {
 public:
  std::vector<uint8_t> out;
  void Word(WORD w) { PutLe16(out, w); }
  void Dword(DWORD d) { PutLe32(out, d); }
  void Byte(BYTE b) { out.push_back(b); }
  void Text(const std::u16string& s) {
    for (char16_t c : s) Word(c);
    Word(0);
  }
  void NameOrOrd(const CDialogTemplate::NameOrOrdinal& n) {
    if (n.isOrdinal) {
      Word(0xFFFF);
      Word(n.ordinal);
    } else {
      Text(n.name);
    }
  }
  void AlignDword() {
    while (out.size() % 4 != 0) out.push_back(0);
  }
};

class Reader {
 public:
  Reader(const std::vector<uint8_t>& d) : d_(d) {}
  bool ok = true;
  size_t pos = 0;
  WORD Word() {
    if (pos + 2 > d_.size()) {
      ok = false;
      return 0;
    }
    WORD w = GetLe16(d_.data() + pos);
    pos += 2;
    return w;
  }
  DWORD Dword() {
    DWORD lo = Word();
    DWORD hi = Word();
    return lo | (hi << 16);
  }
  BYTE Byte() {
    if (pos + 1 > d_.size()) {
      ok = false;
      return 0;
    }
    return d_[pos++];
  }
  std::u16string Text() {
    std::u16string s;
    while (ok) {
      WORD c = Word();
      if (!ok || c == 0) break;
      s.push_back(static_cast<char16_t>(c));
    }
    return s;
  }
  CDialogTemplate::NameOrOrdinal NameOrOrd() {
    if (pos + 2 <= d_.size() && d_[pos] == 0xFF && d_[pos + 1] == 0xFF) {
      pos += 2;
      return CDialogTemplate::NameOrOrdinal::Ordinal(Word());
    }
    return CDialogTemplate::NameOrOrdinal::Name(Text());
  }
  void AlignDword() { pos = (pos + 3) & ~size_t{3}; }
  std::vector<uint8_t> Bytes(size_t n) {
    if (pos + n > d_.size()) {
      ok = false;
      return {};
    }
    std::vector<uint8_t> r(d_.begin() + static_cast<std::ptrdiff_t>(pos), d_.begin() + static_cast<std::ptrdiff_t>(pos + n));
    pos += n;
    return r;
  }
  size_t Size() const { return d_.size(); }

 private:
  const std::vector<uint8_t>& d_;
};

}  // namespace

std::vector<uint8_t> CDialogTemplate::Build() const {
  Writer w;
  if (extended) {
    w.Word(1);
    w.Word(0xFFFF);
    w.Dword(helpID);
    w.Dword(exStyle);
    w.Dword(style);
  } else {
    w.Dword(style);
    w.Dword(exStyle);
  }
  w.Word(static_cast<WORD>(items.size()));
  for (SHORT v : {x, y, cx, cy}) w.Word(static_cast<WORD>(v));
  w.NameOrOrd(menu);
  w.NameOrOrd(windowClass);
  w.Text(caption);
  if (style & DS_SETFONT) {
    w.Word(pointSize);
    if (extended) {
      w.Word(weight);
      w.Byte(italic);
      w.Byte(charset);
    }
    w.Text(typeface);
  }
  for (const Item& it : items) {
    w.AlignDword();
    if (extended) {
      w.Dword(it.helpID);
      w.Dword(it.exStyle);
      w.Dword(it.style);
    } else {
      w.Dword(it.style);
      w.Dword(it.exStyle);
    }
    for (SHORT v : {it.x, it.y, it.cx, it.cy}) w.Word(static_cast<WORD>(v));
    if (extended)
      w.Dword(static_cast<DWORD>(it.id));
    else
      w.Word(static_cast<WORD>(it.id));
    w.NameOrOrd(it.windowClass);
    w.NameOrOrd(it.title);
    w.Word(static_cast<WORD>(it.creationData.size()));
    w.out.insert(w.out.end(), it.creationData.begin(), it.creationData.end());
  }
  return w.out;
}

std::optional<CDialogTemplate> CDialogTemplate::Parse(const std::vector<uint8_t>& data) {
  Reader r(data);
  CDialogTemplate t;
  t.extended = data.size() >= 4 && data[0] == 1 && data[1] == 0 && data[2] == 0xFF && data[3] == 0xFF;
  if (t.extended) {
    r.Word();
    r.Word();
    t.helpID = r.Dword();
    t.exStyle = r.Dword();
    t.style = r.Dword();
  } else {
    t.style = r.Dword();
    t.exStyle = r.Dword();
  }
  const WORD count = r.Word();
  t.x = static_cast<SHORT>(r.Word());
  t.y = static_cast<SHORT>(r.Word());
  t.cx = static_cast<SHORT>(r.Word());
  t.cy = static_cast<SHORT>(r.Word());
  t.menu = r.NameOrOrd();
  t.windowClass = r.NameOrOrd();
  t.caption = r.Text();
  if (t.style & DS_SETFONT) {
    t.pointSize = r.Word();
    if (t.extended) {
      t.weight = r.Word();
      t.italic = r.Byte();
      t.charset = r.Byte();
    }
    t.typeface = r.Text();
  }
  if (!r.ok) return std::nullopt;
  // Each item takes at least 18 bytes: a count beyond the data is damage,
  // not a reason to allocate.
  if (static_cast<size_t>(count) * 18 > r.Size()) return std::nullopt;
  for (WORD i = 0; i < count && r.ok; ++i) {
    Item it;
    r.AlignDword();
    if (t.extended) {
      it.helpID = r.Dword();
      it.exStyle = r.Dword();
      it.style = r.Dword();
    } else {
      it.style = r.Dword();
      it.exStyle = r.Dword();
    }
    it.x = static_cast<SHORT>(r.Word());
    it.y = static_cast<SHORT>(r.Word());
    it.cx = static_cast<SHORT>(r.Word());
    it.cy = static_cast<SHORT>(r.Word());
    it.id = t.extended ? static_cast<int>(static_cast<int32_t>(r.Dword())) : static_cast<int>(static_cast<SHORT>(r.Word()));
    it.windowClass = r.NameOrOrd();
    it.title = r.NameOrOrd();
    const WORD extra = r.Word();
    it.creationData = r.Bytes(extra);
    if (r.ok) t.items.push_back(std::move(it));
  }
  if (!r.ok) return std::nullopt;
  return t;
}
