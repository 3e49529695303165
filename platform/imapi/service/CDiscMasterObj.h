// The disc master: Open first (every other call before it answers
// IMAPI_E_NOTOPENED), then formats, recorders, sinks, RecordDisc, Close.
#pragma once

#include <memory>

#include "platform/com/ComObject.h"
#include "platform/imapi/Imapi.h"
#include "platform/imapi/service/CDiscMasterSession.h"
#include "platform/imapi/service/CServiceModule.h"

class CDiscMasterObj final : public ComObject<CDiscMasterObj, IDiscMaster, CServiceModule::ObjectLock> {
 public:
  CDiscMasterObj();

  HRESULT Open() override;
  HRESULT EnumDiscMasterFormats(IEnumDiscMasterFormats** ppEnum) override;
  HRESULT GetActiveDiscMasterFormat(LPIID lpiid) override;
  HRESULT SetActiveDiscMasterFormat(REFIID riid, void** ppUnk) override;
  HRESULT EnumDiscRecorders(IEnumDiscRecorders** ppEnum) override;
  HRESULT GetActiveDiscRecorder(IDiscRecorder** ppRecorder) override;
  HRESULT SetActiveDiscRecorder(IDiscRecorder* pRecorder) override;
  HRESULT ClearFormatContent() override;
  HRESULT ProgressAdvise(IDiscMasterProgressEvents* pEvents, UINT_PTR* pvCookie) override;
  HRESULT ProgressUnadvise(UINT_PTR vCookie) override;
  HRESULT RecordDisc(boolean bSimulate, boolean bEjectAfterBurn) override;
  HRESULT Close() override;

 private:
  ~CDiscMasterObj() override;
  std::shared_ptr<CDiscMasterSession> m_session;
};
