// The interpreter against in-process fake objects: what each literal becomes
// on the wire, how values print, property writes, loops, and which failures
// go on and which end the script.
#include <gtest/gtest.h>

#include <sstream>

#include "tests/support/TestSupport.h"
#include "tests/tools/automate/FakeAutomation.h"
#include "tools/automate/CScriptInterpreter.h"
#include "tools/automate/CScriptParser.h"

namespace {

struct ScriptRun {
  int status;
  std::string out;
  std::string err;
};

class ScriptInterpreter : public ::testing::Test {
 protected:
  ScriptRun Execute(const std::string& text) {
    std::ostringstream out, err;
    int status;
    {
      CScriptInterpreter interpreter(out, err, [](const std::function<bool()>& done, int) { return done(); });
      interpreter.SetVariable("o", CVariant::Dispatch(m_pObject.Get()));
      status = interpreter.Run(CScriptParser::Parse(text));
    }
    return {status, out.str(), err.str()};
  }
  // A value the script stored in the object may be the object itself.
  void TearDown() override { m_pObject->m_value.Clear(); }
  const RecordedCall& LastCall() const {
    EXPECT_FALSE(m_pObject->m_calls.empty());
    return m_pObject->m_calls.back();
  }

  testsupport::ScopedRegistry m_registry;
  ComPtr<FakeObject> m_pObject = FakeObject::Make();
};

TEST_F(ScriptInterpreter, EachLiteralReachesTheObjectAsItsType) {
  struct Case {
    const char* literal;
    VARTYPE vt;
    const char* printed;  // what Echo gives back, printed
  };
  const Case cases[] = {
      {"5", VT_I4, "5"},
      {"-70000", VT_I4, "-70000"},
      {"5%", VT_I2, "5"},
      {"\"fw_1.07.wav\"", VT_BSTR, "fw_1.07.wav"},
      {"\"\"", VT_BSTR, ""},
      {"True", VT_BOOL, "True"},
      {"False", VT_BOOL, "False"},
      {"Empty", VT_EMPTY, "Empty"},
      {"Null", VT_NULL, "Null"},
      {"Nothing", VT_DISPATCH, "Nothing"},
      {"byref \"key\"", VT_BYREF | VT_BSTR, "key"},
      {"o", VT_DISPATCH, "<object>"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.literal);
    ScriptRun r = Execute(std::string("print o.Echo(") + c.literal + ")");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, std::string(c.printed) + "\n");
    const RecordedCall& call = LastCall();
    ASSERT_EQ(call.args.size(), 1u);
    EXPECT_EQ(call.args[0].vt, c.vt);
    EXPECT_EQ(call.wFlags, DISPATCH_METHOD | DISPATCH_PROPERTYGET);
  }
}

TEST_F(ScriptInterpreter, ScriptsPrintWhatTheyShould) {
  struct Case {
    const char* name;
    std::vector<CVariant> items;  // what o walks in for each
    bool bItemsFail;
    const char* text;
    const char* out;
  };
  const Case cases[] = {
      {"print separates with tabs", {}, false, "print 1, \"two words\", True, o.Nothing, o.Self\nprint\nprint \"a\"",
       "1\ttwo words\tTrue\tNothing\t<object>\n\na\n"},
      {"by-reference strings stay live", {}, false, "call o.Rename(byref \"old\")\nprint o.Echo(byref \"x\"), o.Echo(\"y\")",
       "x\ty\n"},
      {"variables, any case", {}, false, "let n = 3\nset s = o.Self\nprint n, s.Echo(n), S.Echo(N)\nset s = Nothing\nprint s",
       "3\t3\t3\nNothing\n"},
      {"for each keeps the last item", {CVariant::Long(1), CVariant::String(u"two"), CVariant::Bool(true)}, false,
       "for each x in o.Items\n  print \"item\", x\nnext\nprint \"end\", x", "item\t1\nitem\ttwo\nitem\tTrue\nend\tTrue\n"},
      {"nested loops", {CVariant::Long(1), CVariant::Long(2)}, false,
       "for each a in o\n  for each b in o\n    print a, b\n  next\nnext\n", "1\t1\n1\t2\n2\t1\n2\t2\n"},
      {"empty collection", {}, false, "for each a in o\n  print \"body\"\nnext\nprint \"after\"", "after\n"},
      {"collection that cannot be walked", {}, true, "for each a in o\n  print \"body\"\nnext\nprint \"after\"",
       "error 0x80004005\nafter\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    m_pObject->SetItems(c.items);
    m_pObject->m_bItemsFail = c.bItemsFail;
    ScriptRun r = Execute(c.text);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, c.out);
  }
}

