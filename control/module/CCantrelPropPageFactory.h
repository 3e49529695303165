// The property page's class factory: registers the page with its type name
// and no threading flag.
#pragma once

#include "platform/olectl/COleObjectFactory.h"

class CCantrelPropPageFactory : public COleObjectFactory {
 public:
  CCantrelPropPageFactory();
  BOOL UpdateRegistry(BOOL bRegister) override;
};
