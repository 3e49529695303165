// Every kind of component object answers exactly its interfaces, with one
// identity, and refuses the rest.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "control/drives/CDrives.h"
#include "control/drives/CEnumDrives.h"
#include "control/interface/CantrelIds.h"
#include "control/jobs/CCantrelCtrl.h"
#include "control/jobs/CProgressSink.h"
#include "platform/com/Apartment.h"
#include "platform/com/CEventSink.h"
#include "platform/com/TypeLibObject.h"
#include "platform/imapi/service/CDiscMasterClassFactory.h"
#include "platform/imapi/service/CDiscMasterObj.h"
#include "platform/imapi/service/CVirtualRecorderStore.h"
#include "platform/olectl/CMemPropertyBag.h"
#include "platform/olectl/CMemStream.h"
#include "platform/olectl/COleControlSite.h"
#include "tests/support/TestSupport.h"

namespace {

// What the rows make their objects from: a service with one virtual recorder
// and a control.
struct World {
  World() {
    COleControlSite::EnsureApplication();
    VirtualRecorderConfig config;
    config.folder = registry.Dir().File("recorder");
    std::filesystem::create_directories(config.folder);
    CVirtualRecorderStore().Add(config);
    EXPECT_EQ(master->Open(), S_OK);
  }
  ComPtr<IUnknown> Query(IUnknown* from, REFIID riid) {
    ComPtr<IUnknown> p;
    EXPECT_EQ(from->QueryInterface(riid, p.ReleaseAndGetVoidAddress()), S_OK);
    return p;
  }
  testsupport::ScopedRegistry registry;
  ComPtr<IDiscMaster> master = ComPtr<IDiscMaster>(Make<CDiscMasterObj>());
  ComPtr<CCantrelCtrl> control = Make<CCantrelCtrl>();
};

struct Row {
  const char* name;
  std::function<ComPtr<IUnknown>(World&)> make;
  std::vector<IID> answers;
  IID refused;
};

class Interfaces : public testing::TestWithParam<Row> {};

TEST_P(Interfaces, AnswersItsOwnWithOneIdentity) {
  World world;
  ComPtr<IUnknown> object = GetParam().make(world);
  ASSERT_TRUE(object);
  ComPtr<IUnknown> identity = world.Query(object.Get(), IID_IUnknown);
  for (const IID& iid : GetParam().answers) {
    ComPtr<IUnknown> p = world.Query(object.Get(), iid);
    ASSERT_TRUE(p);
    EXPECT_EQ(world.Query(p.Get(), IID_IUnknown), identity);
  }
  void* p = &p;
  EXPECT_EQ(object->QueryInterface(GetParam().refused, &p), E_NOINTERFACE);
  EXPECT_EQ(p, nullptr);
  EXPECT_EQ(object->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
}

ComPtr<IUnknown> Out(std::function<HRESULT(IUnknown**)> get) {
  ComPtr<IUnknown> p;
  EXPECT_EQ(get(p.ReleaseAndGetAddressOf()), S_OK);
  return p;
}
template <class T>
ComPtr<IUnknown> Unknown(ComPtr<T> p) {
  return p ? p.template As<IUnknown>() : nullptr;
}

const Row kRows[] = {
    {"DiscMaster", [](World& w) { return Unknown(w.master); }, {IID_IDiscMaster}, IID_IDispatch},
    {"DiscMasterFactory",
     [](World&) { return Unknown(Make<CDiscMasterClassFactory>()); },
     {IID_IClassFactory},
     IID_IDiscMaster},
    {"Recorder",
     [](World& w) {
       return Out(
           [&](IUnknown** pp) { return w.master->GetActiveDiscRecorder(reinterpret_cast<IDiscRecorder**>(pp)); });
     },
     {IID_IDiscRecorder},
     IID_IDiscMaster},
    {"RecorderEnum",
     [](World& w) {
       return Out(
           [&](IUnknown** pp) { return w.master->EnumDiscRecorders(reinterpret_cast<IEnumDiscRecorders**>(pp)); });
     },
     {IID_IEnumDiscRecorders},
     IID_IEnumDiscMasterFormats},
    {"FormatEnum",
     [](World& w) {
       return Out([&](IUnknown** pp) {
         return w.master->EnumDiscMasterFormats(reinterpret_cast<IEnumDiscMasterFormats**>(pp));
       });
     },
     {IID_IEnumDiscMasterFormats},
     IID_IEnumDiscRecorders},
    {"Redbook",
     [](World& w) {
       return Out([&](IUnknown** pp) {
         return w.master->SetActiveDiscMasterFormat(IID_IRedbookDiscMaster, reinterpret_cast<void**>(pp));
       });
     },
     {IID_IRedbookDiscMaster},
     IID_IJolietDiscMaster},
    {"Joliet",
     [](World& w) {
       return Out([&](IUnknown** pp) {
         return w.master->SetActiveDiscMasterFormat(IID_IJolietDiscMaster, reinterpret_cast<void**>(pp));
       });
     },
     {IID_IJolietDiscMaster},
     IID_IRedbookDiscMaster},
    {"TypeLib", [](World&) { return Unknown(TypeLibObject::StdOle()); }, {IID_ITypeLib}, IID_ITypeInfo},
    {"TypeInfo",
     [](World&) {
       return Out(
           [](IUnknown** pp) { return TypeLibObject::StdOle()->GetTypeInfo(0, reinterpret_cast<ITypeInfo**>(pp)); });
     },
     {IID_ITypeInfo},
     IID_ITypeLib},
    {"EventSink",
     [](World&) { return Unknown(CEventSink::Create(DIID__DcantrelEvents, nullptr)); },
     {IID_IDispatch, DIID__DcantrelEvents},
     DIID__Dcantrel},
    {"MemStream",
     [](World&) { return Unknown(CMemStream::Create()); },
     {IID_IStream, IID_ISequentialStream},
     IID_IPropertyBag},
    {"PropertyBag", [](World&) { return Unknown(CMemPropertyBag::Create()); }, {IID_IPropertyBag}, IID_IStream},
    {"Control",
     [](World& w) { return Unknown(w.control); },
     {IID_IDispatch, DIID__Dcantrel, IID_IConnectionPointContainer, IID_IProvideClassInfo, IID_IOleObject,
      IID_IOleWindow, IID_IOleInPlaceObject, IID_IOleControl, IID_IViewObject, IID_IPersist, IID_IPersistStreamInit,
      IID_IPersistPropertyBag, IID_ISpecifyPropertyPages},
     IID_IEnumVARIANT},
    {"ConnectionPoint",
     [](World& w) {
       return Out([&](IUnknown** pp) {
         return w.control->FindConnectionPoint(DIID__DcantrelEvents, reinterpret_cast<IConnectionPoint**>(pp));
       });
     },
     {IID_IConnectionPoint},
     IID_IConnectionPointContainer},
    {"ConnectionPointEnum",
     [](World& w) {
       return Out([&](IUnknown** pp) {
         return w.control->EnumConnectionPoints(reinterpret_cast<IEnumConnectionPoints**>(pp));
       });
     },
     {IID_IEnumConnectionPoints},
     IID_IConnectionPoint},
    {"Drives", [](World&) { return Unknown(CDrives::Create()); }, {IID_IDispatch, IID_IDrives}, IID_IDrive},
    {"Drive",
     [](World&) {
       ComPtr<CDrives> drives = CDrives::Create();
       drives->Add(u"V", u"P", u"R");
       return Unknown(drives->GetAt(0));
     },
     {IID_IDispatch, IID_IDrive},
     IID_IDrives},
    {"DriveEnum",
     [](World&) { return Unknown(CEnumDrives::Create(CDrives::Create())); },
     {IID_IEnumVARIANT, IID_IDispatch, IID_IEnumDrives},
     IID_IDrives},
    {"ProgressSink",
     [](World&) { return Unknown(CProgressSink::Create(nullptr)); },
     {IID_IDiscMasterProgressEvents},
     IID_IDispatch},
};

INSTANTIATE_TEST_SUITE_P(EveryObjectKind, Interfaces, testing::ValuesIn(kRows),
                         [](const testing::TestParamInfo<Row>& info) { return std::string(info.param.name); });

}  // namespace
