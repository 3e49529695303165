#include "tests/app/CFakeCantrel.h"

#include "control/interface/CantrelTables.h"
#include "platform/com/Apartment.h"
#include "platform/com/ComObject.h"
#include "tests/tools/automate/FakeAutomation.h"

namespace {

CFakeCantrel* g_pCurrent = nullptr;

QString Text(const VARIANT& v) {
  return v.bstrVal ? QString::fromUtf16(v.bstrVal, static_cast<qsizetype>(SysStringLen(v.bstrVal))) : QString();
}

CVariant TextVariant(const QString& s) {
  return CVariant::String(std::u16string_view(reinterpret_cast<const char16_t*>(s.utf16()), s.size()));
}

// One recorder: VendorID and ProductID.
class CFakeDrive : public CCmdTarget {
 public:
  CFakeDrive(QString strVendor, QString strProduct, bool bFail)
      : m_strVendor(std::move(strVendor)), m_strProduct(std::move(strProduct)), m_bFail(bFail) {}

 protected:
  const DispatchTable& GetDispatchTable() const override {
    static const DispatchTable table = IDriveTable().Bind({
        {DISPID_DRIVE_VENDORID, DispKind::Property,
         [](void* o, VARIANT*, UINT, VARIANT* r) -> HRESULT {
           auto* self = static_cast<CFakeDrive*>(static_cast<CCmdTarget*>(o));
           if (self->m_bFail) return E_ACCESSDENIED;
           *r = TextVariant(self->m_strVendor).Detach();
           return S_OK;
         }},
        {DISPID_DRIVE_PRODUCTID, DispKind::Property,
         [](void* o, VARIANT*, UINT, VARIANT* r) -> HRESULT {
           auto* self = static_cast<CFakeDrive*>(static_cast<CCmdTarget*>(o));
           *r = TextVariant(self->m_strProduct).Detach();
           return S_OK;
         }},
    });
    return table;
  }

 private:
  QString m_strVendor;
  QString m_strProduct;
  bool m_bFail;
};

// The recorder collection as the script lists it now.
class CFakeDrives : public CCmdTarget {
 protected:
  const DispatchTable& GetDispatchTable() const override {
    static const DispatchTable table = IDrivesTable().Bind({
        {DISPID_NEWENUM, DispKind::PropertyGet,
         [](void*, VARIANT*, UINT, VARIANT* r) -> HRESULT {
           const CFakeScript& script = CFakeCantrel::Script();
           std::vector<CVariant> items;
           for (size_t i = 0; i < script.drives.size(); ++i) {
             ComPtr<CFakeDrive> pDrive = Make<CFakeDrive>(
                 script.drives[i].first, script.drives[i].second, static_cast<int>(i) == script.nFailingDrive);
             items.push_back(CVariant::Dispatch(pDrive.Get()));
           }
           r->vt = VT_UNKNOWN;
           r->punkVal = new FakeEnum(std::move(items));
           return S_OK;
         }},
    });
    return table;
  }
};

// A static object: no counting.
class CFakeFactory : public ComContained<CFakeFactory, IClassFactory> {
 public:
  CFakeFactory() : ComContained(nullptr) {}
  HRESULT CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv) override {
    if (pUnkOuter) return CLASS_E_NOAGGREGATION;
    ComPtr<CFakeCantrel> pControl = Make<CFakeCantrel>();
    return static_cast<IDispatch*>(pControl.Get())->QueryInterface(riid, ppv);
  }
  HRESULT LockServer(BOOL) override { return S_OK; }
};

CFakeFactory g_factory;

HRESULT Record(const QString& strCall) {
  CFakeCantrel::Script().calls.push_back(strCall);
  return S_OK;
}

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

const DispatchTable& CFakeCantrel::GetDispatchTable() const {
  static const DispatchTable table = DcantrelTable().Bind({
      {DISPID_CANTREL_DRIVE, DispKind::Property,
       [](void* o, VARIANT*, UINT, VARIANT* r) -> HRESULT {
         *r = CVariant::Short(static_cast<CFakeCantrel*>(static_cast<CCmdTarget*>(o))->m_nDrive).Detach();
         return S_OK;
       },
       [](void* o, VARIANT* args, UINT, VARIANT*) -> HRESULT {
         Record(QStringLiteral("Drive=%1").arg(args[0].iVal));
         if (FAILED(Script().hrDrivePut)) return Script().hrDrivePut;
         static_cast<CFakeCantrel*>(static_cast<CCmdTarget*>(o))->m_nDrive = args[0].iVal;
         return S_OK;
       }},
      {DISPID_CANTREL_DRIVES, DispKind::Property,
       [](void*, VARIANT*, UINT, VARIANT* r) -> HRESULT {
         Record(QStringLiteral("Drives"));
         if (FAILED(Script().hrDrives)) return Script().hrDrives;
         r->vt = VT_DISPATCH;
         r->pdispVal = Make<CFakeDrives>().Detach();
         return S_OK;
       }},
      {DISPID_CANTREL_INITCONTROL, DispKind::Method,
       [](void*, VARIANT*, UINT, VARIANT* r) -> HRESULT {
         Record(QStringLiteral("InitControl"));
         if (FAILED(Script().hrInitControl)) return Script().hrInitControl;
         *r = CVariant::Bool(true).Detach();
         return S_OK;
       }},
      {DISPID_CANTREL_DELETEALLITEMS, DispKind::Method,
       [](void*, VARIANT*, UINT, VARIANT*) -> HRESULT { return Record(QStringLiteral("DeleteAllItems")); }},
      {DISPID_CANTREL_ADDAUDIOTRACK, DispKind::Method,
       [](void*, VARIANT* args, UINT, VARIANT* r) -> HRESULT {
         Record(QStringLiteral("AddAudioTrack(%1)").arg(Text(args[0])));
         if (FAILED(Script().hrAddAudioTrack)) return Script().hrAddAudioTrack;
         *r = CVariant::Short(Script().nAddAudioTrack).Detach();
         return S_OK;
       }},
      {DISPID_CANTREL_BURN, DispKind::Method,
       [](void*, VARIANT* args, UINT, VARIANT* r) -> HRESULT {
         Record(QStringLiteral("Burn(%1,%2,%3)").arg(args[0].boolVal).arg(args[1].boolVal).arg(args[2].boolVal));
         if (FAILED(Script().hrBurn)) return Script().hrBurn;
         *r = CVariant::Short(Script().nBurn).Detach();
         return S_OK;
       }},
  });
  return table;
}
