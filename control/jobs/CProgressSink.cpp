#include "control/jobs/CProgressSink.h"

#include "control/jobs/JobMessages.h"

namespace {
std::atomic<LONG> g_nLiveSinks{0};
}

CProgressSink* CProgressSink::Create(HWND hWndCtrl) { return new CProgressSink(hWndCtrl); }

CProgressSink::CProgressSink(HWND hWndCtrl) : m_hWndCtrl(hWndCtrl) { ++g_nLiveSinks; }

CProgressSink::~CProgressSink() { --g_nLiveSinks; }

LONG CProgressSink::GetLiveCount() { return g_nLiveSinks.load(); }

HRESULT CProgressSink::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IDiscMasterProgressEvents) {
    *ppv = static_cast<IDiscMasterProgressEvents*>(this);
    AddRef();
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

ULONG CProgressSink::AddRef() { return static_cast<ULONG>(++m_cRef); }

ULONG CProgressSink::Release() {
  LONG n = --m_cRef;
  if (n == 0) delete this;
  return static_cast<ULONG>(n);
}

HRESULT CProgressSink::QueryCancel(boolean*) { return E_NOTIMPL; }
HRESULT CProgressSink::NotifyPnPActivity() { return E_NOTIMPL; }
HRESULT CProgressSink::NotifyAddProgress(LONG, LONG) { return E_NOTIMPL; }

HRESULT CProgressSink::NotifyBlockProgress(LONG nCompleted, LONG nTotal) {
  const auto now = std::chrono::steady_clock::now();
  if (m_bBlocksPosted && nCompleted < nTotal && now - m_lastBlocksPost < kBlockInterval) return E_NOTIMPL;
  m_bBlocksPosted = true;
  m_lastBlocksPost = now;
  if (m_hWndCtrl) PostMessageW(m_hWndCtrl, WM_JOB_PROGRESS, JobWParam(nCompleted), JobLParam(nTotal));
  return E_NOTIMPL;
}

HRESULT CProgressSink::NotifyTrackProgress(LONG nCurrentTrack, LONG nTotalTracks) {
  if (m_hWndCtrl) PostMessageW(m_hWndCtrl, WM_JOB_TRACKPROGRESS, JobWParam(nCurrentTrack), JobLParam(nTotalTracks));
  return E_NOTIMPL;
}

HRESULT CProgressSink::NotifyPreparingBurn(LONG) { return E_NOTIMPL; }

HRESULT CProgressSink::NotifyClosingDisc(LONG nEstimatedSeconds) {
  if (m_hWndCtrl) PostMessageW(m_hWndCtrl, WM_JOB_CLOSINGDISC, JobWParam(nEstimatedSeconds), 0);
  return E_NOTIMPL;
}

HRESULT CProgressSink::NotifyBurnComplete(HRESULT) { return E_NOTIMPL; }
HRESULT CProgressSink::NotifyEraseComplete(HRESULT) { return E_NOTIMPL; }
