#include "control/tracks/CTrackList.h"

#include "control/tracks/CWavFile.h"

SHORT CTrackList::AddAudioTrack(std::u16string_view strFileName) {
  // The file is checked without the lock: a slow disk must not block a job
  // taking its copy.
  SHORT nResult = CWavFile::CheckFile(strFileName);
  if (nResult != CWavFile::kAccepted) return nResult;
  std::lock_guard<std::mutex> lock(m_mutex);
  m_vecPaths.emplace_back(strFileName);
  return nResult;
}

bool CTrackList::DeleteAudioTrack(SHORT nIndex) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (nIndex < 0 || static_cast<size_t>(nIndex) >= m_vecPaths.size()) return false;
  m_vecPaths.erase(m_vecPaths.begin() + nIndex);
  return true;
}

void CTrackList::DeleteAllItems() {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_vecPaths.clear();
}

size_t CTrackList::Count() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_vecPaths.size();
}

std::vector<std::u16string> CTrackList::Snapshot() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_vecPaths;
}
