#include "tools/automate/CScriptInterpreter.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <list>

#include "platform/com/Apartment.h"
#include "platform/com/DispatchTable.h"
#include "platform/com/ResultMacros.h"
#include "platform/com/Utf.h"
#include "tools/automate/CScriptError.h"
#include "tools/automate/ValueText.h"

namespace {

std::string Lower(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return r;
}

std::string Describe(const ScriptExpr& e) {
  if (e.kind == ScriptExpr::Kind::Variable) return e.text;
  if (e.kind == ScriptExpr::Kind::Member) return Describe(*e.object) + "." + e.text;
  return "the value";
}

std::string Text(BSTR b) { return b ? Utf16ToUtf8(std::u16string_view(b, SysStringLen(b))) : std::string(); }

// Frees what an EXCEPINFO holds; returns its description.
std::string TakeException(EXCEPINFO& ex) {
  if (ex.pfnDeferredFillIn) ex.pfnDeferredFillIn(&ex);
  std::string description = Text(ex.bstrDescription);
  SysFreeString(ex.bstrSource);
  SysFreeString(ex.bstrDescription);
  SysFreeString(ex.bstrHelpFile);
  ex = EXCEPINFO{};
  return description;
}

bool IsObject(const VARIANT& v) { return v.vt == VT_DISPATCH || v.vt == VT_UNKNOWN; }

bool IsObjectOf(const VARIANT& v, const ComPtr<IUnknown>& pIdentity) {
  if (!IsObject(v) || !v.punkVal) return false;
  ComPtr<IUnknown> p;
  return SUCCEEDED(v.punkVal->QueryInterface(IID_IUnknown, p.ReleaseAndGetVoidAddress())) && p == pIdentity;
}

}  // namespace

CScriptInterpreter::CScriptInterpreter(std::ostream& out, std::ostream& err, Pump pump)
    : m_out(out), m_err(err), m_pump(std::move(pump)) {}

CScriptInterpreter::~CScriptInterpreter() { ReleaseAll(); }

void CScriptInterpreter::ReleaseAll() {
  m_loops.clear();
  for (auto& c : m_connections) Disconnect(c);
  m_connections.clear();
  m_arrivals.clear();
  m_variables.clear();
}

void CScriptInterpreter::SetVariable(const std::string& name, const VARIANT& value) {
  m_variables[Lower(name)] = CVariant(value);
}

CVariant& CScriptInterpreter::Variable(const std::string& name, int line) {
  auto it = m_variables.find(Lower(name));
  if (it == m_variables.end()) throw CScriptError(line, name + " is not set");
  return it->second;
}

int CScriptInterpreter::Run(const Script& script) {
  size_t pc = 0;
  try {
    while (pc < script.statements.size()) {
      const ScriptStatement& s = script.statements[pc];
      try {
        if (s.kind == ScriptStatement::Kind::Wait) {
          if (Wait(s) == kExitTimeout) return kExitTimeout;
          ++pc;
        } else {
          Execute(script, pc);
        }
      } catch (const AutomationError& e) {
        m_out << "error " << FormatHresult(e.hr) << "\n";
        m_out.flush();
        m_err << "automate: line " << s.line << ": " << e.what << " (" << FormatHresult(e.hr) << ")\n";
        // A loop whose collection cannot be walked is skipped, one that fails
        // halfway ends there.
        if (s.kind == ScriptStatement::Kind::ForEach) {
          pc = s.jump + 1;
        } else {
          if (s.kind == ScriptStatement::Kind::Next && !m_loops.empty()) m_loops.pop_back();
          ++pc;
        }
      }
      DisconnectUnheld();
    }
  } catch (const CScriptError& e) {
    m_out.flush();
    m_err << "automate: " << e.what() << "\n";
    return kExitScriptError;
  }
  m_out.flush();
  return kExitDone;
}

