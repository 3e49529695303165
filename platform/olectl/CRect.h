// A rectangle with the helpers drawing code uses.
#pragma once

#include "platform/olectl/WinUser.h"

class CRect : public RECT {
 public:
  CRect() : RECT{0, 0, 0, 0} {}
  CRect(LONG l, LONG t, LONG r, LONG b) : RECT{l, t, r, b} {}
  CRect(const RECT& rc) : RECT(rc) {}  // NOLINT: implicit like the platform's

  LONG Width() const { return right - left; }
  LONG Height() const { return bottom - top; }
  BOOL IsRectEmpty() const { return Width() <= 0 || Height() <= 0; }
  void SetRect(LONG l, LONG t, LONG r, LONG b) {
    left = l;
    top = t;
    right = r;
    bottom = b;
  }
  void OffsetRect(LONG dx, LONG dy) {
    left += dx;
    right += dx;
    top += dy;
    bottom += dy;
  }
  operator LPRECT() { return this; }
  operator LPCRECT() const { return this; }
  friend bool operator==(const CRect& a, const CRect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
  }
};
