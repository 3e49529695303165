#include "platform/olectl/AfxDialogHook.h"

#include <atomic>

#include "platform/olectl/AfxToolkitPart.h"

namespace {
std::atomic<AFX_SHOWDIALOG_HOOK> g_hook{nullptr};
}

AFX_SHOWDIALOG_HOOK AfxSetShowDialogHook(AFX_SHOWDIALOG_HOOK pfnHook) { return g_hook.exchange(pfnHook); }

INT_PTR AfxShowDialogResource(void* hInstance, UINT nIDTemplate) {
  if (AFX_SHOWDIALOG_HOOK hook = g_hook.load()) return hook(hInstance, nIDTemplate);
  const AFX_TOOLKIT_PART* part = AfxGetToolkitPart();
  return part ? part->pfnShowDialog(hInstance, nIDTemplate) : -1;
}
