// The interpreter against in-process fake objects: what each literal becomes
// on the wire, what scripts print, which failures go on and which end the
// script, and how events reach the script.
#include <gtest/gtest.h>

#include <sstream>

#include "platform/com/CConnectionPoint.h"
#include "platform/com/ComObject.h"
#include "platform/com/Enumerator.h"
#include "platform/com/TypeLib.h"
#include "tests/support/TestSupport.h"
#include "tools/automate/CScriptInterpreter.h"
#include "tools/automate/CScriptParser.h"

namespace {

// An automation object that records every call it receives, answers by
// member name and raises the events Tick(n) and Done() of its class's
// default source interface.
struct RecordedCall {
  WORD wFlags;
  std::vector<VARTYPE> types;  // of the arguments, in declaration order
};

constexpr GUID kFakeLib = {0xFA4E0001, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr GUID kFakeEvents = {0xFA4E0002, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr GUID kFakeClass = {0xFA4E0003, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// The enumerator's items, copied out one by one.
struct VariantItems {
  std::vector<CVariant> items;
  size_t Count() const { return items.size(); }
  void CopyAt(size_t i, VARIANT& out) const { VariantCopy(&out, &items[i]); }
};

class FakeObject final
    : public ComObject<FakeObject, IDispatch, IProvideClassInfo, IConnectionPointContainer> {
 public:
  // Members: Echo(x) returns x (by-reference dereferenced); Value (get/put);
  // Fail() fails with E_FAIL; Self returns this object, a collection;
  // Nothing returns a null object; Rename(byref s) writes through its
  // reference; Raise(n) raises Tick(n).
  enum Member : DISPID { kEcho = 1, kValue, kFail, kSelf, kNothing, kRename, kRaise };
  static ComPtr<FakeObject> Make() { return ::Make<FakeObject>(); }
  void Raise(LONG n) { m_point.Fire(1, {CVariant::Long(n)}); }
  size_t Sinks() const { return m_point.Sinks().size(); }
  ULONG References() const { return RefCount(); }

  std::vector<RecordedCall> m_calls;
  CVariant m_value;
  std::vector<CVariant> m_items;
  bool m_bItemsFail = false;

  HRESULT GetTypeInfoCount(UINT* p) override { return *p = 0, S_OK; }
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT GetIDsOfNames(REFIID, LPOLESTR* names, UINT, LCID, DISPID* ids) override {
    static const std::u16string kNames[] = {u"Echo", u"Value", u"Fail", u"Self", u"Nothing", u"Rename", u"Raise"};
    for (DISPID i = 0; i < kRaise; ++i)
      if (kNames[i] == names[0]) return ids[0] = i + 1, S_OK;
    return ids[0] = DISPID_UNKNOWN, DISP_E_UNKNOWNNAME;
  }
  HRESULT Invoke(DISPID id, REFIID, LCID, WORD wFlags, DISPPARAMS* p, VARIANT* result, EXCEPINFO*, UINT*) override {
    if (id == DISPID_NEWENUM) {
      if (m_bItemsFail) return E_FAIL;
      if (result) result->vt = VT_UNKNOWN,
                   result->punkVal = ::Make<Enumerator<IEnumVARIANT, VARIANT, VariantItems>>(VariantItems{m_items}).Detach();
      return S_OK;
    }
    RecordedCall& call = m_calls.emplace_back(RecordedCall{wFlags, {}});
    for (UINT i = p->cArgs; i-- > 0;) call.types.push_back(p->rgvarg[i].vt);
    const bool put = wFlags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF);
    switch (id) {
      case kEcho:
        return p->cArgs != 1 ? DISP_E_BADPARAMCOUNT : result ? VariantCopyInd(result, &p->rgvarg[0]) : S_OK;
      case kValue:
        if (put) return m_value = CVariant(p->rgvarg[0]), S_OK;
        return result ? VariantCopy(result, &m_value) : S_OK;
      case kFail:
        return E_FAIL;
      case kSelf:
      case kNothing:
        if (result) result->vt = VT_DISPATCH, result->pdispVal = id == kNothing ? nullptr : (AddRef(), this);
        return S_OK;
      case kRename:
        if (p->cArgs != 1 || p->rgvarg[0].vt != (VT_BYREF | VT_BSTR)) return DISP_E_TYPEMISMATCH;
        SysFreeString(*p->rgvarg[0].pbstrVal);
        *p->rgvarg[0].pbstrVal = SysAllocString(u"renamed");
        return S_OK;
      case kRaise:
        return Raise(p->cArgs ? p->rgvarg[0].lVal : 0), S_OK;
    }
    return DISP_E_MEMBERNOTFOUND;
  }
  HRESULT GetClassInfo(ITypeInfo** ppTI) override {
    static const DispatchTable events(u"FakeEvents", kFakeEvents, u"",
                                      {{u"Tick", 1, DispKind::Method, VT_EMPTY, {}, {{u"n", VT_I4}}},
                                       {u"Done", 2, DispKind::Method}});
    static const std::vector<uint8_t> blob = BuildTypeLibBlob(
        {.name = u"fakeLib", .guid = kFakeLib,
         .entries = {{.name = u"FakeEvents", .guid = kFakeEvents, .members = &events},
                     {.kind = TKIND_COCLASS, .name = u"Fake", .guid = kFakeClass,
                      .implTypes = {{u"FakeEvents", IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE}}}}});
    ComPtr<ITypeLib> lib;
    HRESULT hr = LoadTypeLibFromMemory(blob.data(), blob.size(), lib.ReleaseAndGetAddressOf());
    return FAILED(hr) ? hr : lib->GetTypeInfoOfGuid(kFakeClass, ppTI);
  }
  HRESULT EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
  HRESULT FindConnectionPoint(REFIID riid, IConnectionPoint** pp) override {
    *pp = riid == kFakeEvents ? &m_point : nullptr;
    return *pp ? (m_point.AddRef(), S_OK) : CONNECT_E_NOCONNECTION;
  }

 private:
  CConnectionPoint m_point{this, kFakeEvents};
};

using ScriptRun = testsupport::ProcessResult;  // what the script printed and its status

struct Row {
  const char* name;
  const char* text;
  const char* expected;
  VARTYPE vt = VT_EMPTY;
};
std::string RowName(const ::testing::TestParamInfo<Row>& info) { return info.param.name; }

// o and p are two fake objects; the event loop raises Tick(0) on those in
// m_raiseOnPump.
class ScriptInterpreter : public ::testing::Test {
 protected:
  ScriptRun Execute(const std::string& text) {
    std::ostringstream out, err;
    CScriptInterpreter interpreter(out, err, [this](const std::function<bool()>& done, int) {
      for (FakeObject* p : m_raiseOnPump) p->Raise(0);
      return done();
    });
    interpreter.SetVariable("o", CVariant::Dispatch(m_pObject.Get()));
    interpreter.SetVariable("p", CVariant::Dispatch(m_pOther.Get()));
    const int status = interpreter.Run(CScriptParser::Parse(text));
    m_nSinksAfterRun = m_pObject->Sinks();
    m_nReferencesAfterRun = m_pObject->References();
    return {status, out.str(), err.str()};
  }
  // A value the script stored in the object may be the object itself.
  void TearDown() override { m_pObject->m_value.Clear(); }

  testsupport::ScopedRegistry m_registry;
  ComPtr<FakeObject> m_pObject = FakeObject::Make();
  ComPtr<FakeObject> m_pOther = FakeObject::Make();
  std::vector<FakeObject*> m_raiseOnPump;
  size_t m_nSinksAfterRun = 0;
  ULONG m_nReferencesAfterRun = 0;
};

// Each literal reaches the object as its type (vt) and Echo gives it back.
void PrintTo(const Row& row, std::ostream* os) { *os << row.name; }
class Literals : public ScriptInterpreter, public ::testing::WithParamInterface<Row> {};
TEST_P(Literals, ReachTheObjectAsTheirType) {
  ScriptRun r = Execute(std::string("print o.Echo(") + GetParam().text + ")");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, std::string(GetParam().expected) + "\n");
  ASSERT_EQ(m_pObject->m_calls.size(), 1u);
  EXPECT_EQ(m_pObject->m_calls[0].types, std::vector<VARTYPE>{GetParam().vt});
  EXPECT_EQ(m_pObject->m_calls[0].wFlags, DISPATCH_METHOD | DISPATCH_PROPERTYGET);
}
INSTANTIATE_TEST_SUITE_P(
    ScriptInterpreter, Literals,
    ::testing::Values(Row{"Long", "-70000", "-70000", VT_I4}, Row{"LongMin", "-2147483648", "-2147483648", VT_I4},
                      Row{"Short", "5%", "5", VT_I2}, Row{"ShortMin", "-32768%", "-32768", VT_I2},
                      Row{"String", "\"fw_1.07.wav\"", "fw_1.07.wav", VT_BSTR}, Row{"EmptyString", "\"\"", "", VT_BSTR},
                      Row{"QuotesInStrings", "\"say \"\"hi\"\" ' it's\"", "say \"hi\" ' it's", VT_BSTR},
                      Row{"True", "True", "True", VT_BOOL}, Row{"FalseAnyCase", "false", "False", VT_BOOL},
                      Row{"Empty", "Empty", "Empty", VT_EMPTY}, Row{"Null", "NULL", "Null", VT_NULL},
                      Row{"Nothing", "Nothing", "Nothing", VT_DISPATCH},
                      Row{"ByRefString", "byref \"key\"", "key", VT_BYREF | VT_BSTR},
                      Row{"Object", "o", "<object>", VT_DISPATCH}),
    RowName);

class Prints : public ScriptInterpreter, public ::testing::WithParamInterface<Row> {};
TEST_P(Prints, WhatTheScriptSays) {
  m_pObject->m_items = {CVariant::Long(1), CVariant::String(u"two")};
  m_pObject->m_bItemsFail = std::string(GetParam().name) == "UnwalkableCollection";
  ScriptRun r = Execute(GetParam().text);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, GetParam().expected);
}
INSTANTIATE_TEST_SUITE_P(
    ScriptInterpreter, Prints,
    ::testing::Values(
        Row{"TabSeparated", "print 1, \"two words\", True, o.Nothing, o.Self\nprint\nprint \"a\"",
            "1\ttwo words\tTrue\tNothing\t<object>\n\na\n"},
        Row{"MemberChains", "print o.Self.Echo(o.Echo(3%)), o.Self.Self.Echo(\"x\")\no.Echo 4", "3\tx\n"},
        Row{"ByRefStringsStayLive", "call o.Rename(byref \"old\")\nprint o.Echo(byref \"x\"), o.Echo(\"y\")", "x\ty\n"},
        Row{"VariablesInAnyCase", "let n = 3\nset s = o.Self\nprint n, s.Echo(n), S.Echo(N)\nset s = Nothing\nprint s",
            "3\t3\t3\nNothing\n"},
        Row{"ForEachKeepsTheLastItem", "for each x in o.Self\n  print \"item\", x\nnext\nprint \"end\", x",
            "item\t1\nitem\ttwo\nend\ttwo\n"},
        Row{"NestedLoops", "for each a in o\n  for each b in o\n    print a, b\n  next b\nnext\n",
            "1\t1\n1\ttwo\ntwo\t1\ntwo\ttwo\n"},
        Row{"UnwalkableCollection", "for each a in o\n  print \"body\"\nnext\nprint \"after\"",
            "error 0x80004005\nafter\n"},
        Row{"AutomationErrorsGoOn",
            "print o.Fail\nprint o.NoSuchMember\nprint o.Echo(1, 2)\nlet o.Fail = 1\nset z = create No.Such\nprint 1",
            "error 0x80004005\nerror 0x80020006\nerror 0x8002000E\nerror 0x80004005\nerror 0x800401F3\n1\n"}),
    RowName);

TEST_F(ScriptInterpreter, PropertyWritesPassTheValueLast) {
  ScriptRun r = Execute("let o.Value = 7%\nprint o.Value\no.Value = \"s\"\nprint o.Value\nset o.Value = o.Self");
  EXPECT_EQ(r.out, "7\ns\n") << r.err;
  const auto& calls = m_pObject->m_calls;
  ASSERT_EQ(calls.size(), 6u);  // put, get, put, get, Self, putref
  EXPECT_EQ(calls[0].wFlags, DISPATCH_PROPERTYPUT);
  EXPECT_EQ(calls[0].types, std::vector<VARTYPE>{VT_I2});
  EXPECT_EQ(calls[2].wFlags, DISPATCH_PROPERTYPUT);
  EXPECT_EQ(calls[5].wFlags, DISPATCH_PROPERTYPUTREF);
  EXPECT_EQ(calls[5].types, std::vector<VARTYPE>{VT_DISPATCH});
}

// expected: the reason; the script stops there with status 2.
class ScriptErrors : public ScriptInterpreter, public ::testing::WithParamInterface<Row> {};
TEST_P(ScriptErrors, NameTheLineAndStop) {
  ScriptRun r = Execute(std::string(GetParam().text) + "\nprint \"not reached\"");
  EXPECT_EQ(r.status, CScriptInterpreter::kExitScriptError);
  EXPECT_NE(r.err.find(GetParam().expected), std::string::npos) << r.err;
  EXPECT_EQ(r.out.find("not reached"), std::string::npos);
}
INSTANTIATE_TEST_SUITE_P(
    ScriptInterpreter, ScriptErrors,
    ::testing::Values(Row{"Unset", "print 1\nprint missing", "line 2: missing is not set"},
                      Row{"NotAnObject", "let n = 5\nprint n.Value", "line 2: n is not an object"},
                      Row{"NothingHasNoMembers", "print o.Nothing.Value", "line 1: o.Nothing is Nothing"},
                      Row{"SetTakesAnObject", "set n = 5", "line 1: set takes an object"},
                      Row{"ByRefIsNoValue", "let n = byref \"x\"", "line 1: byref passes an argument"},
                      Row{"ForEachOverANumber", "let n = 1\nfor each x in n\nnext", "line 2: for each needs a"},
                      Row{"UnknownEvent", "wait o Ding 1", "line 1: o has no event Ding"},
                      Row{"WaitOnANumber", "let n = 1\nwait n Done 1", "line 2: n is not an object"},
                      Row{"WaitOnNothing", "set n = o.Nothing\nwait n Done 1", "line 2: n is Nothing"}),
    RowName);

TEST_F(ScriptInterpreter, AWaitEndsOnAnyOfItsEventsOrTimesOut) {
  m_raiseOnPump = {m_pObject.Get()};
  ScriptRun r = Execute("wait o Done, Tick 1\nwait p Tick 1\nprint \"not reached\"");
  EXPECT_EQ(r.status, CScriptInterpreter::kExitTimeout);
  EXPECT_EQ(r.out, "event Tick 0\nevent o.Tick 0\ntimeout\n");
  EXPECT_NE(r.err.find("line 2: none of the events arrived within 1 seconds"), std::string::npos) << r.err;
}

TEST_F(ScriptInterpreter, LettingGoOfAnObjectEndsItsEventsAndReleasesIt) {
  m_raiseOnPump = {m_pObject.Get()};
  ScriptRun r = Execute("wait o Tick 1\nset k = o\nset o = Nothing\ncall k.Raise(1)\nset k = Nothing");
  EXPECT_EQ(r.out, "event Tick 0\nevent Tick 1\n") << r.err;
  EXPECT_EQ(m_nSinksAfterRun, 0u);
  EXPECT_EQ(m_nReferencesAfterRun, 1u) << "only the test's own";
}

TEST_F(ScriptInterpreter, WithSeveralObjectsAnEventLineNamesItsVariable) {
  m_raiseOnPump = {m_pObject.Get(), m_pOther.Get()};
  ScriptRun r = Execute("wait o Tick 1\nwait p Tick 1\nset q = p\nset p = Nothing\ncall q.Raise(2)\nlet q = 0\n"
                        "call o.Raise(3)");
  EXPECT_EQ(r.out, "event Tick 0\nevent o.Tick 0\nevent p.Tick 0\nevent q.Tick 2\nevent Tick 3\n") << r.err;
}

}  // namespace
