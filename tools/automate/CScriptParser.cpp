#include "tools/automate/CScriptParser.h"

#include <cctype>
#include <cstdint>

#include "tools/automate/CScriptError.h"

namespace {

// Deep enough for any sensible script, shallow enough that hostile input
// cannot exhaust the stack.
constexpr int kMaxDepth = 64;
// Members and arguments in one statement; evaluating and freeing a statement
// recurse along its chains.
constexpr int kMaxNodes = 1024;

const char* const kReserved[] = {"set",  "let",   "call",  "print", "for",   "each",    "in",  "next",
                                 "wait", "create", "byref", "true", "false", "empty", "null", "nothing", "rem"};

std::string Lower(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return r;
}

bool IsReserved(std::string_view word) {
  std::string w = Lower(word);
  for (const char* k : kReserved)
    if (w == k) return true;
  return false;
}

bool IsNameStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool IsNameChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }
bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }

}  // namespace

CScriptParser::CScriptParser(std::string_view line, int nLine)
    : m_line(line), m_nLine(nLine), m_tokens(Tokenize(line, nLine)) {}

void CScriptParser::Fail(const std::string& strMessage) const { throw CScriptError(m_nLine, strMessage); }

std::vector<CScriptParser::Token> CScriptParser::Tokenize(std::string_view line, int nLine) {
  std::vector<Token> tokens;
  size_t i = 0;
  auto fail = [&](const std::string& why) { throw CScriptError(nLine, why); };
  while (i < line.size()) {
    const char c = line[i];
    if (IsSpace(c)) {
      ++i;
      continue;
    }
    if (c == '\'') break;
    Token t;
    t.pos = i;
    // What follows "= create" is a ProgID or a class id, taken as written.
    const bool bProgId = tokens.size() >= 2 && tokens.back().kind == Token::Kind::Word &&
                         Lower(tokens.back().text) == "create" && tokens[tokens.size() - 2].kind == Token::Kind::Punct &&
                         tokens[tokens.size() - 2].text == "=";
    if (c == '"') {
      t.kind = Token::Kind::String;
      ++i;
      for (;;) {
        if (i >= line.size()) fail("a string is not closed");
        if (line[i] == '"') {
          if (i + 1 < line.size() && line[i + 1] == '"') {
            t.text += '"';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        t.text += line[i++];
      }
    } else if (bProgId) {
      t.kind = Token::Kind::Word;
      while (i < line.size() && !IsSpace(line[i]) && line[i] != '\'') t.text += line[i++];
    } else if (std::isdigit(static_cast<unsigned char>(c)) ||
               (c == '-' && i + 1 < line.size() && std::isdigit(static_cast<unsigned char>(line[i + 1])))) {
      t.kind = Token::Kind::Number;
      const bool bNegative = c == '-';
      if (bNegative) ++i;
      int64_t value = 0;
      while (i < line.size() && std::isdigit(static_cast<unsigned char>(line[i]))) {
        value = value * 10 + (line[i++] - '0');
        if (value > int64_t{INT32_MAX} + 1) fail("the number " + std::string(line.substr(t.pos, i - t.pos)) + "... is too large");
      }
      if (bNegative) value = -value;
      if (i < line.size() && line[i] == '%') {
        t.bShort = true;
        ++i;
        if (value < INT16_MIN || value > INT16_MAX)
          fail("the number " + std::string(line.substr(t.pos, i - t.pos)) + " does not fit a short");
      }
      if (value < INT32_MIN || value > INT32_MAX)
        fail("the number " + std::string(line.substr(t.pos, i - t.pos)) + " does not fit a long");
      if (i < line.size() && (IsNameChar(line[i]) || line[i] == '.'))
        fail("malformed number " + std::string(line.substr(t.pos, i - t.pos + 1)));
      t.lValue = static_cast<LONG>(value);
    } else if (IsNameStart(c)) {
      t.kind = Token::Kind::Word;
      while (i < line.size() && IsNameChar(line[i])) t.text += line[i++];
    } else if (c == '.' || c == ',' || c == '(' || c == ')' || c == '=') {
      t.kind = Token::Kind::Punct;
      t.text = std::string(1, c);
      ++i;
    } else {
      fail(std::string("unexpected character '") + c + "'");
    }
    tokens.push_back(std::move(t));
  }
  Token end;
  end.pos = line.size();
  tokens.push_back(end);
  return tokens;
}

bool CScriptParser::Accept(char c) {
  const Token& t = Peek();
  if (t.kind == Token::Kind::Punct && t.text[0] == c) {
    ++m_nPos;
    return true;
  }
  return false;
}

void CScriptParser::Expect(char c) {
  if (!Accept(c)) Fail(std::string("expected '") + c + "'");
}

bool CScriptParser::AcceptKeyword(const char* keyword) {
  const Token& t = Peek();
  if (t.kind == Token::Kind::Word && Lower(t.text) == keyword) {
    ++m_nPos;
    return true;
  }
  return false;
}

std::string CScriptParser::ExpectName(const char* what) {
  const Token& t = Peek();
  if (t.kind != Token::Kind::Word) Fail(std::string("expected ") + what);
  if (IsReserved(t.text)) Fail("\"" + t.text + "\" is a keyword, not " + what);
  ++m_nPos;
  return t.text;
}

std::string CScriptParser::ParseProgId() {
  const Token& t = Peek();
  if ((t.kind != Token::Kind::Word && t.kind != Token::Kind::String) || t.text.empty())
    Fail("create needs a ProgID or a class id");
  ++m_nPos;
  return t.text;
}

ScriptExpr CScriptParser::ParseExpr() {
  static thread_local int depth = 0;
  struct Guard {
    Guard() { ++depth; }
    ~Guard() { --depth; }
  } guard;
  if (depth > kMaxDepth) Fail("expression nested too deeply");

  const Token t = Peek();
  ScriptExpr e;
  switch (t.kind) {
    case Token::Kind::Number:
      ++m_nPos;
      e.kind = t.bShort ? ScriptExpr::Kind::Short : ScriptExpr::Kind::Long;
      e.lValue = t.lValue;
      break;
    case Token::Kind::String:
      ++m_nPos;
      e.kind = ScriptExpr::Kind::String;
      e.text = t.text;
      break;
    case Token::Kind::Word: {
      ++m_nPos;
      const std::string w = Lower(t.text);
      if (w == "true" || w == "false") {
        e.kind = ScriptExpr::Kind::Bool;
        e.lValue = w == "true";
      } else if (w == "empty") {
        e.kind = ScriptExpr::Kind::Empty;
      } else if (w == "null") {
        e.kind = ScriptExpr::Kind::Null;
      } else if (w == "nothing") {
        e.kind = ScriptExpr::Kind::Nothing;
      } else if (w == "byref") {
        if (Peek().kind != Token::Kind::String) Fail("byref needs a string literal");
        e.kind = ScriptExpr::Kind::ByRefString;
        e.text = Peek().text;
        ++m_nPos;
      } else if (IsReserved(w)) {
        Fail("unexpected keyword \"" + t.text + "\"");
      } else {
        e.kind = ScriptExpr::Kind::Variable;
        e.text = t.text;
      }
      break;
    }
    default:
      Fail(AtEnd() ? "expected a value" : "expected a value before '" + t.text + "'");
  }
  if (e.kind != ScriptExpr::Kind::Variable) {
    if (Peek().kind == Token::Kind::Punct && Peek().text == ".") Fail("only an object has members");
    return e;
  }
  while (Accept('.')) {
    if (++m_nNodes > kMaxNodes) Fail("statement too long");
    const Token& m = Peek();
    if (m.kind != Token::Kind::Word) Fail("expected a member name after '.'");
    ++m_nPos;
    ScriptExpr member;
    member.kind = ScriptExpr::Kind::Member;
    member.text = m.text;
    member.object = std::make_shared<ScriptExpr>(std::move(e));
    if (Accept('(')) {
      if (!Accept(')')) {
        do {
          if (++m_nNodes > kMaxNodes) Fail("statement too long");
          member.args.push_back(ParseExpr());
        } while (Accept(','));
        Expect(')');
      }
    }
    e = std::move(member);
  }
  return e;
}

ScriptExpr CScriptParser::ParseTarget() {
  ScriptExpr e = ParseExpr();
  if (e.kind != ScriptExpr::Kind::Variable && e.kind != ScriptExpr::Kind::Member)
    Fail("can only assign to a variable or a property");
  return e;
}

ScriptStatement CScriptParser::ParseStatement() {
  ScriptStatement s;
  s.line = m_nLine;
  const Token first = Peek();
  if (first.kind != Token::Kind::Word) Fail("a statement begins with a keyword or a name");
  const std::string kw = Lower(first.text);
  if (kw == "set" || kw == "let") {
    ++m_nPos;
    s.bSet = kw == "set";
    s.target = ParseTarget();
    Expect('=');
    if (s.bSet && AcceptKeyword("create")) {
      if (s.target.kind != ScriptExpr::Kind::Variable) Fail("create assigns to a variable");
      s.kind = ScriptStatement::Kind::Create;
      s.name = s.target.text;
      s.progId = ParseProgId();
    } else {
      s.kind = ScriptStatement::Kind::Assign;
      s.values.push_back(ParseExpr());
    }
  } else if (kw == "call") {
    ++m_nPos;
    s.kind = ScriptStatement::Kind::Call;
    s.values.push_back(ParseExpr());
    if (s.values[0].kind != ScriptExpr::Kind::Member) Fail("call needs a method of an object");
  } else if (kw == "print") {
    ++m_nPos;
    s.kind = ScriptStatement::Kind::Print;
    if (!AtEnd()) {
      do {
        s.values.push_back(ParseExpr());
      } while (Accept(','));
    }
  } else if (kw == "for") {
    ++m_nPos;
    s.kind = ScriptStatement::Kind::ForEach;
    if (!AcceptKeyword("each")) Fail("expected \"for each NAME in COLLECTION\"");
    s.name = ExpectName("a variable name");
    if (!AcceptKeyword("in")) Fail("expected \"in\" after the loop variable");
    s.values.push_back(ParseExpr());
  } else if (kw == "next") {
    ++m_nPos;
    s.kind = ScriptStatement::Kind::Next;
    if (!AtEnd()) s.name = ExpectName("the loop variable");
  } else if (kw == "wait") {
    ++m_nPos;
    s.kind = ScriptStatement::Kind::Wait;
    s.name = ExpectName("the object to wait on");
    do {
      const Token& t = Peek();
      if (t.kind != Token::Kind::Word) Fail("wait needs the names of the events to wait for");
      s.events.push_back(t.text);
      ++m_nPos;
    } while (Accept(','));
    if (Peek().kind == Token::Kind::Number) {
      if (Peek().lValue < 0 || Peek().bShort) Fail("the timeout is a number of seconds");
      s.timeoutSeconds = Peek().lValue;
      ++m_nPos;
    }
  } else {
    // A bare "obj.Method args" is a call, "name = value" a let.
    ScriptExpr e = ParseExpr();
    if (Accept('=')) {
      if (e.kind != ScriptExpr::Kind::Variable && e.kind != ScriptExpr::Kind::Member)
        Fail("can only assign to a variable or a property");
      s.kind = ScriptStatement::Kind::Assign;
      s.target = std::move(e);
      s.values.push_back(ParseExpr());
    } else {
      if (e.kind != ScriptExpr::Kind::Member) Fail("unknown statement \"" + first.text + "\"");
      // "obj.Method a, b" passes its arguments without parentheses.
      if (e.args.empty() && !AtEnd()) {
        do {
          e.args.push_back(ParseExpr());
        } while (Accept(','));
      }
      s.kind = ScriptStatement::Kind::Call;
      s.values.push_back(std::move(e));
    }
  }
  if (!AtEnd()) Fail("unexpected " + std::string(m_line.substr(Peek().pos)) + " at the end of the statement");
  return s;
}

Script CScriptParser::Parse(std::string_view text) {
  Script script;
  std::vector<size_t> open;
  int nLine = 0;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    ++nLine;
    start = end + 1;

    size_t first = 0;
    while (first < line.size() && IsSpace(line[first])) ++first;
    std::string_view body = line.substr(first);
    if (body.empty() || body[0] == '#' || body[0] == '\'') continue;
    if (body.size() >= 3 && Lower(body.substr(0, 3)) == "rem" && (body.size() == 3 || IsSpace(body[3]))) continue;

    CScriptParser parser(line, nLine);
    if (parser.AtEnd()) continue;
    ScriptStatement s = parser.ParseStatement();
    const size_t index = script.statements.size();
    if (s.kind == ScriptStatement::Kind::ForEach) {
      open.push_back(index);
    } else if (s.kind == ScriptStatement::Kind::Next) {
      if (open.empty()) throw CScriptError(nLine, "next without for each");
      const size_t loop = open.back();
      open.pop_back();
      if (!s.name.empty() && Lower(s.name) != Lower(script.statements[loop].name))
        throw CScriptError(nLine, "next " + s.name + " closes the loop over " + script.statements[loop].name);
      s.jump = loop;
      script.statements[loop].jump = index;
    }
    script.statements.push_back(std::move(s));
    if (end == text.size()) break;
  }
  if (!open.empty()) throw CScriptError(script.statements[open.back()].line, "for each without next");
  return script;
}
