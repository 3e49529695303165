#include "platform/olectl/AfxDialogHook.h"

#include <atomic>

namespace {
std::atomic<AFX_SHOWDIALOG_HOOK> g_hook{nullptr};
}

AFX_SHOWDIALOG_HOOK AfxSetShowDialogHook(AFX_SHOWDIALOG_HOOK pfnHook) { return g_hook.exchange(pfnHook); }

INT_PTR AfxShowDialogResource(void* hInstance, UINT nIDTemplate) {
  AFX_SHOWDIALOG_HOOK hook = g_hook.load();
  return hook ? hook(hInstance, nIDTemplate) : -1;
}
