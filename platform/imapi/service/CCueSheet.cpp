#include "platform/imapi/service/CCueSheet.h"

#include <cstdio>

std::string CCueSheet::Msf(uint64_t sector) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%02llu:%02llu:%02llu", static_cast<unsigned long long>(sector / 4500),
                static_cast<unsigned long long>(sector / 75 % 60), static_cast<unsigned long long>(sector % 75));
  return buf;
}

std::string CCueSheet::Text(const std::string& binName, const std::vector<uint32_t>& blocks) {
  std::string out = "FILE \"" + binName + "\" BINARY\n";
  uint64_t offset = 0;
  for (size_t i = 0; i < blocks.size(); ++i) {
    char track[48];
    std::snprintf(track, sizeof track, "  TRACK %02zu AUDIO\n", i + 1);
    out += track;
    out += "    INDEX 01 " + Msf(offset) + "\n";
    offset += blocks[i];
  }
  return out;
}
