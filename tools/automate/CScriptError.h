// A mistake in the script itself (as opposed to an automation error that an
// object reports): it names the line and ends the script.
#pragma once

#include <stdexcept>
#include <string>

class CScriptError : public std::runtime_error {
 public:
  CScriptError(int nLine, const std::string& strMessage)
      : std::runtime_error("line " + std::to_string(nLine) + ": " + strMessage), m_nLine(nLine) {}
  int Line() const { return m_nLine; }

 private:
  int m_nLine;
};
