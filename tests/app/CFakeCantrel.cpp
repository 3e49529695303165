#include "tests/app/CFakeCantrel.h"

#include "control/interface/CantrelTables.h"
#include "platform/com/Apartment.h"
#include "tests/tools/automate/FakeAutomation.h"

namespace {

CFakeCantrel* g_pCurrent = nullptr;

std::u16string Utf16(const QString& s) {
  return std::u16string(reinterpret_cast<const char16_t*>(s.utf16()), static_cast<size_t>(s.size()));
}

// One recorder: VendorID and ProductID.
class CFakeDrive : public CCmdTarget {
 public:
  CFakeDrive(QString strVendor, QString strProduct, bool bFail)
      : m_strVendor(std::move(strVendor)), m_strProduct(std::move(strProduct)), m_bFail(bFail) {}

  HRESULT VendorID(std::u16string* pValue) const {
    if (m_bFail) return E_ACCESSDENIED;
    *pValue = Utf16(m_strVendor);
    return S_OK;
  }
  std::u16string ProductID() const { return Utf16(m_strProduct); }

 protected:
  const DispatchTable& GetDispatchTable() const override;

 private:
  QString m_strVendor;
  QString m_strProduct;
  bool m_bFail;
};

const DispatchTable g_driveTable = IDriveTable().Bind({
    DispProperty<&CFakeDrive::VendorID>(DISPID_DRIVE_VENDORID),
    DispProperty<&CFakeDrive::ProductID>(DISPID_DRIVE_PRODUCTID),
});

const DispatchTable& CFakeDrive::GetDispatchTable() const { return g_driveTable; }

// The recorder collection as the script lists it now.
class CFakeDrives : public CCmdTarget {
 public:
  ComPtr<IUnknown> NewEnum() const {
    const CFakeScript& script = CFakeCantrel::Script();
    std::vector<CVariant> items;
    for (size_t i = 0; i < script.drives.size(); ++i) {
      ComPtr<CFakeDrive> pDrive = ComPtr<CFakeDrive>::Attach(new CFakeDrive(
          script.drives[i].first, script.drives[i].second, static_cast<int>(i) == script.nFailingDrive));
      items.push_back(CVariant::Dispatch(pDrive.Get()));
    }
    return ComPtr<IUnknown>::Attach(new FakeEnum(std::move(items)));
  }

 protected:
  const DispatchTable& GetDispatchTable() const override;
};

const DispatchTable g_drivesTable = IDrivesTable().Bind({DispPropertyGet<&CFakeDrives::NewEnum>(DISPID_NEWENUM)});

const DispatchTable& CFakeDrives::GetDispatchTable() const { return g_drivesTable; }

class CFakeFactory : public IClassFactory {
 public:
  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    const bool bKnown = riid == IID_IUnknown || riid == IID_IClassFactory;
    *ppv = bKnown ? static_cast<IClassFactory*>(this) : nullptr;
    return bKnown ? S_OK : E_NOINTERFACE;
  }
  // A static object: no counting.
  ULONG AddRef() override { return 2; }
  ULONG Release() override { return 1; }
  HRESULT CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv) override {
    if (pUnkOuter) return CLASS_E_NOAGGREGATION;
    ComPtr<CFakeCantrel> pControl = ComPtr<CFakeCantrel>::Attach(new CFakeCantrel);
    return static_cast<IDispatch*>(pControl.Get())->QueryInterface(riid, ppv);
  }
  HRESULT LockServer(BOOL) override { return S_OK; }
};

CFakeFactory g_factory;

void Record(const QString& strCall) { CFakeCantrel::Script().calls.push_back(strCall); }

}  // namespace

CFakeScript& CFakeCantrel::Script() {
  static CFakeScript script;
  return script;
}

CFakeCantrel* CFakeCantrel::Current() { return g_pCurrent; }

DWORD CFakeCantrel::Register() {
  DWORD dwCookie = 0;
  CoRegisterClassObject(CLSID_Cantrel, &g_factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &dwCookie);
  return dwCookie;
}

void CFakeCantrel::Revoke(DWORD dwCookie) { CoRevokeClassObject(dwCookie); }

