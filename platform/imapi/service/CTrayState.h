// What lies in a virtual recorder's tray, kept in <folder>/.tray so that it
// survives between processes. The file is replaced atomically; a missing or
// unreadable file means a fresh blank disc.
#pragma once

#include <cstdint>
#include <string>

class CTrayState {
 public:
  bool m_bBlank = true;
  std::string m_strMedia = "cd-r";  // "cd-r" or "cd-rw"
  std::string m_strImage;           // base name of the recorded image, e.g. "disc-0003"
  unsigned m_nTracks = 0;
  uint64_t m_nBlocks = 0;

  static CTrayState Read(const std::string& folder, const std::string& defaultMedia);
  // false (errno set) when the state could not be stored.
  bool Write(const std::string& folder) const;
  static CTrayState Blank(const std::string& media);
  // "blank CD-R", "CD-RW with disc-0003 (2 tracks)"
  std::string Describe() const;
};