void CScriptInterpreter::Execute(const Script& script, size_t& pc) {
  const ScriptStatement& s = script.statements[pc];
  switch (s.kind) {
    case ScriptStatement::Kind::Create:
      Create(s);
      break;
    case ScriptStatement::Kind::Assign:
      Assign(s);
      break;
    case ScriptStatement::Kind::Call:
      (void)InvokeMember(s.values[0], DISPATCH_METHOD | DISPATCH_PROPERTYGET, nullptr, s.line);
      break;
    case ScriptStatement::Kind::Print: {
      std::string line;
      for (size_t i = 0; i < s.values.size(); ++i) {
        if (i) line += '\t';
        line += FormatValue(Evaluate(s.values[i], s.line));
      }
      m_out << line << "\n";
      m_out.flush();
      break;
    }
    case ScriptStatement::Kind::ForEach: {
      CVariant collection = Evaluate(s.values[0], s.line);
      if (!IsObject(collection) || !collection.punkVal)
        throw CScriptError(s.line, "for each needs a collection object, and " + Describe(s.values[0]) + " is " +
                                       (IsObject(collection) ? "Nothing" : "not an object"));
      ComPtr<IDispatch> pCollection;
      HRESULT hr = collection.punkVal->QueryInterface(IID_IDispatch, pCollection.ReleaseAndGetVoidAddress());
      if (FAILED(hr)) throw AutomationError{hr, Describe(s.values[0]) + " cannot be called"};
      CVariant enumerator;
      hr = DispInvoke(pCollection.Get(), DISPID_NEWENUM, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {}, &enumerator);
      if (FAILED(hr)) throw AutomationError{hr, Describe(s.values[0]) + " cannot be enumerated"};
      Loop loop{pc, {}};
      if (!IsObject(enumerator) || !enumerator.punkVal)
        throw AutomationError{E_NOINTERFACE, Describe(s.values[0]) + " gave no enumerator"};
      hr = enumerator.punkVal->QueryInterface(IID_IEnumVARIANT, loop.pEnum.ReleaseAndGetVoidAddress());
      if (FAILED(hr)) throw AutomationError{hr, Describe(s.values[0]) + " gave no enumerator"};
      m_loops.push_back(std::move(loop));
      if (NextItem(m_loops.back(), s)) {
        ++pc;
      } else {
        m_loops.pop_back();
        pc = s.jump + 1;
      }
      return;
    }
    case ScriptStatement::Kind::Next: {
      if (m_loops.empty() || m_loops.back().forIndex != s.jump) throw CScriptError(s.line, "next outside its loop");
      if (NextItem(m_loops.back(), script.statements[s.jump])) {
        pc = s.jump + 1;
      } else {
        m_loops.pop_back();
        ++pc;
      }
      return;
    }
    case ScriptStatement::Kind::Wait:
      break;  // run by Run itself
  }
  ++pc;
}

bool CScriptInterpreter::NextItem(Loop& loop, const ScriptStatement& forStatement) {
  CVariant item;
  ULONG fetched = 0;
  HRESULT hr = loop.pEnum->Next(1, &item, &fetched);
  if (FAILED(hr)) throw AutomationError{hr, "the enumerator failed"};
  if (hr != S_OK || fetched != 1) return false;
  m_variables[Lower(forStatement.name)] = std::move(item);
  return true;
}

CVariant CScriptInterpreter::Evaluate(const ScriptExpr& e, int line) {
  CVariant v;
  switch (e.kind) {
    case ScriptExpr::Kind::Long:
      return CVariant::Long(e.lValue);
    case ScriptExpr::Kind::Short:
      return CVariant::Short(static_cast<SHORT>(e.lValue));
    case ScriptExpr::Kind::String:
      return CVariant::String(Utf8ToUtf16(e.text));
    case ScriptExpr::Kind::Bool:
      return CVariant::Bool(e.lValue != 0);
    case ScriptExpr::Kind::Empty:
      return v;
    case ScriptExpr::Kind::Null:
      v.vt = VT_NULL;
      return v;
    case ScriptExpr::Kind::Nothing:
      v.vt = VT_DISPATCH;
      v.pdispVal = nullptr;
      return v;
    case ScriptExpr::Kind::ByRefString:
      throw CScriptError(line, "byref passes an argument; it is not a value of its own");
    case ScriptExpr::Kind::Variable:
      return Variable(e.text, line);
    case ScriptExpr::Kind::Member:
      return InvokeMember(e, DISPATCH_METHOD | DISPATCH_PROPERTYGET, nullptr, line);
  }
  return v;
}

ComPtr<IDispatch> CScriptInterpreter::ObjectOf(const ScriptExpr& e, int line) {
  CVariant v = Evaluate(e, line);
  if (!IsObject(v)) throw CScriptError(line, Describe(e) + " is not an object");
  if (!v.punkVal) throw CScriptError(line, Describe(e) + " is Nothing");
  ComPtr<IDispatch> p;
  HRESULT hr = v.punkVal->QueryInterface(IID_IDispatch, p.ReleaseAndGetVoidAddress());
  if (FAILED(hr) || !p) throw AutomationError{FAILED(hr) ? hr : E_NOINTERFACE, Describe(e) + " cannot be called"};
  return p;
}

