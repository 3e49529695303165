#include "platform/com/Resources.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <limits>

#include "platform/base/FdIo.h"
#include "platform/base/LittleEndian.h"
#include "platform/base/UniqueFd.h"

// Section payload, little-endian, no padding:
//   "PXRS"  u32 version (1)  u32 count
//   count x { u32 typeLength, type bytes, u32 id, u32 dataLength, data bytes }
// The same layout is emitted by cmake/Resources.cmake; keep them in step.

namespace {

constexpr char kMagic[4] = {'P', 'X', 'R', 'S'};
constexpr uint32_t kVersion = 1;
constexpr uint32_t kMaxTypeLength = 64;
constexpr uint64_t kMaxFileSection = 256u << 20;  // refuse absurd sections instead of allocating them

class Reader {
 public:
  Reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool U32(uint32_t& v) {
    if (size_ - pos_ < 4) return false;
    v = GetLe32(data_ + pos_);
    pos_ += 4;
    return true;
  }
  bool Bytes(size_t n, const uint8_t*& p) {
    if (size_ - pos_ < n) return false;
    p = data_ + pos_;
    pos_ += n;
    return true;
  }
  size_t Remaining() const { return size_ - pos_; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

// Reads exactly len bytes at off; false on any short read.
bool ReadAt(int fd, uint64_t off, void* buf, size_t len) {
  return ReadFullAt(fd, buf, len, off) == static_cast<ssize_t>(len);
}


}  // namespace

std::vector<uint8_t> PackResources(const std::vector<ResourceEntry>& entries) {
  std::vector<uint8_t> out(kMagic, kMagic + 4);
  PutLe32(out, kVersion);
  PutLe32(out, static_cast<uint32_t>(entries.size()));
  for (const auto& e : entries) {
    PutLe32(out, static_cast<uint32_t>(e.type.size()));
    out.insert(out.end(), e.type.begin(), e.type.end());
    PutLe32(out, e.id);
    PutLe32(out, static_cast<uint32_t>(e.data.size()));
    out.insert(out.end(), e.data.begin(), e.data.end());
  }
  return out;
}

std::optional<std::vector<ResourceEntry>> UnpackResources(const uint8_t* data, size_t size) {
  if (!data && size > 0) return std::nullopt;
  Reader r(data, size);
  const uint8_t* magic = nullptr;
  uint32_t version = 0, count = 0;
  if (!r.Bytes(4, magic) || std::memcmp(magic, kMagic, 4) != 0) return std::nullopt;
  if (!r.U32(version) || version != kVersion) return std::nullopt;
  if (!r.U32(count)) return std::nullopt;
  // Every entry takes at least 12 bytes; a larger count is damage, not a
  // reason to reserve memory.
  if (count > r.Remaining() / 12) return std::nullopt;

  std::vector<ResourceEntry> entries;
  entries.reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    ResourceEntry e;
    uint32_t typeLength = 0, dataLength = 0;
    const uint8_t* type = nullptr;
    const uint8_t* bytes = nullptr;
    if (!r.U32(typeLength) || typeLength == 0 || typeLength > kMaxTypeLength) return std::nullopt;
    if (!r.Bytes(typeLength, type)) return std::nullopt;
    e.type.assign(reinterpret_cast<const char*>(type), typeLength);
    if (!r.U32(e.id) || !r.U32(dataLength)) return std::nullopt;
    if (!r.Bytes(dataLength, bytes)) return std::nullopt;
    e.data.assign(bytes, bytes + dataLength);
    entries.push_back(std::move(e));
  }
  // The linker may pad the section's end; anything but zero padding is damage.
  const uint8_t* rest = nullptr;
  const size_t remaining = r.Remaining();
  if (!r.Bytes(remaining, rest)) return std::nullopt;
  for (size_t i = 0; i < remaining; ++i)
    if (rest[i] != 0) return std::nullopt;
  return entries;
}

std::optional<std::vector<ResourceEntry>> ReadResourcesFromFile(const std::string& path) {
  UniqueFd fd(OpenRegularFile(path.c_str(), path.size()));
  if (!fd.Valid()) return std::nullopt;
  struct stat st {};
  if (::fstat(fd.Get(), &st) != 0) return std::nullopt;
  const uint64_t fileSize = static_cast<uint64_t>(st.st_size);

  // ELF64 little-endian header.
  uint8_t eh[64];
  if (fileSize < sizeof(eh) || !ReadAt(fd.Get(), 0, eh, sizeof(eh))) return std::nullopt;
  if (std::memcmp(eh, "\x7f" "ELF", 4) != 0 || eh[4] != 2 /*ELFCLASS64*/ || eh[5] != 1 /*LSB*/)
    return std::nullopt;
  const uint64_t shoff = GetLe64(eh + 0x28);
  const uint16_t shentsize = GetLe16(eh + 0x3A);
  uint64_t shnum = GetLe16(eh + 0x3C);
  uint32_t shstrndx = GetLe16(eh + 0x3E);
  if (shoff == 0 || shentsize < 64) return std::nullopt;

  auto sectionHeader = [&](uint64_t index, uint8_t (&sh)[64]) {
    if (index > (std::numeric_limits<uint64_t>::max() - shoff) / shentsize) return false;
    const uint64_t off = shoff + index * shentsize;
    if (off > fileSize || fileSize - off < sizeof(sh)) return false;
    return ReadAt(fd.Get(), off, sh, sizeof(sh));
  };

  uint8_t sh[64];
  // Large section counts and string-table indices live in section 0.
  if (shnum == 0 || shstrndx == 0xFFFF) {
    if (!sectionHeader(0, sh)) return std::nullopt;
    if (shnum == 0) shnum = GetLe64(sh + 0x20);
    if (shstrndx == 0xFFFF) shstrndx = GetLe32(sh + 0x28);
  }
  if (shnum == 0 || shnum > 0x10000000 || shstrndx >= shnum) return std::nullopt;

  // Section name string table.
  if (!sectionHeader(shstrndx, sh)) return std::nullopt;
  const uint64_t strOff = GetLe64(sh + 0x18);
  const uint64_t strSize = GetLe64(sh + 0x20);
  if (GetLe32(sh + 0x04) == 8 /*SHT_NOBITS*/) return std::nullopt;
  if (strOff > fileSize || strSize > fileSize - strOff || strSize > kMaxFileSection) return std::nullopt;
  std::vector<char> names(static_cast<size_t>(strSize));
  if (strSize > 0 && !ReadAt(fd.Get(), strOff, names.data(), names.size())) return std::nullopt;

  static constexpr char kSection[] = "pxres";
  for (uint64_t i = 0; i < shnum; ++i) {
    if (!sectionHeader(i, sh)) return std::nullopt;
    const uint32_t nameOff = GetLe32(sh);
    if (nameOff >= names.size()) continue;
    const size_t maxLen = names.size() - nameOff;
    const size_t nameLen = strnlen(names.data() + nameOff, maxLen);
    if (nameLen == maxLen) continue;  // not terminated inside the table
    if (nameLen != sizeof(kSection) - 1 || std::memcmp(names.data() + nameOff, kSection, nameLen) != 0) continue;

    if (GetLe32(sh + 0x04) == 8 /*SHT_NOBITS*/) return std::nullopt;
    const uint64_t off = GetLe64(sh + 0x18);
    const uint64_t size = GetLe64(sh + 0x20);
    if (off > fileSize || size > fileSize - off || size > kMaxFileSection) return std::nullopt;
    std::vector<uint8_t> payload(static_cast<size_t>(size));
    if (size > 0 && !ReadAt(fd.Get(), off, payload.data(), payload.size())) return std::nullopt;
    return UnpackResources(payload.data(), payload.size());
  }
  return std::nullopt;
}

const ResourceEntry* FindResource(const std::vector<ResourceEntry>& entries, const std::string& type, uint32_t id) {
  for (const auto& e : entries)
    if (e.id == id && e.type == type) return &e;
  return nullptr;
}
