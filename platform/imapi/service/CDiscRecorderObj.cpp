#include "platform/imapi/service/CDiscRecorderObj.h"

#include <cstring>

#include "platform/com/Bstr.h"
#include "platform/com/Utf.h"
#include "platform/imapi/service/CDiscMasterSession.h"

namespace {
BSTR NewBstr(const std::string& utf8) {
  std::u16string s = Utf8ToUtf16(utf8);
  return SysAllocStringLen(s.data(), static_cast<UINT>(s.size()));
}
}  // namespace

CDiscRecorderObj::CDiscRecorderObj(std::shared_ptr<CRecorderDevice> device, std::weak_ptr<CDiscMasterSession> session)
    : m_device(std::move(device)), m_session(std::move(session)) {}

HRESULT CDiscRecorderObj::Init(BYTE*, ULONG, ULONG) { return E_NOTIMPL; }

HRESULT CDiscRecorderObj::GetRecorderGUID(BYTE* pbyUniqueID, ULONG ulBufferSize, ULONG* pulReturnSizeRequired) {
  if (!pulReturnSizeRequired) return E_POINTER;
  const std::string key = m_device->Key();
  *pulReturnSizeRequired = static_cast<ULONG>(key.size());
  if (!pbyUniqueID || ulBufferSize < key.size()) {
    if (pbyUniqueID && ulBufferSize) std::memcpy(pbyUniqueID, key.data(), ulBufferSize);
    return IMAPI_S_BUFFER_TO_SMALL;
  }
  std::memcpy(pbyUniqueID, key.data(), key.size());
  return S_OK;
}

HRESULT CDiscRecorderObj::GetRecorderType(LONG* fTypeCode) {
  if (!fTypeCode) return E_POINTER;
  *fTypeCode = m_device->RecorderType();
  return S_OK;
}

HRESULT CDiscRecorderObj::GetDisplayNames(BSTR* pbstrVendorID, BSTR* pbstrProductID, BSTR* pbstrRevision) {
  if (!pbstrVendorID && !pbstrProductID && !pbstrRevision) return E_POINTER;
  if (pbstrVendorID) *pbstrVendorID = NewBstr(m_device->Vendor());
  if (pbstrProductID) *pbstrProductID = NewBstr(m_device->Product());
  if (pbstrRevision) *pbstrRevision = NewBstr(m_device->Revision());
  return S_OK;
}

HRESULT CDiscRecorderObj::GetBasePnPID(BSTR* pbstrBasePnPID) {
  if (!pbstrBasePnPID) return E_POINTER;
  *pbstrBasePnPID = NewBstr(m_device->Vendor() + m_device->Product() + m_device->Revision());
  return S_OK;
}

HRESULT CDiscRecorderObj::GetPath(BSTR* pbstrPath) {
  if (!pbstrPath) return E_POINTER;
  *pbstrPath = NewBstr(m_device->Path());
  return S_OK;
}

HRESULT CDiscRecorderObj::GetRecorderProperties(IPropertyStorage**) { return E_NOTIMPL; }
HRESULT CDiscRecorderObj::SetRecorderProperties(IPropertyStorage*) { return E_NOTIMPL; }

HRESULT CDiscRecorderObj::GetRecorderState(ULONG* pulDevStateFlags) {
  if (!pulDevStateFlags) return E_POINTER;
  *pulDevStateFlags = m_bBurning ? RECORDER_BURNING : m_device->IsOpen() ? RECORDER_OPENED : RECORDER_DOING_NOTHING;
  return S_OK;
}

HRESULT CDiscRecorderObj::OpenExclusive() { return m_device->OpenExclusive(); }

HRESULT CDiscRecorderObj::QueryMediaType(LONG* fMediaType, LONG* fMediaFlags) {
  return m_device->QueryMediaType(fMediaType, fMediaFlags);
}

HRESULT CDiscRecorderObj::QueryMediaInfo(BYTE* pbSessions, BYTE* pbLastTrack, ULONG* ulStartAddress,
                                         ULONG* ulNextWritable, ULONG* ulFreeBlocks) {
  return m_device->QueryMediaInfo(pbSessions, pbLastTrack, ulStartAddress, ulNextWritable, ulFreeBlocks);
}

HRESULT CDiscRecorderObj::Eject() { return m_device->Eject(); }

HRESULT CDiscRecorderObj::Erase(boolean bFullErase) {
  HRESULT hr = m_device->Erase(bFullErase != 0);
  if (hr != IMAPI_E_NOTOPENED)
    if (auto session = m_session.lock()) session->NotifyEraseComplete(hr);
  return hr;
}

HRESULT CDiscRecorderObj::Close() { return m_device->Close(); }
