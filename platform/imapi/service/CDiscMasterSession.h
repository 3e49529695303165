// The state of one opened disc master, shared by the objects that it hands
// out (formats, recorders): the recorders found, the active recorder and
// format, the staged tracks and the progress sinks.
#pragma once

#include <map>
#include <memory>
#include <vector>

#include "platform/com/ComPtr.h"
#include "platform/imapi/Imapi.h"
#include "platform/imapi/service/CAudioStash.h"

class CDiscRecorderObj;

class CDiscMasterSession : public std::enable_shared_from_this<CDiscMasterSession> {
 public:
  CDiscMasterSession();
  ~CDiscMasterSession();

  bool IsOpen() const { return m_bOpen; }
  HRESULT Open();
  // Drops the sinks, the staged tracks and the recorders.
  void Close();

  // Finds the recorders again (virtual ones first, in the order they were
  // added, then the drives), keeping the objects of those still there.
  void Refresh();
  std::vector<ComPtr<IDiscRecorder>> Recorders() const;
  ComPtr<CDiscRecorderObj> Find(IDiscRecorder* pRecorder) const;

  ComPtr<CDiscRecorderObj> m_pActive;
  IID m_iidFormat = IID_IJolietDiscMaster;

  // What a disc in the active recorder holds, in blocks.
  uint64_t CapacityBlocks() const;
  // The staging of the Redbook format; created at the first track.
  CAudioStash* Stash() const { return m_pStash.get(); }
  CAudioStash& MakeStash();
  void ClearContent() { m_pStash.reset(); }

  HRESULT Advise(IDiscMasterProgressEvents* pSink, UINT_PTR* pCookie);
  HRESULT Unadvise(UINT_PTR cookie);
  HRESULT RecordDisc(bool bSimulate, bool bEject);
  void NotifyEraseComplete(HRESULT hr);

 private:
  std::vector<ComPtr<IDiscMasterProgressEvents>> Sinks() const;

  bool m_bOpen = false;
  std::vector<ComPtr<CDiscRecorderObj>> m_recorders;
  std::unique_ptr<CAudioStash> m_pStash;
  std::map<UINT_PTR, ComPtr<IDiscMasterProgressEvents>> m_sinks;
  UINT_PTR m_nextCookie = 0;
};
