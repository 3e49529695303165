#include "control/module/CCantrelCtrlFactory.h"

#include "control/interface/CantrelIds.h"
#include "control/jobs/CCantrelCtrl.h"
#include "control/module/ResourceIds.h"
#include "platform/com/Utf.h"
#include "platform/olectl/AfxOleRegister.h"

namespace {

ComPtr<CCmdTarget> CreateControl() { return Make<CCantrelCtrl>(); }

}  // namespace

CCantrelCtrlFactory::CCantrelCtrlFactory()
    : COleObjectFactory(CLSID_Cantrel, &CreateControl, FALSE, nRegFlags, Utf16ToUtf8(PROGID_Cantrel).c_str()) {}

BOOL CCantrelCtrlFactory::UpdateRegistry(BOOL bRegister) {
  if (bRegister)
    return AfxOleRegisterControlClass(GetInstanceHandle(), CLSID_Cantrel, GetProgID(), IDS_CANTREL, IDB_CANTREL,
                                      nRegFlags, dwCantrelOleMisc, LIBID_cantrelLib, 1, 0);
  return AfxOleUnregisterClass(CLSID_Cantrel, GetProgID());
}
