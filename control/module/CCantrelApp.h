// The control library's module object. It holds no state of its own; the
// library's exports run under its module state.
#pragma once

#include "platform/olectl/COleControlModule.h"

class CCantrelApp : public COleControlModule {
 public:
  CCantrelApp();
  ~CCantrelApp() override;

  BOOL InitInstance() override;
  int ExitInstance() override;
};

// The library's one module object.
extern CCantrelApp theApp;
