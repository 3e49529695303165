#include <algorithm>
#include <charconv>
#include <cstdio>

#include "platform/registry/Registry.h"

namespace reg {

namespace {

constexpr std::string_view kFormatTag = "#cantrel-registry 1";

// Keys and value names compare ASCII-case-insensitively; other bytes (UTF-8)
// compare exactly.
std::string Fold(std::string_view s) {
  std::string r(s);
  for (char& c : r)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return r;
}

// "\a\\b\" -> "a\b": no empty path elements, no leading or trailing separator.
std::string NormalizeKey(std::string_view key) {
  std::string r;
  r.reserve(key.size());
  for (char c : key) {
    if (c == '\\') {
      if (!r.empty() && r.back() != '\\') r += c;
    } else {
      r += c;
    }
  }
  if (!r.empty() && r.back() == '\\') r.pop_back();
  return r;
}

std::string_view LastElement(std::string_view path) {
  size_t p = path.rfind('\\');
  return p == std::string_view::npos ? path : path.substr(p + 1);
}

bool IsControl(unsigned char c) { return c < 0x20 || c == 0x7F; }

const char kHex[] = "0123456789abcdef";

std::string QuoteString(std::string_view s) {
  std::string r = "\"";
  for (char ch : s) {
    unsigned char c = static_cast<unsigned char>(ch);
    switch (c) {
      case '"': r += "\\\""; break;
      case '\\': r += "\\\\"; break;
      case '\n': r += "\\n"; break;
      case '\r': r += "\\r"; break;
      case '\t': r += "\\t"; break;
      default:
        if (IsControl(c)) {
          r += "\\x";
          r += kHex[c >> 4];
          r += kHex[c & 15];
        } else {
          r += ch;
        }
    }
  }
  r += '"';
  return r;
}

// Key paths keep their "\" separators readable; control characters and '%'
// are percent-encoded instead.
std::string EncodeKey(std::string_view s) {
  std::string r;
  for (char ch : s) {
    unsigned char c = static_cast<unsigned char>(ch);
    if (IsControl(c) || c == '%') {
      r += '%';
      r += kHex[c >> 4];
      r += kHex[c & 15];
    } else {
      r += ch;
    }
  }
  return r;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

[[noreturn]] void Fail(size_t line, const std::string& what) {
  throw RegistryError("registry line " + std::to_string(line) + ": " + what);
}

std::string DecodeKey(std::string_view s, size_t line) {
  std::string r;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '%') {
      r += s[i];
      continue;
    }
    if (i + 2 >= s.size()) Fail(line, "truncated %-escape in key");
    int h = HexDigit(s[i + 1]), l = HexDigit(s[i + 2]);
    if (h < 0 || l < 0) Fail(line, "bad %-escape in key");
    r += static_cast<char>(h * 16 + l);
    i += 2;
  }
  return r;
}

// Reads a quoted string starting at s[pos] == '"'; advances pos past it.
std::string ReadQuoted(std::string_view s, size_t& pos, size_t line) {
  if (pos >= s.size() || s[pos] != '"') Fail(line, "expected '\"'");
  std::string r;
  ++pos;
  while (true) {
    if (pos >= s.size()) Fail(line, "unterminated string");
    char c = s[pos++];
    if (c == '"') return r;
    if (c != '\\') {
      r += c;
      continue;
    }
    if (pos >= s.size()) Fail(line, "unterminated escape");
    char e = s[pos++];
    switch (e) {
      case '"': r += '"'; break;
      case '\\': r += '\\'; break;
      case 'n': r += '\n'; break;
      case 'r': r += '\r'; break;
      case 't': r += '\t'; break;
      case 'x': {
        if (pos + 2 > s.size()) Fail(line, "truncated \\x escape");
        int h = HexDigit(s[pos]), l = HexDigit(s[pos + 1]);
        if (h < 0 || l < 0) Fail(line, "bad \\x escape");
        r += static_cast<char>(h * 16 + l);
        pos += 2;
        break;
      }
      default:
        Fail(line, std::string("unknown escape \\") + e);
    }
  }
}

}  // namespace

