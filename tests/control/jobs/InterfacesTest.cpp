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
  friend void PrintTo(const Row& row, std::ostream* os) { *os << row.name; }
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

template <class T>
ComPtr<IUnknown> Unknown(ComPtr<T> p) {
  return p ? p.template As<IUnknown>() : nullptr;
}
// A row's object: made by an expression, or handed out by a call to p.
#define MADE(expr) []([[maybe_unused]] World& w) { return Unknown(expr); }
#define GOT(T, call)                              \
  []([[maybe_unused]] World& w) {                 \
    ComPtr<T> p;                                  \
    EXPECT_EQ(call, S_OK);                        \
    return Unknown(p);                            \
  }

const Row kRows[] = {
    {"DiscMaster", MADE(w.master), {IID_IDiscMaster}, IID_IDispatch},
    {"DiscMasterFactory", MADE(Make<CDiscMasterClassFactory>()), {IID_IClassFactory}, IID_IDiscMaster},
    {"Recorder", GOT(IDiscRecorder, w.master->GetActiveDiscRecorder(p.ReleaseAndGetAddressOf())),
     {IID_IDiscRecorder}, IID_IDiscMaster},
    {"RecorderEnum", GOT(IEnumDiscRecorders, w.master->EnumDiscRecorders(p.ReleaseAndGetAddressOf())),
     {IID_IEnumDiscRecorders}, IID_IEnumDiscMasterFormats},
    {"FormatEnum", GOT(IEnumDiscMasterFormats, w.master->EnumDiscMasterFormats(p.ReleaseAndGetAddressOf())),
     {IID_IEnumDiscMasterFormats}, IID_IEnumDiscRecorders},
    {"Redbook",
     GOT(IUnknown, w.master->SetActiveDiscMasterFormat(IID_IRedbookDiscMaster, p.ReleaseAndGetVoidAddress())),
     {IID_IRedbookDiscMaster}, IID_IJolietDiscMaster},
    {"Joliet", GOT(IUnknown, w.master->SetActiveDiscMasterFormat(IID_IJolietDiscMaster, p.ReleaseAndGetVoidAddress())),
     {IID_IJolietDiscMaster}, IID_IRedbookDiscMaster},
    {"TypeLib", MADE(TypeLibObject::StdOle()), {IID_ITypeLib}, IID_ITypeInfo},
    {"TypeInfo", GOT(ITypeInfo, TypeLibObject::StdOle()->GetTypeInfo(0, p.ReleaseAndGetAddressOf())), {IID_ITypeInfo},
     IID_ITypeLib},
    {"EventSink", MADE(CEventSink::Create(DIID__DcantrelEvents, nullptr)), {IID_IDispatch, DIID__DcantrelEvents},
     DIID__Dcantrel},
    {"MemStream", MADE(CMemStream::Create()), {IID_IStream, IID_ISequentialStream}, IID_IPropertyBag},
    {"PropertyBag", MADE(CMemPropertyBag::Create()), {IID_IPropertyBag}, IID_IStream},
    {"Control", MADE(w.control),
     {IID_IDispatch, DIID__Dcantrel, IID_IConnectionPointContainer, IID_IProvideClassInfo, IID_IOleObject,
      IID_IOleWindow, IID_IOleInPlaceObject, IID_IOleControl, IID_IViewObject, IID_IPersist, IID_IPersistStreamInit,
      IID_IPersistPropertyBag, IID_ISpecifyPropertyPages},
     IID_IEnumVARIANT},
    {"ConnectionPoint",
     GOT(IConnectionPoint, w.control->FindConnectionPoint(DIID__DcantrelEvents, p.ReleaseAndGetAddressOf())),
     {IID_IConnectionPoint}, IID_IConnectionPointContainer},
    {"ConnectionPointEnum", GOT(IEnumConnectionPoints, w.control->EnumConnectionPoints(p.ReleaseAndGetAddressOf())),
     {IID_IEnumConnectionPoints}, IID_IConnectionPoint},
    {"Drives", MADE(CDrives::Create()), {IID_IDispatch, IID_IDrives}, IID_IDrive},
    {"Drive", MADE([] {
       ComPtr<CDrives> drives = CDrives::Create();
       drives->Add(u"V", u"P", u"R");
       return drives->GetAt(0);
     }()),
     {IID_IDispatch, IID_IDrive}, IID_IDrives},
    {"DriveEnum", MADE(CEnumDrives::Create(CDrives::Create())), {IID_IEnumVARIANT, IID_IDispatch, IID_IEnumDrives},
     IID_IDrives},
    {"ProgressSink", MADE(CProgressSink::Create(nullptr)), {IID_IDiscMasterProgressEvents}, IID_IDispatch},
};

INSTANTIATE_TEST_SUITE_P(EveryObjectKind, Interfaces, testing::ValuesIn(kRows),
                         [](const testing::TestParamInfo<Row>& info) { return std::string(info.param.name); });

}  // namespace
