// Turns script text into statements. Keywords and names are compared without
// regard to case; a ' starts a comment, as does a line beginning with # or
// rem. Throws CScriptError for the first line that does not parse, also for
// loops left open or closed twice.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tools/automate/ScriptAst.h"

class CScriptParser {
 public:
  static Script Parse(std::string_view text);

 private:
  struct Token {
    enum class Kind { Word, Number, String, Punct, End };
    Kind kind = Kind::End;
    std::string text;  // Word: as written; String: the value; Punct: the character
    LONG lValue = 0;   // Number
    bool bShort = false;  // Number with a % suffix
    size_t pos = 0;    // offset in the line
  };

  CScriptParser(std::string_view line, int nLine);
  static std::vector<Token> Tokenize(std::string_view line, int nLine);

  ScriptStatement ParseStatement();
  ScriptExpr ParseExpr();
  ScriptExpr ParseTarget();
  std::string ParseProgId();
  std::string ExpectName(const char* what);
  void Expect(char c);
  bool Accept(char c);
  bool AcceptKeyword(const char* keyword);
  bool AtEnd() const { return m_tokens[m_nPos].kind == Token::Kind::End; }
  const Token& Peek() const { return m_tokens[m_nPos]; }
  [[noreturn]] void Fail(const std::string& strMessage) const;

  std::string_view m_line;
  int m_nLine;
  std::vector<Token> m_tokens;
  size_t m_nPos = 0;
  int m_nNodes = 0;
};
