// A real drive, reached through the backend.
#pragma once

#include <memory>

#include "platform/imapi/service/CRecorderDevice.h"
#include "platform/imapi/service/DriveBackend.h"

class CBackendRecorder : public CRecorderDevice {
 public:
  CBackendRecorder(std::shared_ptr<imapi_backend::DriveBackend> backend, imapi_backend::DriveInfo info);
  ~CBackendRecorder() override;

  std::string Key() const override { return "drive:" + m_info.id; }
  std::string Vendor() const override { return m_info.vendor; }
  std::string Product() const override { return m_info.product; }
  std::string Revision() const override { return m_info.revision; }
  std::string Path() const override { return m_info.id; }
  LONG RecorderType() const override;
  bool IsVirtual() const override { return false; }
  // The largest common disc; the drive itself refuses what does not fit.
  uint64_t CapacityBlocks() const override { return 80ull * 60 * 75; }
  std::string StashFolder() const override;

  bool IsOpen() const override { return m_bOpen; }
  HRESULT OpenExclusive() override;
  HRESULT Close() override;
  HRESULT QueryMediaType(LONG* plType, LONG* plFlags) override;
  HRESULT QueryMediaInfo(BYTE* pbSessions, BYTE* pbLastTrack, ULONG* pulStart, ULONG* pulNextWritable,
                         ULONG* pulFreeBlocks) override;
  HRESULT Eject() override;
  HRESULT Erase(bool bFull) override;
  HRESULT Record(const std::vector<imapi_backend::TrackSpec>& tracks, bool bSimulate, bool bEject,
                 const imapi_backend::RecordCallbacks& callbacks) override;
  HRESULT ReadLayout(std::vector<imapi_backend::AudioTrackExtent>* tracks) override;
  HRESULT ReadAudio(uint32_t firstBlock, uint32_t blocks, uint8_t* out) override;
  void EndReading() override;

 private:
  std::shared_ptr<imapi_backend::DriveBackend> m_backend;
  imapi_backend::DriveInfo m_info;
  bool m_bOpen = false;
  bool m_bReading = false;
};
