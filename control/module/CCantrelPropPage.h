// The control's property page "General": an empty page on dialog 200.
#pragma once

#include "platform/olectl/COlePropertyPage.h"

class CCantrelPropPage : public COlePropertyPage {
 public:
  CCantrelPropPage();

 protected:
  ~CCantrelPropPage() override = default;
  void DoDataExchange(CDataExchange* pDX) override;
};
