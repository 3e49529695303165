// The command line of the cantrel tool:
//
//   cantrel drives
//   cantrel burn [--drive N] [--simulate] [--verify] [--no-eject] FILE.wav...
//   cantrel verify [--drive N] FILE.wav...
//   cantrel erase [--full] [--drive N]
//   cantrel eject [--drive N]
//
// --help after any command (or alone) asks for its usage; -- ends the options.
#pragma once

#include <string>
#include <vector>

struct CantrelOptions {
  enum class Command { None, Drives, Burn, Verify, Erase, Eject };
  Command command = Command::None;
  bool bHelp = false;
  bool bDriveGiven = false;
  int nDrive = 0;
  bool bSimulate = false;
  bool bNoEject = false;
  bool bVerify = false;
  bool bFullErase = false;
  std::vector<std::string> files;
};

class CCantrelCommandLine {
 public:
  // args without the program name. False with *pError set for wrong usage.
  static bool Parse(const std::vector<std::string>& args, CantrelOptions* pOptions, std::string* pError);
  // The usage of one command, or of all for Command::None.
  static std::string Usage(CantrelOptions::Command command);
};
