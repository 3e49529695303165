#include "platform/imapi/service/CJolietDiscMasterObj.h"

#include "platform/com/ResultMacros.h"
#include "platform/imapi/service/CDiscMasterSession.h"

namespace {
constexpr LONG kDataBlockBytes = 2048;
}

CJolietDiscMasterObj::CJolietDiscMasterObj(std::shared_ptr<CDiscMasterSession> session)
    : m_session(std::move(session)) {}

HRESULT CJolietDiscMasterObj::Usable() const {
  if (!m_session->IsOpen()) return IMAPI_E_NOTOPENED;
  if (!IsEqualIID(m_session->m_iidFormat, IID_IJolietDiscMaster)) return IMAPI_E_WRONGFORMAT;
  return S_OK;
}

HRESULT CJolietDiscMasterObj::GetTotalDataBlocks(LONG* pnBlocks) {
  RETURN_IF_FAILED(Usable());
  if (!pnBlocks) return E_POINTER;
  *pnBlocks = static_cast<LONG>(m_session->CapacityBlocks());
  return S_OK;
}

HRESULT CJolietDiscMasterObj::GetUsedDataBlocks(LONG* pnBlocks) {
  RETURN_IF_FAILED(Usable());
  if (!pnBlocks) return E_POINTER;
  *pnBlocks = 0;
  return S_OK;
}

HRESULT CJolietDiscMasterObj::GetDataBlockSize(LONG* pnBlockBytes) {
  RETURN_IF_FAILED(Usable());
  if (!pnBlockBytes) return E_POINTER;
  *pnBlockBytes = kDataBlockBytes;
  return S_OK;
}

HRESULT CJolietDiscMasterObj::AddData(IStorage*, LONG) { return E_NOTIMPL; }
HRESULT CJolietDiscMasterObj::GetJolietProperties(IPropertyStorage**) { return E_NOTIMPL; }
HRESULT CJolietDiscMasterObj::SetJolietProperties(IPropertyStorage*) { return E_NOTIMPL; }
