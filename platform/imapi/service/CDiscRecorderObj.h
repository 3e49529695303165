// The service's recorder object over one recorder device. Exclusive use
// belongs to the object that opened the device.
#pragma once

#include <memory>

#include "platform/com/ComObject.h"
#include "platform/imapi/Imapi.h"
#include "platform/imapi/service/CRecorderDevice.h"
#include "platform/imapi/service/CServiceModule.h"

class CDiscMasterSession;

class CDiscRecorderObj final : public ComObject<CDiscRecorderObj, IDiscRecorder, CServiceModule::ObjectLock> {
 public:
  CDiscRecorderObj(std::shared_ptr<CRecorderDevice> device, std::weak_ptr<CDiscMasterSession> session);

  CRecorderDevice& Device() const { return *m_device; }
  void SetBurning(bool bBurning) { m_bBurning = bBurning; }

  HRESULT Init(BYTE* pbyUniqueID, ULONG nulIdSize, ULONG nulDriveNumber) override;
  HRESULT GetRecorderGUID(BYTE* pbyUniqueID, ULONG ulBufferSize, ULONG* pulReturnSizeRequired) override;
  HRESULT GetRecorderType(LONG* fTypeCode) override;
  HRESULT GetDisplayNames(BSTR* pbstrVendorID, BSTR* pbstrProductID, BSTR* pbstrRevision) override;
  HRESULT GetBasePnPID(BSTR* pbstrBasePnPID) override;
  HRESULT GetPath(BSTR* pbstrPath) override;
  HRESULT GetRecorderProperties(IPropertyStorage** ppPropStg) override;
  HRESULT SetRecorderProperties(IPropertyStorage* pPropStg) override;
  HRESULT GetRecorderState(ULONG* pulDevStateFlags) override;
  HRESULT OpenExclusive() override;
  HRESULT QueryMediaType(LONG* fMediaType, LONG* fMediaFlags) override;
  HRESULT QueryMediaInfo(BYTE* pbSessions, BYTE* pbLastTrack, ULONG* ulStartAddress, ULONG* ulNextWritable,
                         ULONG* ulFreeBlocks) override;
  HRESULT Eject() override;
  HRESULT Erase(boolean bFullErase) override;
  HRESULT Close() override;

 private:
  std::shared_ptr<CRecorderDevice> m_device;
  std::weak_ptr<CDiscMasterSession> m_session;
  bool m_bBurning = false;
};
