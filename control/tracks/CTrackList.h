// The control's ordered list of WAV files staged for the next burn. Paths are
// kept exactly as the host gave them. The list carries its own lock so that a
// burn job can take a copy of the paths while the host thread changes it.
#pragma once

#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/com/ComTypes.h"

class CTrackList {
 public:
  // Checks the file (CWavFile::CheckFile) and appends it when it passes;
  // returns the check's result (0, -1, -2, -3).
  SHORT AddAudioTrack(std::u16string_view strFileName);
  // Removes the entry at a zero-based position; false when there is none.
  bool DeleteAudioTrack(SHORT nIndex);
  void DeleteAllItems();

  size_t Count() const;
  // A copy of the paths in list order, for a job to walk on its own thread.
  std::vector<std::u16string> Snapshot() const;

 private:
  mutable std::mutex m_mutex;
  std::vector<std::u16string> m_vecPaths;
};
