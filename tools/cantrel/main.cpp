// cantrel: burns audio CDs from a shell with the cantrel control, hosted like
// any container hosts it. See CCantrelCommandLine.h for the commands.
//
// Exit status: 0 done, 1 failed (the control cannot be created, a file was
// refused, no recorder), 2 wrong usage, 3 the control reported an error
// (ErrorEvent), 4 the recorder is busy.

#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "control/interface/CantrelIds.h"
#include "control/tracks/CWavFile.h"
#include "platform/Version.h"
#include "platform/com/Utf.h"
#include "tools/automate/ValueText.h"
#include "tools/cantrel/CBurnProgress.h"
#include "tools/cantrel/CCantrelCommandLine.h"
#include "tools/cantrel/CCantrelHost.h"
#include "tools/cantrel/CErrorTexts.h"

namespace {

constexpr int kExitDone = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitErrorEvent = 3;
constexpr int kExitBusy = 4;

// A burn goes quiet only while its tracks are staged or the disc is closed;
// this long without any event means the control stopped answering.
constexpr double kSilenceLimitSeconds = 15 * 60;
constexpr double kQuickEraseLimitSeconds = 10 * 60;
constexpr double kFullEraseLimitSeconds = 90 * 60;
// An eject reports nothing: the job is over when the control's library lets go.
constexpr int kEjectWaitMs = 60000;

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

LONG LongArg(const std::vector<CVariant>& args, size_t i) {
  if (i >= args.size()) return 0;
  CVariant v;
  return SUCCEEDED(VariantChangeType(&v, &args[i], 0, VT_I4)) ? v.lVal : 0;
}

void Write(const std::string& text) {
  if (text.empty()) return;
  std::fputs(text.c_str(), stdout);
  std::fflush(stdout);
}

int Fail(const std::string& message, int status = kExitFailed) {
  std::fflush(stdout);
  std::fprintf(stderr, "cantrel: %s\n", message.c_str());
  return status;
}

// What the control has told the tool so far.
struct Outcome {
  explicit Outcome(bool bTerminal) : progress(bTerminal) {}
  CBurnProgress progress;
  Clock::time_point start = Clock::now();
  Clock::time_point lastEvent = Clock::now();
  bool bBurnComplete = false;
  bool bEraseComplete = false;
  bool bError = false;
  int nErrorNo = 0;
  bool bShowProgress = false;

