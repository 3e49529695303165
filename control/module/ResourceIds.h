// Identifiers of the control library's resources.
#pragma once

#include "platform/com/ComTypes.h"

constexpr UINT IDS_CANTREL = 1;                // the control's type name
constexpr UINT IDS_CANTREL_PPG = 2;            // the property page's type name
constexpr UINT IDS_CANTREL_PPG_CAPTION = 200;  // the property page's tab title
constexpr UINT IDB_CANTREL = 1;                // toolbox bitmap
constexpr UINT IDI_ABOUTDLL = 1;               // about-box icon
constexpr UINT IDD_ABOUTBOX_CANTREL = 1;
constexpr UINT IDD_PROPPAGE_CANTREL = 200;
constexpr UINT IDR_TYPELIB = 1;
constexpr UINT IDR_VERSION = 1;
