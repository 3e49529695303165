// Reads the audio disc in one recorder back. A virtual recorder is taken for
// exclusive use while it is read; a drive is read through its device node.
#pragma once

#include <memory>
#include <vector>

#include "platform/com/ComObject.h"
#include "platform/com/ComPtr.h"
#include "platform/imapi/DiscReadback.h"
#include "platform/imapi/service/CServiceModule.h"
#include "platform/imapi/service/DriveBackend.h"

class CDiscMasterSession;
class CDiscRecorderObj;
class CRecorderDevice;

class CDiscReadbackObj final
    : public ComObject<CDiscReadbackObj, IDiscAudioReadback, CServiceModule::ObjectLock> {
 public:
  CDiscReadbackObj();

  HRESULT OpenRecorder(LONG nRecorder) override;
  HRESULT GetTrackCount(LONG* pnTracks) override;
  HRESULT GetTrackExtent(LONG nTrack, LONG* pnFirstBlock, LONG* pnBlocks) override;
  HRESULT ReadAudioBlocks(LONG nFirstBlock, LONG nBlocks, BYTE* pbBuffer, LONG cbBuffer) override;
  HRESULT SetEvents(IDiscReadbackEvents* pEvents) override;
  HRESULT Eject() override;
  HRESULT Close() override;

 private:
  ~CDiscReadbackObj() override;
  CRecorderDevice* Device() const;

  std::shared_ptr<CDiscMasterSession> m_session;
  ComPtr<CDiscRecorderObj> m_recorder;
  bool m_bTookOpen = false;
  std::vector<imapi_backend::AudioTrackExtent> m_tracks;
  uint32_t m_discBlocks = 0;
  uint32_t m_furthest = 0;
  ComPtr<IDiscReadbackEvents> m_events;
};