  void OnEvent(DISPID dispid, const std::vector<CVariant>& args) {
    lastEvent = Clock::now();
    const double elapsed = SecondsSince(start);
    switch (dispid) {
      case DISPID_EVENT_PROGRESS:
        if (bShowProgress) Write(progress.Blocks(LongArg(args, 0), LongArg(args, 1), elapsed));
        break;
      case DISPID_EVENT_TRACKPROGRESS:
        if (bShowProgress) Write(progress.Track(LongArg(args, 0), LongArg(args, 1), elapsed));
        break;
      case DISPID_EVENT_CLOSINGDISC:
        if (bShowProgress) Write(progress.Closing(LongArg(args, 0), elapsed));
        break;
      case DISPID_EVENT_BURNCOMPLETE:
        bBurnComplete = true;
        break;
      case DISPID_EVENT_ERASECOMPLETE:
        bEraseComplete = true;
        break;
      case DISPID_EVENT_ERROREVENT:
        bError = true;
        nErrorNo = static_cast<SHORT>(LongArg(args, 0));
        break;
      default:
        break;
    }
  }
  // Pumps until done() or silenceLimit seconds pass without any event.
  bool WaitFor(const std::function<bool()>& done, double silenceLimit) {
    while (!done()) {
      if (CCantrelHost::PumpUntil(done, 500)) break;
      if (SecondsSince(lastEvent) > silenceLimit) return false;
    }
    return true;
  }
};

// Creates the control, lists the recorders and chooses one. Returns -1 when
// all is ready, otherwise the exit status.
int Prepare(CCantrelHost& host, Outcome& outcome, const CantrelOptions& options,
            std::vector<CCantrelHost::DriveInfo>* pDrives) {
  std::string why;
  if (FAILED(host.Create([&outcome](DISPID d, const std::vector<CVariant>& a) { outcome.OnEvent(d, a); }, &why)))
    return Fail(why);
  HRESULT hr = host.Call(DISPID_CANTREL_INITCONTROL, DISPATCH_METHOD, {}, nullptr);
  if (FAILED(hr)) return Fail("InitControl failed (" + FormatHresult(hr) + ")");
  hr = host.ListDrives(pDrives);
  if (FAILED(hr)) return Fail("cannot list the recorders (" + FormatHresult(hr) + ")");
  if (options.command == CantrelOptions::Command::Drives) return -1;
  if (pDrives->empty()) {
    const std::string bin = CCantrelHost::ProgramFolder();
    return Fail("no recorder found. Register the disc-mastering service (" + bin + "/regsvr " + bin +
                "/libimapisvc.so) and add a recorder (" + bin + "/discmaster add-virtual --folder DIR)");
  }
  if (static_cast<size_t>(options.nDrive) >= pDrives->size())
    return Fail("there is no recorder " + std::to_string(options.nDrive) + "; 'cantrel drives' lists the " +
                    std::to_string(pDrives->size()) + " there are (0 to " + std::to_string(pDrives->size() - 1) + ")",
                kExitUsage);
  hr = host.Call(DISPID_CANTREL_DRIVE, DISPATCH_PROPERTYPUT, {CVariant::Short(static_cast<SHORT>(options.nDrive))},
                 nullptr);
  if (FAILED(hr)) return Fail("cannot choose recorder " + std::to_string(options.nDrive) + " (" + FormatHresult(hr) + ")");
  return -1;
}

std::string Describe(const CCantrelHost::DriveInfo& d) {
  std::string text = d.vendor;
  if (!d.product.empty()) text += (text.empty() ? "" : " ") + d.product;
  return text;
}

int RunDrives(const CantrelOptions& options) {
  CCantrelHost host;
  Outcome outcome(false);
  std::vector<CCantrelHost::DriveInfo> drives;
  if (int status = Prepare(host, outcome, options, &drives); status >= 0) return status;
  for (size_t i = 0; i < drives.size(); ++i)
    std::printf("%zu\t%s\t%s\t%s\n", i, drives[i].vendor.c_str(), drives[i].product.c_str(),
                drives[i].revision.c_str());
  if (drives.empty()) std::fprintf(stderr, "cantrel: no recorders\n");
  return kExitDone;
}

int RunBurn(const CantrelOptions& options) {
  CCantrelHost host;
  Outcome outcome(::isatty(STDOUT_FILENO) != 0);
  std::vector<CCantrelHost::DriveInfo> drives;
  if (int status = Prepare(host, outcome, options, &drives); status >= 0) return status;

  for (const std::string& file : options.files) {
    std::error_code ec;
    std::filesystem::path path = std::filesystem::absolute(file, ec);
    if (ec) path = file;
    // A name that is no UTF-8 would reach the control with replacement
    // characters, naming another file.
    const std::u16string wide = Utf8ToUtf16(path.string());
    if (Utf16ToUtf8(wide) != path.string()) return Fail(file + ": the name is not valid UTF-8");
    CVariant result;
    HRESULT hr = host.Call(DISPID_CANTREL_ADDAUDIOTRACK, DISPATCH_METHOD, {CVariant::String(wide)}, &result);
    if (FAILED(hr)) return Fail(file + ": cannot be added (" + FormatHresult(hr) + ")");
    const int code = static_cast<SHORT>(LongArg({result}, 0));
    if (code == 0) {
      // The control stages any sample format it accepts; refuse here what the
      // burn would refuse, before a disc is started.
      const CWavFile::Format format = CWavFile::FileFormat(wide);
      if (format.nCheck != CWavFile::kAccepted || CWavFile::Burnable(format)) continue;
      return Fail(file + ": " + CErrorTexts::FormatRefusal(CWavFile::Describe(format)));
    }
    std::string unreadable;
    if (::access(path.c_str(), R_OK) != 0)
      unreadable = std::strerror(errno);
    else if (std::filesystem::is_directory(path, ec))
      unreadable = "it is a folder";
    std::string reason = CErrorTexts::TrackRefusal(code, unreadable.empty());
    if (!unreadable.empty()) reason += " (" + unreadable + ")";
    return Fail(file + ": " + reason);
  }

  CVariant result;
  HRESULT hr = host.Call(DISPID_CANTREL_BURN, DISPATCH_METHOD,
                         {CVariant::Bool(options.bSimulate), CVariant::Bool(!options.bNoEject), CVariant::Bool(false)},
                         &result);
  if (FAILED(hr)) return Fail("Burn failed (" + FormatHresult(hr) + ")");
  if (LongArg({result}, 0) == 0) return Fail("the recorder is busy", kExitBusy);

  std::printf("%s %zu track%s on recorder %d (%s)\n", options.bSimulate ? "Simulating a burn of" : "Burning",
              options.files.size(), options.files.size() == 1 ? "" : "s", options.nDrive,
              Describe(drives[static_cast<size_t>(options.nDrive)]).c_str());
  std::fflush(stdout);
  outcome.start = Clock::now();
  outcome.bShowProgress = true;
  const bool bAnswered =
      outcome.WaitFor([&] { return outcome.bBurnComplete || outcome.bError; }, kSilenceLimitSeconds);
  Write(outcome.progress.Finish());
  if (outcome.bError)
    return Fail("the burn failed (error " + std::to_string(outcome.nErrorNo) + "): " +
                    CErrorTexts::ErrorEvent(outcome.nErrorNo),
                kExitErrorEvent);
  if (!bAnswered) return Fail("the control stopped reporting; the burn's outcome is unknown");
  std::printf("%s complete: %zu track%s in %s.\n", options.bSimulate ? "Simulated burn" : "Burn",
              options.files.size(), options.files.size() == 1 ? "" : "s",
              CBurnProgress::FormatElapsed(SecondsSince(outcome.start)).c_str());
  return kExitDone;
}

int RunErase(const CantrelOptions& options) {
  CCantrelHost host;
  Outcome outcome(false);
  std::vector<CCantrelHost::DriveInfo> drives;
  if (int status = Prepare(host, outcome, options, &drives); status >= 0) return status;
  CVariant result;
  HRESULT hr = host.Call(DISPID_CANTREL_ERASE, DISPATCH_METHOD, {CVariant::Bool(options.bFullErase)}, &result);
  if (FAILED(hr)) return Fail("Erase failed (" + FormatHresult(hr) + ")");
  if (LongArg({result}, 0) == 0) return Fail("the recorder is busy", kExitBusy);
  std::printf("Erasing the disc in recorder %d (%s)%s\n", options.nDrive,
              Describe(drives[static_cast<size_t>(options.nDrive)]).c_str(), options.bFullErase ? " fully" : "");
  std::fflush(stdout);
  outcome.start = Clock::now();
  const bool bAnswered =
      outcome.WaitFor([&] { return outcome.bEraseComplete || outcome.bError; },
                      options.bFullErase ? kFullEraseLimitSeconds : kQuickEraseLimitSeconds);
  if (outcome.bError)
    return Fail("the erase failed (error " + std::to_string(outcome.nErrorNo) + "): " +
                    CErrorTexts::ErrorEvent(outcome.nErrorNo),
                kExitErrorEvent);
  if (!bAnswered) return Fail("no answer from the recorder; it may be in use by another program");
  std::printf("Erase complete in %s.\n", CBurnProgress::FormatElapsed(SecondsSince(outcome.start)).c_str());
  return kExitDone;
}

int RunEject(const CantrelOptions& options) {
  CCantrelHost host;
  Outcome outcome(false);
  std::vector<CCantrelHost::DriveInfo> drives;
  if (int status = Prepare(host, outcome, options, &drives); status >= 0) return status;
  HRESULT hr = host.Call(DISPID_CANTREL_EJECT, DISPATCH_METHOD, {}, nullptr);
  if (FAILED(hr)) return Fail("Eject failed (" + FormatHresult(hr) + ")");
  host.CloseAndWait(kEjectWaitMs);
  return kExitDone;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 1 && args[0] == "--version") {
    std::printf("cantrel %s\n", CANTREL_VERSION);
    return kExitDone;
  }
  CantrelOptions options;
  std::string error;
  if (!CCantrelCommandLine::Parse(args, &options, &error)) {
    std::fprintf(stderr, "cantrel: %s\n\n%s", error.c_str(), CCantrelCommandLine::Usage(options.command).c_str());
    return kExitUsage;
  }
  if (options.bHelp) {
    std::fputs(CCantrelCommandLine::Usage(options.command).c_str(), stdout);
    return kExitDone;
  }
  switch (options.command) {
    case CantrelOptions::Command::Drives:
      return RunDrives(options);
    case CantrelOptions::Command::Burn:
      return RunBurn(options);
    case CantrelOptions::Command::Erase:
      return RunErase(options);
    case CantrelOptions::Command::Eject:
      return RunEject(options);
    case CantrelOptions::Command::None:
      break;
  }
  return kExitUsage;
}
