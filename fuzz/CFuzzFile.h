// One scratch file per fuzzing process for the readers that take a path:
// each input replaces its contents. Removed when the process ends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class CFuzzFile {
 public:
  CFuzzFile();
  ~CFuzzFile();
  CFuzzFile(const CFuzzFile&) = delete;
  CFuzzFile& operator=(const CFuzzFile&) = delete;

  // Replaces the contents; aborts when the file cannot be written, since a
  // reader would then be fuzzed with the wrong bytes.
  void Write(const uint8_t* pbData, size_t nSize);
  const std::string& Path() const { return m_strPath; }
  std::u16string Path16() const { return std::u16string(m_strPath.begin(), m_strPath.end()); }

 private:
  std::string m_strPath;
  int m_fd = -1;
};
