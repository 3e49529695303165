#include "tools/cantrel/CCantrelCommandLine.h"

#include <charconv>
#include <cstdint>

namespace {

using Command = CantrelOptions::Command;

struct CommandInfo {
  const char* name;
  Command command;
  const char* usage;
  const char* help;
  bool bDrive, bSimulate, bNoEject, bFull, bFiles, bVerify;
};

constexpr CommandInfo kCommands[] = {
    {"drives", Command::Drives, "cantrel drives",
     "Lists the recorders, one a line: index, vendor, product and revision separated by tabs.\n", false, false, false,
     false, false, false},
    {"burn", Command::Burn, "cantrel burn [--drive N] [--simulate] [--verify] [--no-eject] FILE.wav...",
     "Burns the WAV files (stereo, 44100 Hz, 16-bit PCM) as an audio CD, one track each, in order.\n"
     "  --drive N    the recorder at index N of 'cantrel drives' (default 0)\n"
     "  --simulate   go through the burn without writing the disc\n"
     "  --verify     read the disc back before ejecting it and compare it with the files\n"
     "  --no-eject   leave the disc in the recorder afterwards\n"
     "Exit status: 0 burnt, 1 failed, 2 wrong usage, 3 the burn reported an error, 4 the recorder is busy,\n"
     "5 the disc differs from its files (--verify).\n",
     true, true, true, false, true, true},
    {"verify", Command::Verify, "cantrel verify [--drive N] FILE.wav...",
     "Reads the audio disc in the recorder back and compares it, sample by sample, with the WAV files it was\n"
     "burnt from, in order. A drive's read offset (up to 3000 samples either way) is found from the first track.\n"
     "Each track is identical, differs (from the time and sample given, in so many samples), is missing or has\n"
     "the wrong length.\n"
     "  --drive N    the recorder at index N of 'cantrel drives' (default 0)\n"
     "Exit status: 0 identical, 1 failed (no disc, a file refused), 2 wrong usage,\n"
     "5 the disc differs from its files.\n",
     true, false, false, false, true, false},
    {"erase", Command::Erase, "cantrel erase [--full] [--drive N]",
     "Erases the rewritable disc in the recorder.\n"
     "  --full       erase the whole disc rather than its table of contents\n"
     "  --drive N    the recorder at index N of 'cantrel drives' (default 0)\n"
     "Exit status: 0 erased, 1 failed, 2 wrong usage, 3 the erase reported an error, 4 the recorder is busy.\n",
     true, false, false, true, false, false},
    {"eject", Command::Eject, "cantrel eject [--drive N]",
     "Opens the recorder's tray.\n"
     "  --drive N    the recorder at index N of 'cantrel drives' (default 0)\n",
     true, false, false, false, false, false},
};

const CommandInfo* Find(Command command) {
  for (const auto& c : kCommands)
    if (c.command == command) return &c;
  return nullptr;
}

bool ParseDrive(const std::string& text, int* pDrive) {
  int value = -1;
  auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || p != text.data() + text.size() || value < 0 || value > INT16_MAX)
    return false;
  *pDrive = value;
  return true;
}

}  // namespace

std::string CCantrelCommandLine::Usage(Command command) {
  if (const CommandInfo* c = Find(command)) return std::string("usage: ") + c->usage + "\n\n" + c->help;
  std::string text = "usage:";
  for (const auto& c : kCommands) text += std::string(text == "usage:" ? " " : "       ") + c.usage + "\n";
  text += "\nBurns audio CDs from stereo 44100 Hz 16-bit PCM WAV files with the cantrel control.\n"
          "'cantrel COMMAND --help' describes a command.\n";
  return text;
}

bool CCantrelCommandLine::Parse(const std::vector<std::string>& args, CantrelOptions* pOptions, std::string* pError) {
  *pOptions = CantrelOptions{};
  if (args.empty()) {
    *pError = "a command is missing";
    return false;
  }
  if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    pOptions->bHelp = true;
    return true;
  }
  const CommandInfo* info = nullptr;
  for (const auto& c : kCommands)
    if (args[0] == c.name) info = &c;
  if (!info) {
    *pError = "unknown command " + args[0];
    return false;
  }
  pOptions->command = info->command;

  bool bOptionsEnded = false;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (bOptionsEnded || a.empty() || a[0] != '-' || a == "-") {
      if (!info->bFiles) {
        *pError = std::string(info->name) + " takes no file names (" + a + ")";
        return false;
      }
      pOptions->files.push_back(a);
      continue;
    }
    if (a == "--") {
      bOptionsEnded = true;
    } else if (a == "--help" || a == "-h") {
      pOptions->bHelp = true;
      return true;
    } else if (info->bDrive && (a == "--drive" || a.rfind("--drive=", 0) == 0)) {
      std::string value;
      if (a == "--drive") {
        if (i + 1 >= args.size()) {
          *pError = "--drive needs the index of a recorder";
          return false;
        }
        value = args[++i];
      } else {
        value = a.substr(8);
      }
      if (!ParseDrive(value, &pOptions->nDrive)) {
        *pError = "--drive needs the index of a recorder (0, 1, ...), not " + value;
        return false;
      }
      pOptions->bDriveGiven = true;
    } else if (info->bSimulate && a == "--simulate") {
      pOptions->bSimulate = true;
    } else if (info->bNoEject && a == "--no-eject") {
      pOptions->bNoEject = true;
    } else if (info->bVerify && a == "--verify") {
      pOptions->bVerify = true;
    } else if (info->bFull && a == "--full") {
      pOptions->bFullErase = true;
    } else {
      *pError = std::string(info->name) + " has no option " + a;
      return false;
    }
  }
  if (pOptions->bVerify && pOptions->bSimulate) {
    *pError = "--verify needs a disc: a simulated burn writes none";
    return false;
  }
  if (info->bFiles && pOptions->files.empty()) {
    *pError = std::string(info->name) + " needs at least one WAV file";
    return false;
  }
  return true;
}
