// The cantrel tool's verification: reads the disc in a recorder back through
// the disc-mastering service and compares it with the WAV files, printing a
// verdict for every track. Needs the thread's apartment.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/com/ComPtr.h"
#include "platform/imapi/DiscReadback.h"
#include "tools/cantrel/CWavTrackSource.h"

class CDiscVerifier {
 public:
  enum class Result { Identical, Differs, Failed, Busy, NoSuchRecorder };

  CDiscVerifier() = default;
  ~CDiscVerifier();
  CDiscVerifier(const CDiscVerifier&) = delete;
  CDiscVerifier& operator=(const CDiscVerifier&) = delete;

  // Checks and opens the files first: a refused file needs no disc.
  bool OpenFiles(const std::vector<std::string>& files, std::string* pWhy);
  // Takes the recorder; on failure *pWhy says what is wrong.
  Result Open(int nDrive, std::string* pWhy);
  // Prints the verdicts (and progress when bTerminal); *pWhy for Failed.
  Result Compare(bool bTerminal, std::string* pWhy);
  HRESULT Eject();

 private:
  std::vector<std::string> m_files;
  std::vector<std::unique_ptr<CWavTrackSource>> m_tracks;
  ComPtr<IDiscAudioReadback> m_reader;
  int m_nDrive = 0;
};
