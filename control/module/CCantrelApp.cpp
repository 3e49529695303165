#include "control/module/CCantrelApp.h"

#include "control/drives/CDrive.h"
#include "control/drives/CDrives.h"
#include "control/drives/CEnumDrives.h"
#include "control/interface/CantrelIds.h"
#include "control/module/CCantrelCtrlFactory.h"
#include "control/module/CCantrelPropPageFactory.h"
#include "platform/com/Utf.h"

CCantrelApp::CCantrelApp() : COleControlModule("cantrel") {}

CCantrelApp::~CCantrelApp() { Stop(); }

BOOL CCantrelApp::InitInstance() { return COleControlModule::InitInstance(); }

int CCantrelApp::ExitInstance() { return COleControlModule::ExitInstance(); }

namespace {

ComPtr<CCmdTarget> CreateDrive() { return CDrive::Create(u"", u"", u""); }

ComPtr<CCmdTarget> CreateDrives() { return CDrives::Create(); }

// Nothing in the library makes an enumerator this way; one made directly
// walks an empty collection of its own.
ComPtr<CCmdTarget> CreateEnumDrives() {
  ComPtr<CDrives> drives = CDrives::Create();
  if (!drives) return nullptr;
  ComPtr<IEnumVARIANT> e = CEnumDrives::Create(drives);
  return ComPtr<CCmdTarget>(static_cast<CEnumDrives*>(e.Get()));
}

}  // namespace

// The library's static objects, in load order: the module, then its five
// factories, then the library entry that starts the module.
CCantrelApp theApp;

namespace {

CCantrelCtrlFactory s_ctrlFactory;
CCantrelPropPageFactory s_propPageFactory;
COleObjectFactory s_driveFactory(CLSID_Drive, &CreateDrive, FALSE, afxRegApartmentThreading,
                                 Utf16ToUtf8(PROGID_Drive).c_str());
COleObjectFactory s_drivesFactory(CLSID_Drives, &CreateDrives, FALSE, afxRegApartmentThreading,
                                  Utf16ToUtf8(PROGID_Drives).c_str());
COleObjectFactory s_enumDrivesFactory(CLSID_CEnumDrives, &CreateEnumDrives, FALSE, afxRegApartmentThreading,
                                      Utf16ToUtf8(PROGID_CEnumDrives).c_str());

const BOOL s_bStarted = theApp.Start();

}  // namespace