CVariant CScriptInterpreter::InvokeMember(const ScriptExpr& member, WORD wFlags, const VARIANT* pValue, int line) {
  ComPtr<IDispatch> pObject = ObjectOf(*member.object, line);
  std::u16string name = Utf8ToUtf16(member.text);
  LPOLESTR names[1] = {name.data()};
  DISPID dispid = DISPID_UNKNOWN;
  HRESULT hr = pObject->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &dispid);
  if (FAILED(hr)) throw AutomationError{hr, Describe(*member.object) + " has no member " + member.text};

  // The strings that by-reference arguments point at live through the call;
  // the callee may replace them.
  std::list<CBstr> referenced;
  std::vector<CVariant> args;
  for (const ScriptExpr& a : member.args) {
    if (a.kind == ScriptExpr::Kind::ByRefString) {
      std::u16string text = Utf8ToUtf16(a.text);
      referenced.emplace_back();
      CVariant ref;
      ref.vt = VT_BYREF | VT_BSTR;
      ref.pbstrVal = referenced.back().ReleaseAndGetAddressOf();
      *ref.pbstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
      args.push_back(std::move(ref));
    } else {
      args.push_back(Evaluate(a, line));
    }
  }
  if (pValue) args.emplace_back(*pValue);

  CVariant result;
  EXCEPINFO ex{};
  hr = DispInvoke(pObject.Get(), dispid, wFlags, std::move(args), &result, &ex);
  std::string description = TakeException(ex);
  if (FAILED(hr)) {
    std::string what = Describe(member) + (pValue ? " could not be written" : " failed");
    if (!description.empty()) what += ": " + description;
    throw AutomationError{hr, what};
  }
  return result;
}

void CScriptInterpreter::Assign(const ScriptStatement& s) {
  CVariant value = Evaluate(s.values[0], s.line);
  if (s.bSet && !IsObject(value))
    throw CScriptError(s.line, "set takes an object; " + Describe(s.values[0]) + " is not one (use let)");
  if (s.target.kind == ScriptExpr::Kind::Variable) {
    m_variables[Lower(s.target.text)] = std::move(value);
    return;
  }
  (void)InvokeMember(s.target, s.bSet ? DISPATCH_PROPERTYPUTREF : DISPATCH_PROPERTYPUT, &value, s.line);
}

void CScriptInterpreter::Create(const ScriptStatement& s) {
  std::u16string progId = Utf8ToUtf16(s.progId);
  CLSID clsid{};
  HRESULT hr = CLSIDFromProgID(progId.c_str(), &clsid);
  if (FAILED(hr)) {
    std::string why = CoGetLastLoadError();
    throw AutomationError{hr, "no class is registered as " + s.progId + (why.empty() ? "" : ": " + why)};
  }
  ComPtr<IDispatch> pObject;
  hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, pObject.ReleaseAndGetVoidAddress());
  if (FAILED(hr) || !pObject) {
    std::string why = CoGetLastLoadError();
    throw AutomationError{FAILED(hr) ? hr : E_NOINTERFACE,
                          "cannot create " + s.progId + (why.empty() ? "" : ": " + why)};
  }
  if (std::find(m_createdClasses.begin(), m_createdClasses.end(), clsid) == m_createdClasses.end())
    m_createdClasses.push_back(clsid);
  m_variables[Lower(s.name)] = CVariant::Dispatch(pObject.Get());
  (void)Connect(pObject.Get(), s.name);
}

long CScriptInterpreter::Connect(IUnknown* pObject, const std::string& name) {
  ComPtr<IUnknown> pIdentity;
  if (FAILED(pObject->QueryInterface(IID_IUnknown, pIdentity.ReleaseAndGetVoidAddress())) || !pIdentity) return -1;
  for (size_t i = 0; i < m_connections.size(); ++i)
    if (m_connections[i].pIdentity == pIdentity) return static_cast<long>(i);

  // The events are those of the class's default source interface.
  ComPtr<IProvideClassInfo> pProvide;
  if (FAILED(pObject->QueryInterface(IID_IProvideClassInfo, pProvide.ReleaseAndGetVoidAddress())) || !pProvide)
    return -1;
  ComPtr<ITypeInfo> pClass;
  if (FAILED(pProvide->GetClassInfo(pClass.ReleaseAndGetAddressOf())) || !pClass) return -1;
  TYPEATTR* pAttr = nullptr;
  if (FAILED(pClass->GetTypeAttr(&pAttr)) || !pAttr) return -1;
  const UINT cImpl = pAttr->cImplTypes;
  pClass->ReleaseTypeAttr(pAttr);
  ComPtr<ITypeInfo> pEvents;
  for (UINT i = 0; i < cImpl && !pEvents; ++i) {
    INT flags = 0;
    if (FAILED(pClass->GetImplTypeFlags(i, &flags))) continue;
    if ((flags & (IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE)) != (IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE))
      continue;
    HREFTYPE ref = 0;
    if (SUCCEEDED(pClass->GetRefTypeOfImplType(i, &ref))) (void)pClass->GetRefTypeInfo(ref, pEvents.ReleaseAndGetAddressOf());
  }
  if (!pEvents || FAILED(pEvents->GetTypeAttr(&pAttr)) || !pAttr) return -1;
  const IID iidEvents = pAttr->guid;
  pEvents->ReleaseTypeAttr(pAttr);

  ComPtr<IConnectionPointContainer> pContainer;
  if (FAILED(pObject->QueryInterface(IID_IConnectionPointContainer, pContainer.ReleaseAndGetVoidAddress())) ||
      !pContainer)
    return -1;
  Connection c;
  if (FAILED(pContainer->FindConnectionPoint(iidEvents, c.pPoint.ReleaseAndGetAddressOf())) || !c.pPoint) return -1;
  const size_t index = m_connections.size();
  c.pSink = CEventSink::Create(
      iidEvents, [this, index](DISPID dispid, const std::vector<CVariant>& args) { OnEvent(index, dispid, args); });
  if (FAILED(c.pPoint->Advise(static_cast<IDispatch*>(c.pSink.Get()), &c.dwCookie))) return -1;
  c.pIdentity = std::move(pIdentity);
  c.pEventInfo = std::move(pEvents);
  c.name = name;
  m_connections.push_back(std::move(c));
  return static_cast<long>(index);
}

