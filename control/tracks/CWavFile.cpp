#include "control/tracks/CWavFile.h"

#include <cstdio>
#include <cstring>

#include "platform/base/FdIo.h"
#include "platform/base/LittleEndian.h"
#include "platform/base/UniqueFd.h"
#include "platform/com/FileAccess.h"

namespace {

// The sub-format GUID of an extensible format chunk is the format tag in its
// first two bytes followed by these fourteen.
constexpr BYTE kSubFormatTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                     0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

}  // namespace

bool CWavFile::TagEquals(const BYTE* pbTag, const char* szTag, size_t nChars) {
  for (size_t i = 0; i < nChars; ++i) {
    BYTE b = pbTag[i];
    if (b >= 'A' && b <= 'Z') b = static_cast<BYTE>(b - 'A' + 'a');
    if (b != static_cast<BYTE>(szTag[i])) return false;
  }
  return true;
}

uint64_t CWavFile::ChunkEnd(int fd, uint64_t qwBody, DWORD dwSize) {
  uint64_t qwEnd = qwBody + dwSize;
  BYTE b = 1;
  if ((dwSize & 1u) && ReadFullAt(fd, &b, 1, qwEnd) == 1 && b == 0) ++qwEnd;
  return qwEnd;
}

SHORT CWavFile::CheckFile(std::u16string_view strFileName) { return FileFormat(strFileName).nCheck; }

CWavFile::Format CWavFile::FileFormat(std::u16string_view strFileName) {
  UniqueFd fd(OpenForRead(strFileName));
  return fd.Valid() ? ReadFormat(fd.Get()) : Format{};
}

CWavFile::Format CWavFile::ReadFormat(int fd) {
  Format format;
  BYTE riff[12];
  if (ReadFullAt(fd, riff, sizeof riff, 0) != sizeof riff) return format;
  if (!TagEquals(riff, "riff") || !TagEquals(riff + 8, "wave")) return format;

  // The chunk header and the basic 16-byte format block, read as one piece
  // whatever the chunk's size says.
  BYTE fmt[24];
  if (ReadFullAt(fd, fmt, sizeof fmt, 12) != sizeof fmt) return format;
  if (!TagEquals(fmt, "fmt", 3)) return format;

  // An extended format chunk must be readable to its stated end; its first
  // 24 bytes may name the sub-format.
  const DWORD dwSize = GetLe32(fmt + 4);
  BYTE ext[24] = {};
  size_t nExt = 0;
  if (dwSize > 16) {
    nExt = dwSize - 16 < sizeof ext ? dwSize - 16 : sizeof ext;
    BYTE last = 0;
    if (ReadFullAt(fd, ext, nExt, 36) != static_cast<ssize_t>(nExt) ||
        ReadFullAt(fd, &last, 1, 20 + uint64_t{dwSize} - 1) != 1)
      return format;
  }

  format.wTag = GetLe16(fmt + 8);
  format.wBits = GetLe16(fmt + 22);
  if (format.wTag == kTagExtensible && nExt == sizeof ext &&
      std::memcmp(ext + 10, kSubFormatTail, sizeof kSubFormatTail) == 0)
    format.wTag = GetLe16(ext + 8);
  format.nCheck = GetLe16(fmt + 10) != 2 ? kNotStereo : GetLe32(fmt + 12) != 44100 ? kNot44100 : kAccepted;
  return format;
}

bool CWavFile::Burnable(const Format& format) {
  return format.nCheck == kAccepted && format.wTag == kTagPcm && format.wBits == 16;
}

std::string CWavFile::Describe(const Format& format) {
  char text[32];
  switch (format.wTag) {
    case kTagPcm:
      std::snprintf(text, sizeof text, "%u-bit PCM", unsigned{format.wBits});
      break;
    case kTagFloat:
      std::snprintf(text, sizeof text, "%u-bit float", unsigned{format.wBits});
      break;
    case kTagAdpcm:
      return "ADPCM";
    default:
      std::snprintf(text, sizeof text, "format 0x%04X", unsigned{format.wTag});
      break;
  }
  return text;
}
