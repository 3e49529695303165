#include "platform/olectl/CVersionInfo.h"

#include "platform/base/LittleEndian.h"

#include <cstdio>
#include <functional>

namespace {

void Align(std::vector<uint8_t>& o) {
  while (o.size() % 4 != 0) o.push_back(0);
}

// One node: length, value length, type, key, value, children.
std::vector<uint8_t> Node(const std::u16string& key, const std::vector<uint8_t>& value, WORD valueLength, bool text,
                          const std::vector<std::vector<uint8_t>>& children) {
  std::vector<uint8_t> o;
  PutLe16(o, 0);
  PutLe16(o, valueLength);
  PutLe16(o, text ? 1 : 0);
  for (char16_t c : key) PutLe16(o, c);
  PutLe16(o, 0);
  Align(o);
  o.insert(o.end(), value.begin(), value.end());
  for (const auto& c : children) {
    Align(o);
    o.insert(o.end(), c.begin(), c.end());
  }
  o[0] = static_cast<uint8_t>(o.size());
  o[1] = static_cast<uint8_t>(o.size() >> 8);
  return o;
}

std::vector<uint8_t> TextValue(const std::u16string& s) {
  std::vector<uint8_t> o;
  for (char16_t c : s) PutLe16(o, c);
  PutLe16(o, 0);
  return o;
}

struct Parsed {
  std::u16string key;
  const uint8_t* value = nullptr;
  size_t valueBytes = 0;
  bool text = false;
  std::vector<Parsed> children;
};

// Parses the node at p (n bytes available); depth bounds the recursion.
std::optional<Parsed> ParseNode(const uint8_t* p, size_t n, int depth) {
  if (depth > 8 || n < 6) return std::nullopt;
  const size_t length = GetLe16(p);
  const size_t valueLength = GetLe16(p + 2);
  const uint32_t type = GetLe16(p + 4);
  if (length < 6 || length > n || type > 1) return std::nullopt;
  Parsed node;
  node.text = type == 1;
  size_t pos = 6;
  for (;;) {
    if (pos + 2 > length) return std::nullopt;
    const char16_t c = static_cast<char16_t>(GetLe16(p + pos));
    pos += 2;
    if (c == 0) break;
    node.key.push_back(c);
  }
  pos = (pos + 3) & ~size_t{3};
  // Text values count characters, binary ones bytes.
  const size_t valueBytes = node.text ? valueLength * 2 : valueLength;
  if (pos > length) pos = length;
  if (valueBytes > length - pos) return std::nullopt;
  node.value = p + pos;
  node.valueBytes = valueBytes;
  pos += valueBytes;
  pos = (pos + 3) & ~size_t{3};
  while (pos + 6 <= length) {
    std::optional<Parsed> child = ParseNode(p + pos, length - pos, depth + 1);
    if (!child) return std::nullopt;
    const size_t childLength = GetLe16(p + pos);
    node.children.push_back(std::move(*child));
    pos += childLength;
    pos = (pos + 3) & ~size_t{3};
  }
  return node;
}

std::u16string TextOf(const Parsed& n) {
  std::u16string s;
  for (size_t i = 0; i + 1 < n.valueBytes; i += 2) {
    char16_t c = static_cast<char16_t>(GetLe16(n.value + i));
    if (c == 0) break;
    s.push_back(c);
  }
  return s;
}

}  // namespace

std::vector<uint8_t> CVersionInfo::Build() const {
  std::vector<uint8_t> fixed;
  PutLe32(fixed, VS_FFI_SIGNATURE);
  PutLe32(fixed, VS_FFI_STRUCVERSION);
  PutLe32(fixed, (static_cast<uint32_t>(fileVersion[0]) << 16) | fileVersion[1]);
  PutLe32(fixed, (static_cast<uint32_t>(fileVersion[2]) << 16) | fileVersion[3]);
  PutLe32(fixed, (static_cast<uint32_t>(productVersion[0]) << 16) | productVersion[1]);
  PutLe32(fixed, (static_cast<uint32_t>(productVersion[2]) << 16) | productVersion[3]);
  PutLe32(fixed, VS_FFI_FILEFLAGSMASK);
  PutLe32(fixed, fileFlags);
  PutLe32(fixed, fileOS);
  PutLe32(fixed, fileType);
  PutLe32(fixed, 0);  // subtype
  PutLe32(fixed, 0);  // date
  PutLe32(fixed, 0);

  std::vector<std::vector<uint8_t>> entries;
  for (const auto& [key, value] : strings)
    entries.push_back(Node(key, TextValue(value), static_cast<WORD>(value.size() + 1), true, {}));
  char tableKey[16];
  std::snprintf(tableKey, sizeof tableKey, "%04x%04x", language, codePage);
  std::u16string table(tableKey, tableKey + 8);
  std::vector<uint8_t> stringTable = Node(table, {}, 0, true, entries);
  std::vector<uint8_t> stringInfo = Node(u"StringFileInfo", {}, 0, true, {stringTable});
  std::vector<uint8_t> translation;
  PutLe16(translation, language);
  PutLe16(translation, codePage);
  std::vector<uint8_t> var = Node(u"Translation", translation, 4, false, {});
  std::vector<uint8_t> varInfo = Node(u"VarFileInfo", {}, 0, true, {var});
  return Node(u"VS_VERSION_INFO", fixed, static_cast<WORD>(fixed.size()), false, {stringInfo, varInfo});
}

std::optional<CVersionInfo> CVersionInfo::Parse(const std::vector<uint8_t>& data) {
  std::optional<Parsed> root = ParseNode(data.data(), data.size(), 0);
  if (!root || root->key != u"VS_VERSION_INFO" || root->valueBytes < 52) return std::nullopt;
  const uint8_t* f = root->value;
  if (GetLe32(f) != VS_FFI_SIGNATURE) return std::nullopt;
  CVersionInfo v;
  v.fileVersion[0] = static_cast<WORD>(GetLe16(f + 10));
  v.fileVersion[1] = static_cast<WORD>(GetLe16(f + 8));
  v.fileVersion[2] = static_cast<WORD>(GetLe16(f + 14));
  v.fileVersion[3] = static_cast<WORD>(GetLe16(f + 12));
  v.productVersion[0] = static_cast<WORD>(GetLe16(f + 18));
  v.productVersion[1] = static_cast<WORD>(GetLe16(f + 16));
  v.productVersion[2] = static_cast<WORD>(GetLe16(f + 22));
  v.productVersion[3] = static_cast<WORD>(GetLe16(f + 20));
  v.fileFlags = GetLe32(f + 28);
  v.fileOS = GetLe32(f + 32);
  v.fileType = GetLe32(f + 36);
  for (const Parsed& block : root->children) {
    if (block.key == u"StringFileInfo" && !block.children.empty()) {
      const Parsed& table = block.children.front();
      for (const Parsed& s : table.children) v.strings[s.key] = TextOf(s);
      if (table.key.size() == 8 && v.language == 0) {
        unsigned lang = 0, cp = 0;
        std::string k(table.key.begin(), table.key.end());
        if (std::sscanf(k.c_str(), "%4x%4x", &lang, &cp) == 2) {
          v.language = static_cast<WORD>(lang);
          v.codePage = static_cast<WORD>(cp);
        }
      }
    }
    if (block.key == u"VarFileInfo") {
      for (const Parsed& var : block.children)
        if (var.key == u"Translation" && var.valueBytes >= 4) {
          v.language = static_cast<WORD>(GetLe16(var.value));
          v.codePage = static_cast<WORD>(GetLe16(var.value + 2));
        }
    }
  }
  return v;
}
