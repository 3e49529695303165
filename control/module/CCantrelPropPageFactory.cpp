#include "control/module/CCantrelPropPageFactory.h"

#include "control/interface/CantrelIds.h"
#include "control/module/CCantrelPropPage.h"
#include "control/module/ResourceIds.h"
#include "platform/com/Utf.h"
#include "platform/olectl/AfxOleRegister.h"

namespace {

ComPtr<CCmdTarget> CreatePage() { return Make<CCantrelPropPage>(); }

}  // namespace

CCantrelPropPageFactory::CCantrelPropPageFactory()
    : COleObjectFactory(CLSID_CCantrelPropPage, &CreatePage, FALSE, Utf16ToUtf8(PROGID_CCantrelPropPage).c_str()) {}

BOOL CCantrelPropPageFactory::UpdateRegistry(BOOL bRegister) {
  if (bRegister) return AfxOleRegisterPropertyPageClass(GetInstanceHandle(), CLSID_CCantrelPropPage, IDS_CANTREL_PPG, 0);
  return AfxOleUnregisterClass(CLSID_CCantrelPropPage, nullptr);
}
