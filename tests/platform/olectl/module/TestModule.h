// A module with two automation classes living in the test program itself.
#pragma once

#include "platform/olectl/CCmdTarget.h"
#include "platform/olectl/COleControlModule.h"
#include "platform/olectl/COleObjectFactory.h"

inline constexpr CLSID CLSID_TestThing = {0x1E7A0001, 0x1111, 0x2222, {1, 2, 3, 4, 5, 6, 7, 8}};
inline constexpr CLSID CLSID_TestPlain = {0x1E7A0002, 0x1111, 0x2222, {1, 2, 3, 4, 5, 6, 7, 8}};

class CTestThing : public CCmdTarget {
 public:
  static ComPtr<CCmdTarget> Create() { return Make<CTestThing>(); }

 protected:
  const DispatchTable& GetDispatchTable() const override {
    static const DispatchTable table(u"TestThing", IID_IDispatch, u"", {});
    return table;
  }
};

COleControlModule& TestModule();