bool RegTree::HasKey(std::string_view key) const { return keys_.count(Fold(NormalizeKey(key))) != 0; }

void RegTree::CreateKey(std::string_view key) {
  std::string path = NormalizeKey(key);
  if (path.empty()) return;
  // Parents first, so that each key's stored name extends its parent's.
  size_t start = 0;
  std::string parentName;
  while (true) {
    size_t sep = path.find('\\', start);
    std::string_view element = std::string_view(path).substr(start, sep == std::string::npos ? std::string::npos : sep - start);
    std::string name = parentName.empty() ? std::string(element) : parentName + "\\" + std::string(element);
    std::string folded = Fold(name);
    auto it = keys_.find(folded);
    if (it == keys_.end()) it = keys_.emplace(folded, Key{name, {}}).first;
    parentName = it->second.name;
    if (sep == std::string::npos) break;
    start = sep + 1;
  }
}

bool RegTree::DeleteKey(std::string_view key) {
  std::string folded = Fold(NormalizeKey(key));
  if (folded.empty()) return false;
  auto it = keys_.find(folded);
  if (it == keys_.end()) return false;
  std::string prefix = folded + "\\";
  it = keys_.erase(it);
  // Children sort directly after their parent's prefix, but keys such as
  // "a b" sort between "a" and "a\x"; scan the whole prefix range.
  for (auto c = keys_.lower_bound(prefix); c != keys_.end() && c->first.compare(0, prefix.size(), prefix) == 0;)
    c = keys_.erase(c);
  return true;
}

bool RegTree::DeleteValue(std::string_view key, std::string_view name) {
  auto it = keys_.find(Fold(NormalizeKey(key)));
  if (it == keys_.end()) return false;
  return it->second.values.erase(Fold(name)) != 0;
}

std::optional<RegValue> RegTree::Get(std::string_view key, std::string_view name) const {
  auto it = keys_.find(Fold(NormalizeKey(key)));
  if (it == keys_.end()) return std::nullopt;
  auto v = it->second.values.find(Fold(name));
  if (v == it->second.values.end()) return std::nullopt;
  return v->second.second;
}

std::optional<std::string> RegTree::GetString(std::string_view key, std::string_view name) const {
  auto v = Get(key, name);
  if (!v || !std::holds_alternative<std::string>(*v)) return std::nullopt;
  return std::get<std::string>(*v);
}

std::optional<uint32_t> RegTree::GetDword(std::string_view key, std::string_view name) const {
  auto v = Get(key, name);
  if (!v || !std::holds_alternative<uint32_t>(*v)) return std::nullopt;
  return std::get<uint32_t>(*v);
}

void RegTree::SetString(std::string_view key, std::string_view name, std::string_view value) {
  CreateKey(key);
  auto& values = keys_[Fold(NormalizeKey(key))].values;
  auto it = values.find(Fold(name));
  if (it == values.end())
    values.emplace(Fold(name), std::make_pair(std::string(name), RegValue(std::string(value))));
  else
    it->second.second = std::string(value);
}

void RegTree::SetDword(std::string_view key, std::string_view name, uint32_t value) {
  CreateKey(key);
  auto& values = keys_[Fold(NormalizeKey(key))].values;
  auto it = values.find(Fold(name));
  if (it == values.end())
    values.emplace(Fold(name), std::make_pair(std::string(name), RegValue(value)));
  else
    it->second.second = value;
}

std::vector<std::string> RegTree::SubKeys(std::string_view key) const {
  std::string folded = Fold(NormalizeKey(key));
  std::string prefix = folded.empty() ? std::string() : folded + "\\";
  std::vector<std::string> r;
  for (auto it = keys_.lower_bound(prefix); it != keys_.end() && it->first.compare(0, prefix.size(), prefix) == 0;
       ++it) {
    if (it->first.find('\\', prefix.size()) != std::string::npos) continue;
    r.emplace_back(LastElement(it->second.name));
  }
  return r;
}

