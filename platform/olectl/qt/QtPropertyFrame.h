// The modal property frame behind OleCreatePropertyFrame (arguments checked there).
#pragma once

#include "platform/olectl/OlePropertyFrame.h"

HRESULT AfxQtCreatePropertyFrame(UINT x, UINT y, LPCOLESTR lpszCaption, ULONG cObjects, IUnknown** ppUnk,
                                 ULONG cPages, const CLSID* pPageClsID);
