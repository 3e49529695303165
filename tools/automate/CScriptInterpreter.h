// Runs a parsed script against automation objects: creates them by ProgID,
// reads and writes their properties and calls their methods late-bound
// through IDispatch, walks their collections, and prints their events while
// it waits for them. An object keeps its event connection while a variable
// holds it; while the script holds several such objects, each event line
// names the variable of the object that raised it. An automation error
// prints "error 0xXXXXXXXX" for its line and the script goes on; a script
// error ends it.
#pragma once

#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "platform/com/ComPtr.h"
#include "platform/com/Variant.h"
#include "platform/com/CEventSink.h"
#include "tools/automate/ScriptAst.h"

class CScriptInterpreter {
 public:
  // Runs the thread's event loop until done() answers true or timeoutMs
  // passed; returns done()'s last answer.
  using Pump = std::function<bool(const std::function<bool()>& done, int timeoutMs)>;

  static constexpr int kExitDone = 0;
  static constexpr int kExitScriptError = 2;
  static constexpr int kExitTimeout = 5;

  // out: what the script prints, its events and its error lines; err: the
  // explanations meant for a person.
  CScriptInterpreter(std::ostream& out, std::ostream& err, Pump pump);
  // Disconnects every event connection and releases every object.
  ~CScriptInterpreter();
  CScriptInterpreter(const CScriptInterpreter&) = delete;
  CScriptInterpreter& operator=(const CScriptInterpreter&) = delete;

  // kExitDone, kExitScriptError or kExitTimeout.
  int Run(const Script& script);

  // Gives the script a variable before it runs (an object made by the host).
  void SetVariable(const std::string& name, const VARIANT& value);
  // The classes the script created, for the host to wait on their libraries.
  const std::vector<CLSID>& CreatedClasses() const { return m_createdClasses; }
  // Drops every variable and event connection.
  void ReleaseAll();

 private:
  struct AutomationError {
    HRESULT hr;
    std::string what;
  };
  struct Connection {
    ComPtr<IUnknown> pIdentity;
    ComPtr<IConnectionPoint> pPoint;
    ComPtr<CEventSink> pSink;
    ComPtr<ITypeInfo> pEventInfo;  // may be null: events then go by number
    DWORD dwCookie = 0;
    std::string name;  // a variable that holds the object
  };
  struct Arrival {
    size_t connection;
    DISPID dispid;
  };
  struct Loop {
    size_t forIndex;
    ComPtr<IEnumVARIANT> pEnum;
  };

  void Execute(const Script& script, size_t& pc);
  CVariant Evaluate(const ScriptExpr& e, int line);
  CVariant InvokeMember(const ScriptExpr& member, WORD wFlags, const VARIANT* pValue, int line);
  ComPtr<IDispatch> ObjectOf(const ScriptExpr& e, int line);
  CVariant& Variable(const std::string& name, int line);
  void Assign(const ScriptStatement& s);
  void Create(const ScriptStatement& s);
  bool NextItem(Loop& loop, const ScriptStatement& forStatement);
  int Wait(const ScriptStatement& s);

  // Connects to the object's default source interface; the connection's
  // index, or -1 when the object raises no events. name: the variable that
  // holds the object.
  long Connect(IUnknown* pObject, const std::string& name);
  // Ends the connections of the objects that no variable holds any more:
  // the connection must not keep an object alive that the script let go.
  void DisconnectUnheld();
  void Disconnect(Connection& c);
  void OnEvent(size_t connection, DISPID dispid, const std::vector<CVariant>& args);
  std::string EventName(const Connection& c, DISPID dispid) const;

  std::ostream& m_out;
  std::ostream& m_err;
  Pump m_pump;
  std::map<std::string, CVariant> m_variables;  // by lower-case name
  std::vector<Connection> m_connections;
  std::vector<Arrival> m_arrivals;
  std::vector<Loop> m_loops;
  std::vector<CLSID> m_createdClasses;
};
