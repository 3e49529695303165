// The automate tool's scripts: any text is parsed, and what parses runs
// against a recorder collection the script finds in its variable d (with its
// drives and their enumerator). Waits do not block: the event loop given to
// the interpreter looks once and returns. The class registry is private and
// empty, so "create" finds nothing to load.
#include <cstdlib>
#include <sstream>
#include <string>

#include "control/drives/CDrives.h"
#include "fuzz/FuzzSupport.h"
#include "tools/automate/CScriptError.h"
#include "tools/automate/CScriptInterpreter.h"
#include "tools/automate/CScriptParser.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  UsePrivateFolder();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  Script script;
  try {
    script = CScriptParser::Parse(text);
  } catch (const CScriptError& e) {
    if (e.Line() < 1) std::abort();  // a script error names a line of the script
    return 0;
  }
  // Loops are resolved to each other's index.
  for (size_t i = 0; i < script.statements.size(); ++i) {
    const ScriptStatement& s = script.statements[i];
    if ((s.kind == ScriptStatement::Kind::ForEach || s.kind == ScriptStatement::Kind::Next) &&
        (s.jump >= script.statements.size() || script.statements[s.jump].jump != i))
      std::abort();
  }
  {
    AFX_MANAGE_STATE(FuzzModule());
    ComPtr<CDrives> pDrives = CDrives::Create();
    pDrives->Add(u"Vendor", u"Product 1", u"1.0");
    pDrives->Add(u"Vendor", u"2", u"2.0");
    std::ostringstream out, err;
    CScriptInterpreter interpreter(out, err, [](const std::function<bool()>& done, int) { return done(); });
    interpreter.SetVariable("d", CVariant::Dispatch(static_cast<IDispatch*>(pDrives.Get())));
    int rc = interpreter.Run(script);
    if (rc != CScriptInterpreter::kExitDone && rc != CScriptInterpreter::kExitScriptError &&
        rc != CScriptInterpreter::kExitTimeout)
      std::abort();
  }
  if (FuzzModule()->m_nObjectCount.load() != 0) std::abort();  // the script's objects outlived it
  return 0;
}
