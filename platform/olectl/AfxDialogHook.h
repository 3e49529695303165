// Modal dialogs from a library's dialog resources. The control framework asks
// for a dialog by module and resource id; the toolkit part builds it from
// the template unless a host installed a hook of its own.
#pragma once

#include "platform/olectl/AfxModuleState.h"
#include "platform/olectl/WinUser.h"

// Shows dialog nIDTemplate of the library loaded at hInstance modally and
// returns its end code (-1 when it cannot be shown).
using AFX_SHOWDIALOG_HOOK = INT_PTR (*)(void* hInstance, UINT nIDTemplate);

// Installs the hook; returns the previous one.
PX_EXPORT AFX_SHOWDIALOG_HOOK AfxSetShowDialogHook(AFX_SHOWDIALOG_HOOK pfnHook);
// Calls the hook, else the toolkit part; -1 when neither can show it.
PX_EXPORT INT_PTR AfxShowDialogResource(void* hInstance, UINT nIDTemplate);
