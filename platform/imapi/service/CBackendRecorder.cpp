#include "platform/imapi/service/CBackendRecorder.h"

#include <cstdlib>

#include "platform/com/ResultMacros.h"
#include "platform/imapi/Imapi.h"

CBackendRecorder::CBackendRecorder(std::shared_ptr<imapi_backend::DriveBackend> backend,
                                   imapi_backend::DriveInfo info)
    : m_backend(std::move(backend)), m_info(std::move(info)) {}

CBackendRecorder::~CBackendRecorder() {
  EndReading();
  if (m_bOpen) IgnoreResult(m_backend->Close(m_info.id), "closing on destruction; nobody to tell");
}

LONG CBackendRecorder::RecorderType() const { return RECORDER_CDRW; }

std::string CBackendRecorder::StashFolder() const {
  const char* tmp = std::getenv("TMPDIR");
  return tmp && *tmp == '/' ? tmp : "/tmp";
}

HRESULT CBackendRecorder::OpenExclusive() {
  if (m_bOpen) return S_OK;
  HRESULT hr = m_backend->OpenExclusive(m_info.id);
  if (SUCCEEDED(hr)) m_bOpen = true;
  return hr;
}

HRESULT CBackendRecorder::Close() {
  if (!m_bOpen) return IMAPI_E_NOTOPENED;
  HRESULT hr = m_backend->Close(m_info.id);
  if (SUCCEEDED(hr)) m_bOpen = false;
  return hr;
}

HRESULT CBackendRecorder::QueryMediaType(LONG* plType, LONG* plFlags) {
  if (!m_bOpen) return IMAPI_E_NOTOPENED;
  if (!plType || !plFlags) return E_POINTER;
  long type = 0, flags = 0;
  HRESULT hr = m_backend->QueryMedia(m_info.id, &type, &flags);
  if (SUCCEEDED(hr)) {
    *plType = static_cast<LONG>(type);
    *plFlags = static_cast<LONG>(flags);
  }
  return hr;
}

HRESULT CBackendRecorder::QueryMediaInfo(BYTE*, BYTE*, ULONG*, ULONG*, ULONG*) {
  if (!m_bOpen) return IMAPI_E_NOTOPENED;
  return E_NOTIMPL;
}

HRESULT CBackendRecorder::Eject() {
  if (!m_bOpen) return IMAPI_E_NOTOPENED;
  return m_backend->Eject(m_info.id);
}

HRESULT CBackendRecorder::Erase(bool bFull) {
  if (!m_bOpen) return IMAPI_E_NOTOPENED;
  return m_backend->Erase(m_info.id, bFull);
}

HRESULT CBackendRecorder::Record(const std::vector<imapi_backend::TrackSpec>& tracks, bool bSimulate, bool bEject,
                                 const imapi_backend::RecordCallbacks& callbacks) {
  if (!m_bOpen) return IMAPI_E_NOTOPENED;
  return m_backend->Record(m_info.id, tracks, bSimulate, bEject, callbacks);
}

HRESULT CBackendRecorder::ReadLayout(std::vector<imapi_backend::AudioTrackExtent>* tracks) {
  m_bReading = true;
  return m_backend->ReadLayout(m_info.id, tracks);
}

HRESULT CBackendRecorder::ReadAudio(uint32_t firstBlock, uint32_t blocks, uint8_t* out) {
  return m_backend->ReadAudio(m_info.id, firstBlock, blocks, out);
}

void CBackendRecorder::EndReading() {
  if (m_bReading) m_backend->EndReading(m_info.id);
  m_bReading = false;
}
