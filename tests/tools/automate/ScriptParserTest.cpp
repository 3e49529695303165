// The script parser: what each statement form becomes, and the line and
// reason of every kind of mistake.
#include <gtest/gtest.h>

#include "tools/automate/CScriptError.h"
#include "tools/automate/CScriptParser.h"

namespace {

using Kind = ScriptStatement::Kind;
using EKind = ScriptExpr::Kind;

// The one statement of a one-line script.
ScriptStatement Only(const Script& s) {
  EXPECT_EQ(s.statements.size(), 1u);
  return s.statements.at(0);
}

TEST(ScriptParser, StatementForms) {
  struct Case {
    const char* text;
    Kind kind;
    const char* name;  // Create/ForEach/Wait variable, or the target's name
    const char* progId = "";
  };
  const Case cases[] = {
      {"set c = create CANTREL.cantrelCtrl.1", Kind::Create, "c", "CANTREL.cantrelCtrl.1"},
      {"SET c = CREATE {42DBD54D-9322-440A-8834-75FBC7F8597B} ' the control", Kind::Create, "c",
       "{42DBD54D-9322-440A-8834-75FBC7F8597B}"},
      {"set c = create \"A.B\"", Kind::Create, "c", "A.B"},
      {"set d = c.Drives", Kind::Assign, "d"},
      {"let c.Drive = 1%", Kind::Assign, "Drive"},
      {"c.Drive = 2", Kind::Assign, "Drive"},
      {"call c.InitControl", Kind::Call, "InitControl"},
      {"c.Burn False, True, False", Kind::Call, "Burn"},
      {"c.Burn(False, True, False)", Kind::Call, "Burn"},
      {"print", Kind::Print, ""},
      {"for each x in d", Kind::ForEach, "x"},
      {"wait c BurnComplete, ErrorEvent 120", Kind::Wait, "c"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    std::string text = c.text;
    if (c.kind == Kind::ForEach) text += "\nnext";
    Script script;
    ASSERT_NO_THROW(script = CScriptParser::Parse(text));
    const ScriptStatement& s = script.statements.at(0);
    EXPECT_EQ(s.kind, c.kind);
    EXPECT_EQ(s.line, 1);
    const std::string name = s.kind == Kind::Assign ? s.target.text
                             : s.kind == Kind::Call ? s.values.at(0).text
                                                    : s.name;
    EXPECT_EQ(name, c.name);
    EXPECT_EQ(s.progId, c.progId);
  }
}

TEST(ScriptParser, Literals) {
  struct Case {
    const char* text;
    EKind kind;
    LONG value;
    const char* str;
  };
  const Case cases[] = {
      {"5", EKind::Long, 5, ""},
      {"-7", EKind::Long, -7, ""},
      {"2147483647", EKind::Long, 2147483647, ""},
      {"-2147483648", EKind::Long, INT32_MIN, ""},
      {"5%", EKind::Short, 5, ""},
      {"-32768%", EKind::Short, -32768, ""},
      {"\"fw_1.07.wav\"", EKind::String, 0, "fw_1.07.wav"},
      {"\"say \"\"hi\"\"\"", EKind::String, 0, "say \"hi\""},
      {"\"it's\"", EKind::String, 0, "it's"},
      {"True", EKind::Bool, 1, ""},
      {"false", EKind::Bool, 0, ""},
      {"Empty", EKind::Empty, 0, ""},
      {"NULL", EKind::Null, 0, ""},
      {"Nothing", EKind::Nothing, 0, ""},
      {"byref \"key\"", EKind::ByRefString, 0, "key"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const ScriptStatement s = Only(CScriptParser::Parse(std::string("print ") + c.text));
    ASSERT_EQ(s.values.size(), 1u);
    EXPECT_EQ(s.values[0].kind, c.kind);
    EXPECT_EQ(s.values[0].lValue, c.value);
    EXPECT_EQ(s.values[0].text, c.str);
  }
}

TEST(ScriptParser, MemberChainsAndArguments) {
  const ScriptStatement s = Only(CScriptParser::Parse("print d.Count, d.Item(1).ProductID, d.FindRevision(0%)"));
  ASSERT_EQ(s.values.size(), 3u);
  const ScriptExpr& product = s.values[1];
  EXPECT_EQ(product.kind, EKind::Member);
  EXPECT_EQ(product.text, "ProductID");
  EXPECT_TRUE(product.args.empty());
  ASSERT_TRUE(product.object);
  EXPECT_EQ(product.object->text, "Item");
  ASSERT_EQ(product.object->args.size(), 1u);
  EXPECT_EQ(product.object->args[0].lValue, 1);
  EXPECT_EQ(product.object->object->kind, EKind::Variable);
  EXPECT_EQ(product.object->object->text, "d");
  EXPECT_EQ(s.values[2].args.at(0).kind, EKind::Short);

  const ScriptStatement burn = Only(CScriptParser::Parse("print c.Burn(False, True, c.Drives.Count)"));
  ASSERT_EQ(burn.values[0].args.size(), 3u);
  EXPECT_EQ(burn.values[0].args[2].kind, EKind::Member);
  const ScriptStatement bare = Only(CScriptParser::Parse("c.Burn False, True, 1%"));
  ASSERT_EQ(bare.values.at(0).args.size(), 3u);
  EXPECT_EQ(bare.values[0].args[2].kind, EKind::Short);
  // A member that is a keyword elsewhere is still a member.
  EXPECT_EQ(Only(CScriptParser::Parse("call x.Next")).values[0].text, "Next");
}

TEST(ScriptParser, WaitEventsAndTimeout) {
  const ScriptStatement s = Only(CScriptParser::Parse("wait c BurnComplete, ErrorEvent 120"));
  EXPECT_EQ(s.events, (std::vector<std::string>{"BurnComplete", "ErrorEvent"}));
  EXPECT_EQ(s.timeoutSeconds, 120);
  const ScriptStatement d = Only(CScriptParser::Parse("wait c EraseComplete"));
  EXPECT_EQ(d.events, std::vector<std::string>{"EraseComplete"});
  EXPECT_GT(d.timeoutSeconds, 0);
}

TEST(ScriptParser, CommentsBlankLinesAndLineNumbers) {
  Script s = CScriptParser::Parse(
      "#!/usr/bin/env automate\n"
      "\n"
      "' a comment\r\n"
      "rem another\n"
      "   print 1 ' trailing\n"
      "print \"a ' b\"\n"
      "remark.Go\n");
  ASSERT_EQ(s.statements.size(), 3u);
  EXPECT_EQ(s.statements[0].line, 5);
  EXPECT_EQ(s.statements[1].line, 6);
  EXPECT_EQ(s.statements[1].values[0].text, "a ' b");
  // "remark" is a name, not a comment.
  EXPECT_EQ(s.statements[2].kind, Kind::Call);
  EXPECT_EQ(s.statements[2].line, 7);
}

TEST(ScriptParser, LoopsArePaired) {
  Script s = CScriptParser::Parse(
      "for each a in x\n"
      "  for each b in a\n"
      "    print b\n"
      "  next b\n"
      "next\n");
  ASSERT_EQ(s.statements.size(), 5u);
  EXPECT_EQ(s.statements[0].jump, 4u);
  EXPECT_EQ(s.statements[4].jump, 0u);
  EXPECT_EQ(s.statements[1].jump, 3u);
  EXPECT_EQ(s.statements[3].jump, 1u);
}

TEST(ScriptParser, MistakesNameTheirLine) {
  struct Case {
    const char* text;
    int line;
    const char* reason;
  };
  const Case cases[] = {
      {"print 1\nprint \"open", 2, "not closed"},
      {"print 2147483648", 1, "does not fit a long"},
      {"print 99999999999999999999999", 1, "too large"},
      {"print 40000%", 1, "does not fit a short"},
      {"print 12abc", 1, "malformed number"},
      {"print 1 2", 1, "unexpected 2"},
      {"print ,", 1, "expected a value"},
      {"print c.", 1, "member name"},
      {"print c.Item(1", 1, "expected ')'"},
      {"print \"x\".Length", 1, "only an object has members"},
      {"print $", 1, "unexpected character"},
      {"print byref 5", 1, "byref needs a string"},
      {"frobnicate", 1, "unknown statement"},
      {"42", 1, "a statement begins"},
      {"set = 5", 1, "expected a value"},
      {"let 5 = 5", 1, "assign"},
      {"set c.x = create A.B", 1, "create assigns to a variable"},
      {"set c = create", 1, "needs a ProgID"},
      {"call c", 1, "call needs a method"},
      {"for x in d\nnext", 1, "for each"},
      {"for each next in d\nnext", 1, "keyword"},
      {"for each x of d\nnext", 1, "\"in\""},
      {"print 1\nnext", 2, "next without for each"},
      {"for each x in d\nprint x", 1, "for each without next"},
      {"for each x in d\nnext y", 2, "closes the loop over x"},
      {"wait c", 1, "names of the events"},
      {"wait c Done -1", 1, "seconds"},
      {"wait c Done 1%", 1, "seconds"},
      {"print 1\n\nset x = 1 + 2", 3, "unexpected character"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    try {
      CScriptParser::Parse(c.text);
      ADD_FAILURE() << "parsed";
    } catch (const CScriptError& e) {
      EXPECT_EQ(e.Line(), c.line);
      EXPECT_NE(std::string(e.what()).find(c.reason), std::string::npos) << e.what();
      EXPECT_EQ(std::string(e.what()).rfind("line " + std::to_string(c.line) + ": ", 0), 0u) << e.what();
    }
  }
}

TEST(ScriptParser, DeepNestingIsRefusedNotOverflowed) {
  std::string text = "print ";
  for (int i = 0; i < 5000; ++i) text += "a.b(";
  EXPECT_THROW(CScriptParser::Parse(text), CScriptError);
  std::string chain = "print a";
  for (int i = 0; i < 5000; ++i) chain += ".b";
  EXPECT_THROW(CScriptParser::Parse(chain), CScriptError);
  std::string args = "print a.b(1";
  for (int i = 0; i < 5000; ++i) args += ", 1";
  EXPECT_THROW(CScriptParser::Parse(args + ")"), CScriptError);
  std::string ok = "print a.b(a.b(a.b(1)))";
  EXPECT_NO_THROW(CScriptParser::Parse(ok));
}

}  // namespace
