// The data format. Active after Open, as on the platform; this service
// stages no data files, so AddData is not offered.
#pragma once

#include <memory>

#include "platform/com/ComObject.h"
#include "platform/imapi/Imapi.h"
#include "platform/imapi/service/CServiceModule.h"

class CDiscMasterSession;

class CJolietDiscMasterObj final
    : public ComObject<CJolietDiscMasterObj, IJolietDiscMaster, CServiceModule::ObjectLock> {
 public:
  explicit CJolietDiscMasterObj(std::shared_ptr<CDiscMasterSession> session);

  HRESULT GetTotalDataBlocks(LONG* pnBlocks) override;
  HRESULT GetUsedDataBlocks(LONG* pnBlocks) override;
  HRESULT GetDataBlockSize(LONG* pnBlockBytes) override;
  HRESULT AddData(IStorage* pStorage, LONG lFileOverwrite) override;
  HRESULT GetJolietProperties(IPropertyStorage** ppPropStg) override;
  HRESULT SetJolietProperties(IPropertyStorage* pPropStg) override;

 private:
  HRESULT Usable() const;
  std::shared_ptr<CDiscMasterSession> m_session;
};