void CScriptInterpreter::Disconnect(Connection& c) {
  if (!c.pPoint) return;
  c.pSink->Detach();
  IgnoreResult(c.pPoint->Unadvise(c.dwCookie), "disconnecting anyway");
  // The slot stays, empty: arrivals and sinks refer to connections by index.
  c = Connection{};
}

void CScriptInterpreter::DisconnectUnheld() {
  for (auto& c : m_connections) {
    if (!c.pPoint) continue;
    auto named = m_variables.find(Lower(c.name));
    if (named != m_variables.end() && IsObjectOf(named->second, c.pIdentity)) continue;
    auto holder = std::find_if(m_variables.begin(), m_variables.end(),
                               [&](const auto& v) { return IsObjectOf(v.second, c.pIdentity); });
    if (holder == m_variables.end())
      Disconnect(c);
    else
      c.name = holder->first;
  }
}

std::string CScriptInterpreter::EventName(const Connection& c, DISPID dispid) const {
  if (c.pEventInfo) {
    BSTR name = nullptr;
    UINT count = 0;
    if (SUCCEEDED(c.pEventInfo->GetNames(dispid, &name, 1, &count)) && count == 1) {
      std::string text = Text(name);
      SysFreeString(name);
      if (!text.empty()) return text;
    }
  }
  return std::to_string(dispid);
}

void CScriptInterpreter::OnEvent(size_t connection, DISPID dispid, const std::vector<CVariant>& args) {
  if (connection >= m_connections.size() || !m_connections[connection].pPoint) return;
  const Connection& c = m_connections[connection];
  std::string line = "event ";
  // With one object the lines stay short; with several they say whose.
  auto live = [](const Connection& k) { return k.pPoint != nullptr; };
  if (std::count_if(m_connections.begin(), m_connections.end(), live) > 1) {
    line += c.name;
    line += '.';
  }
  line += EventName(c, dispid);
  for (const auto& a : args) {
    line += ' ';
    line += FormatValue(a);
  }
  m_out << line << "\n";
  m_out.flush();
  m_arrivals.push_back({connection, dispid});
}

int CScriptInterpreter::Wait(const ScriptStatement& s) {
  CVariant& v = Variable(s.name, s.line);
  if (!IsObject(v)) throw CScriptError(s.line, s.name + " is not an object");
  if (!v.punkVal) throw CScriptError(s.line, s.name + " is Nothing");
  const long connection = Connect(v.punkVal, s.name);
  if (connection < 0) throw CScriptError(s.line, s.name + " raises no events");
  const Connection& c = m_connections[static_cast<size_t>(connection)];

  std::vector<DISPID> wanted;
  for (const auto& event : s.events) {
    std::u16string name = Utf8ToUtf16(event);
    LPOLESTR names[1] = {name.data()};
    MEMBERID id = DISPID_UNKNOWN;
    if (!c.pEventInfo || FAILED(c.pEventInfo->GetIDsOfNames(names, 1, &id)))
      throw CScriptError(s.line, s.name + " has no event " + event);
    wanted.push_back(id);
  }

  const size_t first = m_arrivals.size();
  auto arrived = [&] {
    for (size_t i = first; i < m_arrivals.size(); ++i)
      if (m_arrivals[i].connection == static_cast<size_t>(connection) &&
          std::find(wanted.begin(), wanted.end(), m_arrivals[i].dispid) != wanted.end())
        return true;
    return false;
  };
  const int timeoutMs = s.timeoutSeconds > INT_MAX / 1000 ? INT_MAX : s.timeoutSeconds * 1000;
  if (m_pump(arrived, timeoutMs)) return kExitDone;
  m_out << "timeout\n";
  m_out.flush();
  m_err << "automate: line " << s.line << ": none of the events arrived within " << s.timeoutSeconds
        << " seconds\n";
  return kExitTimeout;
}
