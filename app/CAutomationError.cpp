#include "app/CAutomationError.h"

#include <array>
#include <utility>

namespace {

struct ResultText {
  HRESULT hr;
  const char* text;
};

// The platform's wording for the results that a late-bound call can give.
constexpr std::array kResultTexts{
    ResultText{E_NOTIMPL, "Not implemented."},
    ResultText{E_NOINTERFACE, "No such interface supported."},
    ResultText{E_POINTER, "Invalid pointer."},
    ResultText{E_ABORT, "Operation aborted."},
    ResultText{E_FAIL, "Unspecified error."},
    ResultText{E_UNEXPECTED, "Catastrophic failure."},
    ResultText{E_ACCESSDENIED, "Access is denied."},
    ResultText{E_HANDLE, "The handle is invalid."},
    ResultText{E_OUTOFMEMORY, "Not enough memory resources are available to complete this operation."},
    ResultText{E_INVALIDARG, "The parameter is incorrect."},
    ResultText{E_PENDING, "The data necessary to complete this operation is not yet available."},
    ResultText{CLASS_E_NOAGGREGATION, "Class does not support aggregation (or class object is remote)."},
    ResultText{CLASS_E_CLASSNOTAVAILABLE, "ClassFactory cannot supply requested class."},
    ResultText{REGDB_E_READREGDB, "Could not read key from registry."},
    ResultText{REGDB_E_WRITEREGDB, "Could not write key to registry."},
    ResultText{REGDB_E_KEYMISSING, "Could not find the key in the registry."},
    ResultText{REGDB_E_CLASSNOTREG, "Class not registered."},
    ResultText{CO_E_NOTINITIALIZED, "CoInitialize has not been called."},
    ResultText{CO_E_CLASSSTRING, "Invalid class string."},
    ResultText{CO_E_DLLNOTFOUND, "DLL for class not found."},
    ResultText{CO_E_ERRORINDLL, "Error in the DLL."},
    ResultText{DISP_E_UNKNOWNINTERFACE, "Unknown interface."},
    ResultText{DISP_E_MEMBERNOTFOUND, "Member not found."},
    ResultText{DISP_E_PARAMNOTFOUND, "Parameter not found."},
    ResultText{DISP_E_TYPEMISMATCH, "Type mismatch."},
    ResultText{DISP_E_UNKNOWNNAME, "Unknown name."},
    ResultText{DISP_E_NONAMEDARGS, "No named arguments."},
    ResultText{DISP_E_BADVARTYPE, "Bad variable type."},
    ResultText{DISP_E_EXCEPTION, "Exception occurred."},
    ResultText{DISP_E_OVERFLOW, "Out of present range."},
    ResultText{DISP_E_BADINDEX, "Invalid index."},
    ResultText{DISP_E_BADPARAMCOUNT, "Invalid number of parameters."},
    ResultText{DISP_E_PARAMNOTOPTIONAL, "Parameter not optional."},
    ResultText{TYPE_E_LIBNOTREGISTERED, "Library not registered."},
    ResultText{TYPE_E_ELEMENTNOTFOUND, "Element not found."},
    ResultText{TYPE_E_CANTLOADLIBRARY, "Error loading type library/DLL."},
    ResultText{CTL_E_SETNOTSUPPORTED, "Can't set property."},
    ResultText{RPC_E_CHANGED_MODE, "Cannot change thread mode after it is set."},
};

}  // namespace

QString CAutomationError::DescribeResult(HRESULT hr) {
  for (const ResultText& entry : kResultTexts)
    if (entry.hr == hr) return QString::fromLatin1(entry.text);
  return QStringLiteral("Automation error 0x") +
         QString::number(static_cast<uint32_t>(hr), 16).rightJustified(8, QLatin1Char('0')).toUpper();
}

CAutomationError::CAutomationError(HRESULT hr, const QString& strDescription)
    : std::runtime_error("automation error"),
      m_hr(hr),
      m_strDescription(strDescription.isEmpty() ? DescribeResult(hr) : strDescription) {}
