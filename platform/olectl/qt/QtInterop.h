// Bridges between the platform's drawing handles and the toolkit, for
// platform code and hosts that paint with the toolkit.
#pragma once

#include <QPainter>

#include "platform/olectl/WinUser.h"

inline HDC AfxHdcFromPainter(QPainter* pPainter) { return reinterpret_cast<HDC>(pPainter); }
inline QPainter* AfxPainterFromHdc(HDC hDC) { return reinterpret_cast<QPainter*>(hDC); }
