// An error raised by a late-bound call: its result code and a description a
// person can read, which the error traps show.
#pragma once

#include <QString>
#include <stdexcept>

#include "platform/com/ComTypes.h"

class CAutomationError : public std::runtime_error {
 public:
  // strDescription: what the callee reported (may be empty); the standard
  // text for hr is used when it is.
  CAutomationError(HRESULT hr, const QString& strDescription = {});

  HRESULT Result() const { return m_hr; }
  const QString& Description() const { return m_strDescription; }

  // The standard text of a result code; "Automation error 0x........" for a
  // code without one.
  static QString DescribeResult(HRESULT hr);

 private:
  HRESULT m_hr;
  QString m_strDescription;
};
