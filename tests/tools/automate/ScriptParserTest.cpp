// The script parser: what each statement form becomes, and the line and
// reason of every kind of mistake. What values do is the interpreter's test.
#include <gtest/gtest.h>

#include "tools/automate/CScriptError.h"
#include "tools/automate/CScriptParser.h"

namespace {

using Kind = ScriptStatement::Kind;

struct Form {
  const char* name;
  const char* text;
  Kind kind;
  const char* subject;  // Create/ForEach/Wait variable, the target's or the called member's name
  const char* progId = "";
  int line = 1;
};
void PrintTo(const Form& row, std::ostream* os) { *os << row.name; }
class StatementForms : public ::testing::TestWithParam<Form> {};
TEST_P(StatementForms, Parse) {
  const Form& f = GetParam();
  Script script;
  ASSERT_NO_THROW(script = CScriptParser::Parse(std::string(f.text) + (f.kind == Kind::ForEach ? "\nnext" : "")));
  const ScriptStatement& s = script.statements.at(0);
  EXPECT_EQ(s.kind, f.kind);
  EXPECT_EQ(s.line, f.line);
  EXPECT_EQ(s.kind == Kind::Assign ? s.target.text : s.kind == Kind::Call ? s.values.at(0).text : s.name, f.subject);
  EXPECT_EQ(s.progId, f.progId);
}
INSTANTIATE_TEST_SUITE_P(
    ScriptParser, StatementForms,
    ::testing::Values(
        Form{"Create", "set c = create CANTREL.cantrelCtrl.1", Kind::Create, "c", "CANTREL.cantrelCtrl.1"},
        Form{"CreateByClassId", "SET c = CREATE {42DBD54D-9322-440A-8834-75FBC7F8597B} ' the control", Kind::Create,
             "c", "{42DBD54D-9322-440A-8834-75FBC7F8597B}"},
        Form{"CreateQuoted", "set c = create \"A.B\"", Kind::Create, "c", "A.B"},
        Form{"Set", "set d = c.Drives", Kind::Assign, "d"}, Form{"Let", "let c.Drive = 1%", Kind::Assign, "Drive"},
        Form{"BareAssignment", "c.Drive = 2", Kind::Assign, "Drive"},
        Form{"Call", "call c.InitControl", Kind::Call, "InitControl"},
        Form{"BareCall", "c.Burn False, True, False", Kind::Call, "Burn"},
        Form{"BareCallInParentheses", "c.Burn(False, True, False)", Kind::Call, "Burn"},
        Form{"KeywordAsMember", "call x.Next", Kind::Call, "Next"}, Form{"Print", "print", Kind::Print, ""},
        Form{"ForEach", "for each x in d", Kind::ForEach, "x"},
        Form{"Wait", "wait c BurnComplete, ErrorEvent 120", Kind::Wait, "c"},
        // remark is a name, not a comment.
        Form{"AfterComments", "#!/usr/bin/env automate\n\n' a comment\r\nrem another\n  remark.Go ' trailing",
             Kind::Call, "Go", "", 5}),
    [](const auto& info) { return std::string(info.param.name); });

struct Mistake {
  const char* name;
  const char* text;
  int line;
  const char* reason;
};
void PrintTo(const Mistake& row, std::ostream* os) { *os << row.name; }
class Mistakes : public ::testing::TestWithParam<Mistake> {};
TEST_P(Mistakes, NameTheirLineAndReason) {
  const Mistake& m = GetParam();
  try {
    CScriptParser::Parse(m.text);
    ADD_FAILURE() << "parsed";
  } catch (const CScriptError& e) {
    EXPECT_EQ(e.Line(), m.line);
    EXPECT_NE(std::string(e.what()).find(m.reason), std::string::npos) << e.what();
    EXPECT_EQ(std::string(e.what()).rfind("line " + std::to_string(m.line) + ": ", 0), 0u) << e.what();
  }
}
const Mistake kMistakes[] = {
    {"OpenString", "print 1\nprint \"open", 2, "not closed"},
    {"LongTooBig", "print 2147483648", 1, "does not fit a long"},
    {"NumberTooLarge", "print 99999999999999999999999", 1, "too large"},
    {"ShortTooBig", "print 40000%", 1, "does not fit a short"},
    {"MalformedNumber", "print 12abc", 1, "malformed number"},
    {"TrailingValue", "print 1 2", 1, "unexpected 2"},
    {"MissingValue", "print ,", 1, "expected a value"},
    {"MissingMember", "print c.", 1, "member name"},
    {"UnclosedArguments", "print c.Item(1", 1, "expected ')'"},
    {"MemberOfAString", "print \"x\".Length", 1, "only an object has members"},
    {"StrayCharacter", "print 1\n\nset x = 1 + 2", 3, "unexpected character"},
    {"ByRefNumber", "print byref 5", 1, "byref needs a string"},
    {"UnknownStatement", "frobnicate", 1, "unknown statement"},
    {"AssignToNumber", "let 5 = 5", 1, "assign"},
    {"CreateIntoMember", "set c.x = create A.B", 1, "create assigns to a variable"},
    {"CreateWithoutProgId", "set c = create", 1, "needs a ProgID"},
    {"CallWithoutMethod", "call c", 1, "call needs a method"},
    {"ForWithoutEach", "for x in d\nnext", 1, "for each"},
    {"KeywordAsVariable", "for each next in d\nnext", 1, "keyword"},
    {"NextAlone", "print 1\nnext", 2, "next without for each"},
    {"ForEachAlone", "for each x in d\nprint x", 1, "for each without next"},
    {"NextOfAnotherLoop", "for each x in d\nnext y", 2, "closes the loop over x"},
    {"WaitWithoutEvents", "wait c", 1, "names of the events"},
    {"NegativeTimeout", "wait c Done -1", 1, "seconds"}};
INSTANTIATE_TEST_SUITE_P(ScriptParser, Mistakes, ::testing::ValuesIn(kMistakes),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ScriptParser, DeepNestingIsRefusedNotOverflowed) {
  std::string calls = "print ", chain = "print a", args = "print a.b(1";
  for (int i = 0; i < 5000; ++i) calls += "a.b(", chain += ".b", args += ", 1";
  EXPECT_THROW(CScriptParser::Parse(calls), CScriptError);
  EXPECT_THROW(CScriptParser::Parse(chain), CScriptError);
  EXPECT_THROW(CScriptParser::Parse(args + ")"), CScriptError);
  EXPECT_NO_THROW(CScriptParser::Parse("print a.b(a.b(a.b(1)))"));
}

}  // namespace
