#include "tools/cantrel/CWavTrackSource.h"

#include "platform/com/Utf.h"

bool CWavTrackSource::Open(const std::string& path) {
  const std::u16string name = Utf8ToUtf16(path);
  return m_reader.Open(name) && m_reader.LastError() == CWavReader::Error::None;
}
