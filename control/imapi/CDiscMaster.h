// The disc-mastering service as one job sees it: the service object, its
// active recorder (the CRecorder part), the audio format for staging (the
// CRedbookFormat part) and a restartable walk over the recorders. Results are
// the service's own; an operation whose interface is not held answers E_FAIL
// without calling anything.
#pragma once

#include "control/imapi/CJolietFormat.h"
#include "control/imapi/CRecorder.h"
#include "control/imapi/CRedbookFormat.h"
#include "platform/com/ComPtr.h"
#include "platform/imapi/Imapi.h"

class CDiscMaster : public CRecorder, public CJolietFormat, public CRedbookFormat {
 public:
  CDiscMaster() = default;
  ~CDiscMaster() override;

  bool HasDiscMaster() const { return static_cast<bool>(m_pDiscMaster); }

  // Creates and opens the service, re-selects its active format and takes its
  // active recorder. Succeeds only when that format is Joliet or Redbook.
  HRESULT Open();
  // Ends the service's work and lets it go; recorder, walk and formats stay.
  void Close();

  HRESULT GetActiveFormat(IID* pIidFormat);
  // Only the Joliet and Redbook ids are accepted; the format reference of
  // that kind is replaced, the other one is kept.
  HRESULT SetActiveFormat(REFIID iidFormat);

  // S_OK: rRecorder holds the next recorder; S_FALSE: the walk is over.
  HRESULT GetFirstRecorder(CRecorder& rRecorder);
  HRESULT GetNextRecorder(CRecorder& rRecorder);
  HRESULT SetActiveRecorder(CRecorder& rRecorder);

  HRESULT ProgressAdvise(IDiscMasterProgressEvents* pSink, UINT_PTR* pCookie);
  HRESULT ProgressUnadvise(UINT_PTR nCookie);
  // Returns when the recording has ended.
  HRESULT RecordDisc(bool bSimulate, bool bEjectAfterBurn);

 private:
  HRESULT NextRecorder(CRecorder& rRecorder);

  ComPtr<IDiscMaster> m_pDiscMaster;
  ComPtr<IEnumDiscRecorders> m_pEnumRecorders;
};