TEST_F(ScriptInterpreter, PropertyWritesPassTheValueLast) {
  ScriptRun r = Execute("let o.Value = 7%\nprint o.Value\no.Value = \"s\"\nprint o.Value\nset o.Value = o.Self");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "7\ns\n");
  const auto& calls = m_pObject->m_calls;
  ASSERT_EQ(calls.size(), 6u);  // put, get, put, get, Self, putref
  EXPECT_EQ(calls[0].wFlags, DISPATCH_PROPERTYPUT);
  EXPECT_EQ(calls[0].args.at(0).vt, VT_I2);
  EXPECT_EQ(calls[2].wFlags, DISPATCH_PROPERTYPUT);
  EXPECT_EQ(calls[5].wFlags, DISPATCH_PROPERTYPUTREF);
  EXPECT_EQ(calls[5].args.at(0).vt, VT_DISPATCH);
}

TEST_F(ScriptInterpreter, AutomationErrorsPrintTheirCodeAndTheScriptGoesOn) {
  ScriptRun r = Execute(
      "print \"before\"\n"
      "print o.Fail\n"
      "print o.NoSuchMember\n"
      "print o.Echo(1, 2)\n"
      "let o.Fail = 1\n"
      "print \"after\"");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "before\n"
            "error 0x80004005\n"
            "error 0x80020006\n"
            "error 0x8002000E\n"
            "error 0x80004005\n"
            "after\n");
  EXPECT_NE(r.err.find("line 2"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("NoSuchMember"), std::string::npos) << r.err;
}

TEST_F(ScriptInterpreter, ScriptErrorsNameTheLineAndStop) {
  struct Case {
    const char* text;
    const char* reason;
  };
  const Case cases[] = {
      {"print 1\nprint missing", "line 2: missing is not set"},
      {"let n = 5\nprint n.Value", "line 2: n is not an object"},
      {"print o.Nothing.Value", "line 1: o.Nothing is Nothing"},
      {"set n = 5", "line 1: set takes an object"},
      {"let n = byref \"x\"", "line 1: byref passes an argument"},
      {"let n = 1\nfor each x in n\nnext", "line 2: for each needs a collection object"},
      {"wait o Done 1", "line 1: o raises no events"},
      {"let n = 1\nwait n Done 1", "line 2: n is not an object"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    ScriptRun r = Execute(std::string(c.text) + "\nprint \"not reached\"");
    EXPECT_EQ(r.status, CScriptInterpreter::kExitScriptError);
    EXPECT_NE(r.err.find(c.reason), std::string::npos) << r.err;
    EXPECT_EQ(r.out.find("not reached"), std::string::npos);
  }
}

TEST_F(ScriptInterpreter, CreatingAnUnknownClassIsAnAutomationError) {
  ScriptRun r = Execute("set x = create No.Such.Component\nprint \"after\"");
  EXPECT_EQ(r.status, 0) << r.err;
  ASSERT_EQ(r.out.rfind("error 0x8", 0), 0u) << r.out;
  EXPECT_NE(r.out.find("\nafter\n"), std::string::npos);
}

}  // namespace
