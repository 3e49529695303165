// The cantrel tool's verification: reads the disc in a recorder back through
// the disc-mastering service and compares it with the WAV files, printing a
// verdict for every track. Needs the thread's apartment.
#pragma once

#include <string>
#include <vector>

#include "platform/com/ComPtr.h"
#include "platform/imapi/DiscReadback.h"

class CDiscVerifier {
 public:
  enum class Result { Identical, Differs, Failed, Busy, NoSuchRecorder };

  CDiscVerifier() = default;
  ~CDiscVerifier();
  CDiscVerifier(const CDiscVerifier&) = delete;
  CDiscVerifier& operator=(const CDiscVerifier&) = delete;

  // Takes the recorder; on failure *pWhy says what is wrong.
  Result Open(int nDrive, std::string* pWhy);
  // Prints the verdicts (and progress when bTerminal); *pWhy for Failed.
  Result Compare(const std::vector<std::string>& files, bool bTerminal, std::string* pWhy);
  HRESULT Eject();

 private:
  ComPtr<IDiscAudioReadback> m_reader;
  int m_nDrive = 0;
};
