// The audio format of the service, on which the burn job stages its tracks.
#pragma once

#include "platform/com/ComPtr.h"
#include "platform/imapi/Imapi.h"

class CDiscMaster;

class CRedbookFormat {
 public:
  CRedbookFormat() = default;
  virtual ~CRedbookFormat();
  CRedbookFormat(const CRedbookFormat&) = delete;
  CRedbookFormat& operator=(const CRedbookFormat&) = delete;

  bool HasRedbookFormat() const { return static_cast<bool>(m_pRedbookFormat); }

  HRESULT CreateAudioTrack(LONG lBlocks);
  HRESULT AddAudioTrackBlocks(BYTE* pbyBuffer, LONG lBytes);
  HRESULT CloseAudioTrack();

 private:
  friend class CDiscMaster;

  ComPtr<IRedbookDiscMaster> m_pRedbookFormat;
};
