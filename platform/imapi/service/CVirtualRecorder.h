// A recorder that records a disc as an image in its folder:
// disc-NNNN.bin (raw samples as staged) and disc-NNNN.cue, numbered upwards,
// never overwritten, each appearing under its name only when complete. Its
// tray (<folder>/.tray) survives between processes; exclusive use is an
// flock on <folder>/.lock, so it holds across processes too.
#pragma once

#include <string>

#include "platform/base/UniqueFd.h"
#include "platform/imapi/service/CRecorderDevice.h"
#include "platform/imapi/service/CTrayState.h"
#include "platform/imapi/service/CVirtualRecorderStore.h"

class CVirtualRecorder : public CRecorderDevice {
 public:
  explicit CVirtualRecorder(VirtualRecorderConfig config);
  ~CVirtualRecorder() override;

  std::string Key() const override { return "virtual:" + m_config.folder; }
  std::string Vendor() const override { return m_config.vendor; }
  std::string Product() const override { return m_config.product; }
  std::string Revision() const override { return m_config.revision; }
  std::string Path() const override { return m_config.folder; }
  LONG RecorderType() const override;
  bool IsVirtual() const override { return true; }
  uint64_t CapacityBlocks() const override { return uint64_t{m_config.minutes} * 60 * 75; }
  std::string StashFolder() const override { return m_config.folder; }

  bool IsOpen() const override { return m_lock.Valid(); }
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

  CTrayState Tray() const { return CTrayState::Read(m_config.folder, m_config.media); }
  // The next free image number in the folder (1 when there is none).
  static unsigned NextImageNumber(const std::string& folder);

 private:
  HRESULT Publish(const std::string& tmpBin, unsigned number, const std::vector<uint32_t>& blocks,
                  std::string* base);

  VirtualRecorderConfig m_config;
  UniqueFd m_lock;  // held while the recorder is open
  UniqueFd m_read;  // the image being read back
  uint64_t m_readBlocks = 0;
};
