// The burn job's reader: finds the audio data and hands it out in blocks.
// An independent walk over the chunks says where the data lies; every block
// handed out must hold exactly those bytes (the last one padded with
// zeros), and the track is complete exactly when the file holds all of it.
#include <cstdlib>
#include <cstring>
#include <optional>
#include <vector>

#include "control/tracks/CWavReader.h"
#include "fuzz/CFuzzFile.h"

namespace {

struct DataChunk {
  uint64_t qwStart;
  uint32_t dwSize;
};

// The first "data" chunk after the 12-byte RIFF header, walking chunk by
// chunk; odd bodies carry one pad byte.
std::optional<DataChunk> FindDataChunk(const uint8_t* data, size_t size) {
  uint64_t pos = 12;
  while (pos + 8 <= size) {
    const uint8_t* h = data + pos;
    uint32_t len = uint32_t(h[4]) | uint32_t(h[5]) << 8 | uint32_t(h[6]) << 16 | uint32_t(h[7]) << 24;
    bool isData = true;
    for (int i = 0; i < 4; ++i) isData = isData && (h[i] | 0x20) == "data"[i];
    if (isData) return DataChunk{pos + 8, len};
    pos += 8 + uint64_t(len) + (len & 1u);
  }
  return std::nullopt;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static CFuzzFile file;
  file.Write(data, size);
  CWavReader reader;
  if (!reader.Open(file.Path16())) std::abort();  // the file exists
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
    for (size_t i = nWant; i < block.size(); ++i)
      if (block[i] != 0) std::abort();
    offset += nWant;
  }
  if (n != reader.BlocksDelivered()) std::abort();
  const bool bWhole = chunk->qwStart + chunk->dwSize <= size;
  if (reader.Complete() != bWhole) std::abort();
  if (reader.NextBlock(block.data())) std::abort();  // stays at the end
  return 0;
}
