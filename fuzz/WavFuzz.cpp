// The add-time check and the burn's reader against one independent reading
// of the same bytes: the header verdict, the sample format (an extensible one
// resolved to its sub-format) and where the audio lies. The check and the
// reader must agree on every header; every block handed out must hold exactly
// the audio (the last one padded with zeros), and the track is complete
// exactly when the file holds all of it.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <vector>

#include "control/tracks/CWavFile.h"
#include "control/tracks/CWavReader.h"
#include "fuzz/FuzzSupport.h"
#include "platform/base/LittleEndian.h"

namespace {

bool TagIs(const uint8_t* p, const char* tag, int n = 4) {
  for (int i = 0; i < n; ++i)
    if ((p[i] | 0x20) != tag[i]) return false;
  return true;
}

CWavFile::Format ExpectedFormat(const uint8_t* data, size_t size) {
  CWavFile::Format f;
  if (size < 36 || !TagIs(data, "riff") || !TagIs(data + 8, "wave") || !TagIs(data + 12, "fmt", 3)) return f;
  const uint64_t fmtSize = GetLe32(data + 16);
  if (fmtSize > 16 && 20 + fmtSize > size) return f;
  f.wTag = GetLe16(data + 20);
  f.wBits = GetLe16(data + 34);
  static const uint8_t kTail[14] = {0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71};
  if (f.wTag == 0xFFFE && fmtSize >= 40 && std::memcmp(data + 46, kTail, 14) == 0)
    f.wTag = GetLe16(data + 44);
  f.nCheck = GetLe16(data + 22) != 2 ? CWavFile::kNotStereo
             : GetLe32(data + 24) != 44100 ? CWavFile::kNot44100
                                         : CWavFile::kAccepted;
  return f;
}

struct DataChunk {
  uint64_t qwStart;
  uint32_t dwSize;
};

// The first "data" chunk after the RIFF header; an odd body is followed by a
// pad byte only where that byte is zero.
std::optional<DataChunk> FindDataChunk(const uint8_t* data, size_t size) {
  uint64_t pos = 12;
  while (pos + 8 <= size) {
    const uint8_t* h = data + pos;
    const uint32_t len = GetLe32(h + 4);
    if (TagIs(h, "data")) return DataChunk{pos + 8, len};
    pos += 8 + uint64_t(len);
    if ((len & 1u) && pos < size && data[pos] == 0) ++pos;
  }
  return std::nullopt;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static CFuzzFile file;
  file.Write(data, size);
  const CWavFile::Format expected = ExpectedFormat(data, size);
  if (CWavFile::CheckFile(file.Path16()) != expected.nCheck) std::abort();
  CWavReader reader;
  if (!reader.Open(file.Path16())) std::abort();  // the file exists
  const CWavFile::Format& f = reader.Format();
  if (f.nCheck != expected.nCheck) std::abort();  // the check and the burn agree
  if (f.nCheck == CWavFile::kAccepted && (f.wTag != expected.wTag || f.wBits != expected.wBits)) std::abort();
  if (!(f.nCheck == CWavFile::kAccepted && f.wTag == 1 && f.wBits == 16)) {
    if (reader.BlockCount() != 0 || reader.LastError() != CWavReader::Error::BadFormat) std::abort();
    return 0;
  }
  const auto chunk = FindDataChunk(data, size);
  if (!chunk) {
    if (reader.BlockCount() != 0 || reader.LastError() != CWavReader::Error::NoData) std::abort();
    return 0;
  }
  if (reader.DataSize() != chunk->dwSize) std::abort();

  std::vector<BYTE> block(CWavReader::kBlockSize);
  uint64_t offset = 0;  // into the data
  size_t n = 0;
  while (reader.NextBlock(block.data())) {
    if (++n > reader.BlockCount()) std::abort();
    const uint64_t nWant = std::min<uint64_t>(CWavReader::kBlockSize, chunk->dwSize - offset);
    const uint64_t start = chunk->qwStart + offset;
    // A block is handed out only when the file holds all of it.
    if (start + nWant > size) std::abort();
    if (std::memcmp(block.data(), data + start, nWant) != 0) std::abort();
    if (std::any_of(block.begin() + static_cast<long>(nWant), block.end(), [](BYTE b) { return b != 0; })) std::abort();
    offset += nWant;
  }
  if (n != reader.BlocksDelivered()) std::abort();
  if (reader.Complete() != (chunk->qwStart + chunk->dwSize <= size)) std::abort();
  if (reader.NextBlock(block.data())) std::abort();  // stays at the end
  return 0;
}
