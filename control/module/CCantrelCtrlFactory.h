// The control's class factory: registers the control with its type name,
// toolbox bitmap, miscellaneous status and type library.
#pragma once

#include "platform/olectl/COleObjectFactory.h"

class CCantrelCtrlFactory : public COleObjectFactory {
 public:
  CCantrelCtrlFactory();
  BOOL UpdateRegistry(BOOL bRegister) override;

  // Registration data of the control.
  static constexpr DWORD dwCantrelOleMisc = 0x20191;
  static constexpr int nRegFlags = afxRegApartmentThreading;
};
