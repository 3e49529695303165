#include "control/jobs/CProgressSink.h"

#include <atomic>

#include "control/jobs/JobMessages.h"

namespace {
std::atomic<LONG> g_nLiveSinks{0};
}

ComPtr<CProgressSink> CProgressSink::Create(HWND hWndCtrl) { return Make<CProgressSink>(hWndCtrl); }

CProgressSink::CProgressSink(HWND hWndCtrl) : m_hWndCtrl(hWndCtrl) { ++g_nLiveSinks; }

CProgressSink::~CProgressSink() { --g_nLiveSinks; }

LONG CProgressSink::GetLiveCount() { return g_nLiveSinks.load(); }

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
