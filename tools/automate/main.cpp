// automate: runs a script against registered components.
//
//   automate FILE      (- reads the script from standard input)
//
// Exit status: 0 the script ran to its end, 1 the script could not be read,
// 2 wrong usage or a script error, 5 a wait timed out.

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "platform/Version.h"
#include "platform/base/FdIo.h"
#include "platform/base/UniqueFd.h"
#include "platform/com/Apartment.h"
#include "platform/olectl/COleControlSite.h"
#include "tools/automate/CComponentUnload.h"
#include "tools/automate/CScriptError.h"
#include "tools/automate/CScriptInterpreter.h"
#include "tools/automate/CScriptParser.h"

namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
// How long the host lets components finish their own threads at the end.
constexpr int kUnloadWaitMs = 30000;

const char kUsage[] =
    "usage: automate FILE\n"
    "       automate -          (the script on standard input)\n"
    "\n"
    "Statements, one a line (', # and rem begin comments):\n"
    "  set NAME = create PROGID        create a registered component\n"
    "  set NAME = EXPR | let NAME = EXPR\n"
    "  let OBJ.Property = EXPR         write a property (set: by reference)\n"
    "  call OBJ.Method(ARGS)           call, ignoring the result\n"
    "  print EXPR, EXPR...             values tab-separated on one line\n"
    "  for each NAME in COLLECTION ... next\n"
    "  wait OBJ Event, Event... [SECONDS]   print OBJ's events until one of these\n"
    "Events print as \"event Name args\"; while the script holds several objects\n"
    "with events, as \"event VAR.Name args\". set VAR = Nothing lets go of an object.\n"
    "Values: 5 (long), 5% (short), \"text\", True, False, Empty, Null, Nothing,\n"
    "        byref \"text\" (a string by reference), NAME, OBJ.Member(ARGS)\n"
    "Exit status: 0 done, 1 unreadable script, 2 script error, 5 a wait timed out.\n";

bool ReadScript(const std::string& file, std::string* text) {
  std::ostringstream buffer;
  if (file == "-") {
    buffer << std::cin.rdbuf();
    *text = buffer.str();
    return !std::cin.bad();
  }
  // Only a regular file: a FIFO without a writer or a device would never end.
  UniqueFd fd(OpenRegularFile(file.c_str(), file.size()));
  if (!fd.Valid()) return false;
  text->clear();
  char chunk[65536];
  ssize_t n;
  while ((n = ReadSome(fd.Get(), chunk, sizeof chunk)) > 0) text->append(chunk, static_cast<size_t>(n));
  return n == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h")) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (argc == 2 && std::string(argv[1]) == "--version") {
    std::printf("automate %s\n", CANTREL_VERSION);
    return 0;
  }
  if (argc != 2) {
    std::fputs(kUsage, stderr);
    return kExitUsage;
  }
  const std::string file = argv[1];
  std::string text;
  if (!ReadScript(file, &text)) {
    std::perror(("automate: cannot read " + file).c_str());
    return kExitFailed;
  }

  Script script;
  try {
    script = CScriptParser::Parse(text);
  } catch (const CScriptError& e) {
    std::cerr << "automate: " << e.what() << "\n";
    return kExitUsage;
  }

  COleControlSite::EnsureApplication();
  CoInitialize(nullptr);
  int status;
  std::vector<std::string> libraries;
  {
    CScriptInterpreter interpreter(std::cout, std::cerr, [](const std::function<bool()>& done, int timeoutMs) {
      return COleControlSite::PumpMessagesUntil(done, timeoutMs);
    });
    status = interpreter.Run(script);
    for (const CLSID& clsid : interpreter.CreatedClasses())
      libraries.push_back(CComponentUnload::LibraryOf(clsid));
    interpreter.ReleaseAll();
  }
  std::cout.flush();
  // Work that a component still does on its own threads ends before the process.
  (void)CComponentUnload::WaitForUnload(libraries, kUnloadWaitMs,
                                        [](int ms) { COleControlSite::PumpMessagesFor(ms); });
  CoUninitialize();
  return status;
}