std::vector<std::string> RegTree::ValueNames(std::string_view key) const {
  std::vector<std::string> r;
  auto it = keys_.find(Fold(NormalizeKey(key)));
  if (it == keys_.end()) return r;
  for (const auto& [folded, nv] : it->second.values) r.push_back(nv.first);
  return r;
}

std::string RegTree::Serialize() const {
  std::string out(kFormatTag);
  out += '\n';
  for (const auto& [folded, key] : keys_) {
    out += "\n[";
    out += EncodeKey(key.name);
    out += "]\n";
    for (const auto& [vf, nv] : key.values) {
      out += QuoteString(nv.first);
      out += '=';
      if (const auto* s = std::get_if<std::string>(&nv.second)) {
        out += "string:";
        out += QuoteString(*s);
      } else {
        char buf[16];
        std::snprintf(buf, sizeof buf, "dword:%08x", std::get<uint32_t>(nv.second));
        out += buf;
      }
      out += '\n';
    }
  }
  return out;
}

RegTree RegTree::Parse(std::string_view text) {
  RegTree tree;
  // A file of nothing but blanks holds no keys.
  if (text.find_first_not_of(" \t\r\n") == std::string_view::npos) return tree;
  size_t lineNo = 0;
  size_t pos = 0;
  std::string current;  // folded key of the open section
  bool sawTag = false;
  bool inSection = false;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    std::string_view line = text.substr(pos, end == std::string_view::npos ? std::string_view::npos : end - pos);
    pos = end == std::string_view::npos ? text.size() : end + 1;
    ++lineNo;
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
    if (!sawTag) {
      if (line != kFormatTag) Fail(lineNo, "not a registry file (expected \"" + std::string(kFormatTag) + "\")");
      sawTag = true;
      continue;
    }
    if (line.empty() || line.front() == ';' || line.front() == '#') continue;
    if (line.front() == '[') {
      if (line.back() != ']' || line.size() < 3) Fail(lineNo, "malformed key header");
      std::string name = NormalizeKey(DecodeKey(line.substr(1, line.size() - 2), lineNo));
      if (name.empty()) Fail(lineNo, "empty key name");
      tree.CreateKey(name);
      current = Fold(name);
      inSection = true;
      continue;
    }
    if (line.front() != '"') Fail(lineNo, "expected a key header or a value");
    if (!inSection) Fail(lineNo, "value outside of a key");
    size_t p = 0;
    std::string valueName = ReadQuoted(line, p, lineNo);
    if (p >= line.size() || line[p] != '=') Fail(lineNo, "expected '=' after the value name");
    ++p;
    std::string_view rest = line.substr(p);
    RegValue value;
    if (rest.substr(0, 7) == "string:") {
      size_t q = p + 7;
      value = ReadQuoted(line, q, lineNo);
      if (q != line.size()) Fail(lineNo, "text after the string value");
    } else if (rest.substr(0, 6) == "dword:") {
      std::string_view digits = rest.substr(6);
      if (digits.empty() || digits.size() > 8) Fail(lineNo, "bad dword value");
      uint32_t n = 0;
      auto [ptr, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), n, 16);
      if (ec != std::errc() || ptr != digits.data() + digits.size()) Fail(lineNo, "bad dword value");
      value = n;
    } else {
      Fail(lineNo, "unknown value type");
    }
    auto& values = tree.keys_[current].values;
    if (!values.emplace(Fold(valueName), std::make_pair(valueName, std::move(value))).second)
      Fail(lineNo, "duplicate value \"" + valueName + "\"");
  }
  return tree;
}

void RegTree::Overlay(const RegTree& over) {
  for (const auto& [folded, key] : over.keys_) keys_[folded] = key;
}

bool RegTree::operator==(const RegTree& o) const {
  if (keys_.size() != o.keys_.size()) return false;
  for (auto a = keys_.begin(), b = o.keys_.begin(); a != keys_.end(); ++a, ++b) {
    if (a->first != b->first || a->second.name != b->second.name) return false;
    if (a->second.values != b->second.values) return false;
  }
  return true;
}

}  // namespace reg