CFakeCantrel::CFakeCantrel() {
  InitializeIIDs(&DIID__Dcantrel, &DIID__DcantrelEvents);
  g_pCurrent = this;
}

CFakeCantrel::~CFakeCantrel() {
  if (g_pCurrent == this) g_pCurrent = nullptr;
}

HRESULT CFakeCantrel::GetClassID(LPCLSID pclsid) {
  if (!pclsid) return E_POINTER;
  *pclsid = CLSID_Cantrel;
  return S_OK;
}

void CFakeCantrel::FireProgress(LONG lCompletedSteps, LONG lTotalSteps) {
  FireEvent(DISPID_EVENT_PROGRESS, {CVariant::Long(lCompletedSteps), CVariant::Long(lTotalSteps)});
}
void CFakeCantrel::FireBurnComplete() { FireEvent(DISPID_EVENT_BURNCOMPLETE, {}); }
void CFakeCantrel::FireErrorEvent(SHORT iErrorNo) { FireEvent(DISPID_EVENT_ERROREVENT, {CVariant::Short(iErrorNo)}); }
void CFakeCantrel::FireClosingDisc(LONG iEsimatedSeconds) {
  FireEvent(DISPID_EVENT_CLOSINGDISC, {CVariant::Long(iEsimatedSeconds)});
}

const DispatchTable g_cantrelTable = DcantrelTable().Bind({
    DispProperty<&CFakeCantrel::GetDrive, &CFakeCantrel::PutDrive>(DISPID_CANTREL_DRIVE),
    DispProperty<&CFakeCantrel::GetDrives>(DISPID_CANTREL_DRIVES),
    DispMethod<&CFakeCantrel::InitControl>(DISPID_CANTREL_INITCONTROL),
    DispMethod<&CFakeCantrel::DeleteAllItems>(DISPID_CANTREL_DELETEALLITEMS),
    DispMethod<&CFakeCantrel::AddAudioTrack>(DISPID_CANTREL_ADDAUDIOTRACK),
    DispMethod<&CFakeCantrel::Burn>(DISPID_CANTREL_BURN),
});

const DispatchTable& CFakeCantrel::GetDispatchTable() const { return g_cantrelTable; }

HRESULT CFakeCantrel::PutDrive(SHORT nDrive) {
  Record(QStringLiteral("Drive=%1").arg(nDrive));
  if (FAILED(Script().hrDrivePut)) return Script().hrDrivePut;
  m_nDrive = nDrive;
  return S_OK;
}

HRESULT CFakeCantrel::GetDrives(ComPtr<IDispatch>* pDrives) const {
  Record(QStringLiteral("Drives"));
  if (FAILED(Script().hrDrives)) return Script().hrDrives;
  *pDrives = ComPtr<IDispatch>::Attach(new CFakeDrives);
  return S_OK;
}

HRESULT CFakeCantrel::InitControl(bool* pResult) {
  Record(QStringLiteral("InitControl"));
  *pResult = true;
  return Script().hrInitControl;
}

void CFakeCantrel::DeleteAllItems() { Record(QStringLiteral("DeleteAllItems")); }

HRESULT CFakeCantrel::AddAudioTrack(std::u16string_view strFileName, SHORT* pResult) {
  Record(QStringLiteral("AddAudioTrack(%1)")
             .arg(QString::fromUtf16(strFileName.data(), static_cast<qsizetype>(strFileName.size()))));
  *pResult = Script().nAddAudioTrack;
  return Script().hrAddAudioTrack;
}

HRESULT CFakeCantrel::Burn(bool bSimulate, bool bEjectAfterBurn, bool bFileOverWrite, SHORT* pResult) {
  // As the flags arrive from the host: VARIANT_TRUE is -1.
  auto flag = [](bool b) { return b ? -1 : 0; };
  Record(QStringLiteral("Burn(%1,%2,%3)").arg(flag(bSimulate)).arg(flag(bEjectAfterBurn)).arg(flag(bFileOverWrite)));
  *pResult = Script().nBurn;
  return Script().hrBurn;
}
