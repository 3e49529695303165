// A small control for exercising the control base: one persistent short and
// one persistent string, a message map that records what arrives, and a
// drawing that fills its bounds with one colour.
#pragma once

#include <functional>
#include <string>

#include "platform/olectl/COleControl.h"

inline constexpr IID IID_DTestControl = {0x1D2C3B4A, 0x0001, 0x4000, {0x80, 0, 0, 0, 0, 0, 0, 0x01}};
inline constexpr IID IID_DTestControlEvents = {0x1D2C3B4A, 0x0002, 0x4000, {0x80, 0, 0, 0, 0, 0, 0, 0x02}};
inline constexpr CLSID CLSID_TestControl = {0x1D2C3B4A, 0x0003, 0x4000, {0x80, 0, 0, 0, 0, 0, 0, 0x03}};
constexpr UINT WM_TEST_RECORD = WM_USER + 1;
constexpr UINT WM_TEST_SELF_RELEASE = WM_USER + 2;

class CTestControl : public COleControl {
 public:
  CTestControl() { InitializeIIDs(&IID_DTestControl, &IID_DTestControlEvents); }

  HRESULT GetClassID(LPCLSID pclsid) override {
    *pclsid = CLSID_TestControl;
    return S_OK;
  }
  void DoPropExchange(CPropExchange* pPX) override {
    ExchangeVersion(pPX, m_dwVersion);
    COleControl::DoPropExchange(pPX);
    PX_Short(pPX, u"Value", m_sValue, 0);
    PX_String(pPX, u"Name", m_strName, u"none");
  }
  void OnDraw(CDC* pdc, const CRect& rcBounds, const CRect&) override {
    if (!pdc) return;
    CBrush brush(RGB(0, 0, 255));
    pdc->FillRect(rcBounds, &brush);
  }

  SHORT m_sValue = 0;
  std::u16string m_strName = u"none";
  DWORD m_dwVersion = 0x00010000;
  int m_nRecorded = 0;
  // Called by WM_TEST_SELF_RELEASE: the host lets the control go from inside its message.
  std::function<void()> m_onSelfRelease;

  using COleControl::FireEvent;

 protected:
  const DispatchTable& GetDispatchTable() const override {
    static const DispatchTable table(u"_DTestControl", IID_DTestControl, u"", {});
    return table;
  }
  LRESULT OnRecord(WPARAM, LPARAM) {
    ++m_nRecorded;
    return 0;
  }
  LRESULT OnSelfRelease(WPARAM, LPARAM) {
    if (m_onSelfRelease) m_onSelfRelease();
    return 0;
  }
  DECLARE_MESSAGE_MAP()
};
