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

bool CCueSheet::Starts(const std::string& text, std::vector<uint32_t>* starts) {
  starts->clear();
  size_t at = 0;
  while ((at = text.find("INDEX 01 ", at)) != std::string::npos) {
    unsigned m = 0, s = 0, f = 0;
    if (std::sscanf(text.c_str() + at + 9, "%u:%u:%u", &m, &s, &f) != 3 || s >= 60 || f >= 75 || m > 99) return false;
    const uint32_t sector = (m * 60 + s) * 75 + f;
    if (!starts->empty() && sector <= starts->back()) return false;
    starts->push_back(sector);
    at += 9;
  }
  return !starts->empty();
}
