// The audio format: stages tracks of 2352-byte blocks for the next
// recording. Answers only while its disc master is open and audio is the
// active format.
#pragma once

#include <memory>

#include "platform/com/ComObject.h"
#include "platform/imapi/Imapi.h"
#include "platform/imapi/service/CServiceModule.h"

class CDiscMasterSession;

class CRedbookDiscMasterObj final
    : public ComObject<CRedbookDiscMasterObj, IRedbookDiscMaster, CServiceModule::ObjectLock> {
 public:
  explicit CRedbookDiscMasterObj(std::shared_ptr<CDiscMasterSession> session);

  HRESULT GetTotalAudioTracks(LONG* pnTracks) override;
  HRESULT GetTotalAudioBlocks(LONG* pnBlocks) override;
  HRESULT GetUsedAudioBlocks(LONG* pnBlocks) override;
  HRESULT GetAvailableAudioTrackBlocks(LONG* pnBlocks) override;
  HRESULT GetAudioBlockSize(LONG* pnBlockBytes) override;
  HRESULT CreateAudioTrack(LONG nBlocks) override;
  HRESULT AddAudioTrackBlocks(BYTE* pby, LONG cb) override;
  HRESULT CloseAudioTrack() override;

 private:
  HRESULT Usable() const;
  std::shared_ptr<CDiscMasterSession> m_session;
};
