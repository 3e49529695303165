// Builds WAV files byte by byte, with header sizes that may lie about the
// bodies that follow them.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace wavbytes {

using Bytes = std::vector<uint8_t>;

void Append(Bytes& v, const Bytes& more);

// The basic 16-byte format block.
Bytes FmtBlock(uint16_t channels = 2, uint32_t rate = 44100, uint16_t bits = 16, uint16_t formatTag = 1);
// A chunk header with the stated size, followed by body (of any length).
Bytes Chunk(const std::string& tag, uint32_t statedSize, const Bytes& body);
Bytes Chunk(const std::string& tag, const Bytes& body);
// "RIFF", a size, "WAVE" (or the given tags).
Bytes RiffHeader(const std::string& riff = "RIFF", const std::string& form = "WAVE");
// A deterministic pattern with no zero bytes, so that padding shows.
Bytes Pattern(size_t n);

}  // namespace wavbytes

namespace wavbytes {

// A stereo 44100 Hz file in one sample format, with what the burn makes of it.
struct FormatRow {
  const char* name;
  Bytes fmtBody;            // the format chunk's body
  const char* description;  // as the refusal names it
  bool burnable;
};
inline void PrintTo(const FormatRow& row, std::ostream* os) { *os << row.name; }
std::vector<FormatRow> FormatRows();
// RIFF header, a "fmt " chunk with that body, a "data" chunk with the audio.
Bytes WavFile(const Bytes& fmtBody, const Bytes& audio);

}  // namespace wavbytes
