// The figures a user waits on, each next to `cp` of the same WAV file taken
// in the same run on the same file system: `cantrel burn` of 1, 20 and 80
// minutes of audio on a virtual recorder (minus the control's 1 s wait
// before BurnComplete) with its peak resident memory, `cantrel drives`,
// InitControl up to the listing, Quillon up to its idle window (offscreen)
// and the Progress events an 80-minute burn raises. Runs are interleaved
// and the medians printed.
//
//   speed_bench [--runs N] [--minutes 1,20,80] [--dir DIR]

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bench/BenchWav.h"
#include "bench/Child.h"
#include "control/interface/CantrelIds.h"
#include "platform/com/Apartment.h"
#include "platform/com/DispatchTable.h"
#include "platform/olectl/COleControlSite.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

using bench::BinDir;
using bench::Child;
using bench::Run;

constexpr double kBurnCompleteWait = 1.0;  // the control's pause before BurnComplete

double Since(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}


void RemoveImages(const fs::path& folder) {
  for (const auto& e : fs::directory_iterator(folder)) {
    const std::string name = e.path().filename().string();
    if (name.rfind("disc-", 0) == 0) fs::remove(e.path());
  }
}

// A ratio of 0: a figure with nothing of cp's to compare with.
void PrintLine(const std::string& what, const std::string& figure, double ratio) {
  if (ratio > 0)
    std::printf("%-44s %14s   %6.2fx cp\n", what.c_str(), figure.c_str(), ratio);
  else
    std::printf("%-44s %14s\n", what.c_str(), figure.c_str());
  std::fflush(stdout);
}

std::string Ms(double seconds) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.1f ms", seconds * 1000);
  return buf;
}

std::string S(double seconds) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.3f s", seconds);
  return buf;
}

// The control hosted in this process, the way a container hosts it.
class Host {
 public:
  Host() {
    COleControlSite::EnsureApplication();
    CoInitialize(nullptr);
  }
  ~Host() {
    m_site.Close();
    CoUninitialize();
  }
  bool Create() {
    if (FAILED(m_site.CreateControl(CLSID_Cantrel, RECT{0, 0, 120, 40}))) return false;
    m_ctrl = m_site.GetDispatch();
    return m_ctrl &&
           SUCCEEDED(m_site.ConnectEvents(DIID__DcantrelEvents, [this](DISPID id, const std::vector<CVariant>&) {
             if (id == DISPID_EVENT_PROGRESS) ++nProgress;
             if (id == DISPID_EVENT_BURNCOMPLETE || id == DISPID_EVENT_ERROREVENT) nEnd = id;
           }));
  }
  CVariant Call(DISPID id, std::vector<CVariant> args = {}, WORD flags = DISPATCH_METHOD) {
    CVariant r;
    (void)DispInvoke(m_ctrl.Get(), id, flags, std::move(args), &r);
    return r;
  }
  // InitControl, then the recorders' names through the collection's enumerator.
  int ListDrives() {
    Call(DISPID_CANTREL_INITCONTROL);
    CVariant drives = Call(DISPID_CANTREL_DRIVES, {}, DISPATCH_PROPERTYGET);
    if (drives.vt != VT_DISPATCH || !drives.pdispVal) return -1;
    CVariant count;
    if (FAILED(DispInvoke(drives.pdispVal, DISPID_DRIVES_COUNT, DISPATCH_PROPERTYGET, {}, &count))) return -1;
    CVariant n;
    return SUCCEEDED(VariantChangeType(&n, &count, 0, VT_I4)) ? n.lVal : -1;
  }

  long nProgress = 0;
  DISPID nEnd = 0;

 private:
  COleControlSite m_site{TRUE};
  ComPtr<IDispatch> m_ctrl;
};

int Bench(const fs::path& work, int runs, const std::vector<int>& lengths) {
  const std::string bin = BinDir();
  const fs::path folder = work / "recorder";
  fs::create_directories(folder);
  setenv("COMPONENT_REGISTRY", (work / "registry").c_str(), 1);
  if (Run({bin + "/regsvr", bin + "/cantrel.ocx"}).status != 0 ||
      Run({bin + "/regsvr", bin + "/libimapisvc.so"}).status != 0 ||
      Run({bin + "/discmaster", "add-virtual", "--folder", folder.string(), "--minutes", "80"}).status != 0) {
    std::fprintf(stderr, "speed_bench: cannot register the control, the service or the recorder\n");
    return 1;
  }
  double loads[3] = {};
  if (getloadavg(loads, 3) > 0)
    std::printf("load average at start: %.2f %.2f %.2f on %ld cores; %d interleaved runs, medians\n", loads[0],
                loads[1], loads[2], sysconf(_SC_NPROCESSORS_ONLN), runs);

  double cpFirst = 0;
  std::string wav80;
  for (int minutes : lengths) {
    const std::string wav = (work / ("t" + std::to_string(minutes) + ".wav")).string();
    const std::string copy = (work / "copy.wav").string();
    if (!bench::MakeNoiseWav(wav, minutes, static_cast<uint64_t>(minutes))) {
      std::fprintf(stderr, "speed_bench: cannot write %s\n", wav.c_str());
      return 1;
    }
    Run({"/bin/cp", wav, copy});  // the WAV in the page cache for both
    fs::remove(copy);
    std::vector<double> cp, cpSync, burn;
    long rss = 0;
    for (int r = 0; r < runs; ++r) {
      for (int step = 0; step < 2; ++step) {
        if ((step + r) % 2 == 0) {
          Child c = Run({"/bin/cp", wav, copy});
          // The burn makes its image durable; the copy as well, for comparison.
          const auto t0 = Clock::now();
          const int fd = ::open(copy.c_str(), O_RDONLY | O_CLOEXEC);
          const bool synced = fd >= 0 && ::fsync(fd) == 0;
          if (fd >= 0) ::close(fd);
          fs::remove(copy);
          if (c.status != 0 || !synced) return std::fprintf(stderr, "speed_bench: cp failed\n"), 1;
          cp.push_back(c.seconds);
          cpSync.push_back(c.seconds + Since(t0));
        } else {
          Child c = Run({bin + "/cantrel", "burn", "--drive", "0", wav});
          RemoveImages(folder);
          if (c.status != 0) return std::fprintf(stderr, "speed_bench: cantrel burn failed (%d)\n", c.status), 1;
          burn.push_back(c.seconds - kBurnCompleteWait);
          rss = std::max(rss, c.maxRssKb);
        }
      }
    }
    const double mb = double(fs::file_size(wav)) / 1e6;
    if (cpFirst == 0) cpFirst = Median(cp);
    char what[96];
    std::snprintf(what, sizeof what, "cp of the %d-minute WAV (%.0f MB)", minutes, mb);
    PrintLine(what, S(Median(cp)), 1.0);
    std::snprintf(what, sizeof what, "cp of the %d-minute WAV, then fsync", minutes);
    PrintLine(what, S(Median(cpSync)), Median(cpSync) / Median(cp));
    std::snprintf(what, sizeof what, "cantrel burn, %d min, minus the 1 s wait", minutes);
    PrintLine(what, S(Median(burn)), Median(burn) / Median(cp));
    std::snprintf(what, sizeof what, "cantrel burn, %d min, peak resident memory", minutes);
    PrintLine(what, std::to_string(rss / 1024) + " MB", 0);
    if (minutes == lengths.back()) wav80 = wav;
    else fs::remove(wav);
  }
  const std::string ratioNote = "  (ratios below: to cp of the " + std::to_string(lengths.front()) + "-minute WAV)";
  std::printf("%s\n", ratioNote.c_str());

  std::vector<double> drives, drivesCpu;
  for (int r = 0; r < std::max(runs, 5); ++r) {
    Child c = Run({bin + "/cantrel", "drives"});
    if (c.status != 0) return std::fprintf(stderr, "speed_bench: cantrel drives failed\n"), 1;
    drives.push_back(c.seconds);
    drivesCpu.push_back(c.cpuSeconds);
  }
  PrintLine("cantrel drives, one virtual recorder, wall", Ms(Median(drives)), Median(drives) / cpFirst);
  PrintLine("cantrel drives, user + system time", Ms(Median(drivesCpu)), Median(drivesCpu) / cpFirst);

  std::vector<double> idle;
  fs::create_directories(work / "quillon-lock");
  for (int r = 0; r < std::max(runs, 5); ++r) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    Child c = Run({bin + "/quillon_idle", (work / "quillon-lock").string()}, true);
    unsetenv("QT_QPA_PLATFORM");
    if (c.out != "idle") return std::fprintf(stderr, "speed_bench: Quillon did not reach its idle window\n"), 1;
    idle.push_back(c.seconds);
  }
  PrintLine("Quillon start to idle window, offscreen", Ms(Median(idle)), Median(idle) / cpFirst);

  // A fresh control each time: every InitControl adds to the collection.
  Host host;
  std::vector<double> init;
  for (int r = 0; r < std::max(runs, 5); ++r) {
    if (!host.Create()) return std::fprintf(stderr, "speed_bench: cannot create the control\n"), 1;
    const auto t0 = Clock::now();
    if (const int n = host.ListDrives(); n != 1)
      return std::fprintf(stderr, "speed_bench: the control lists %d recorders, not one\n", n), 1;
    init.push_back(Since(t0));
  }
  PrintLine("InitControl to listing, in process", Ms(Median(init)), Median(init) / cpFirst);

  if (!wav80.empty()) {
    host.Call(DISPID_CANTREL_DRIVE, {CVariant::Short(0)}, DISPATCH_PROPERTYPUT);
    host.Call(DISPID_CANTREL_ADDAUDIOTRACK, {CVariant::String(std::u16string(wav80.begin(), wav80.end()))});
    host.Call(DISPID_CANTREL_BURN, {CVariant::Bool(false), CVariant::Bool(true), CVariant::Bool(false)});
    const bool bEnded = COleControlSite::PumpMessagesUntil([&host] { return host.nEnd != 0; }, 600000);
    RemoveImages(folder);
    if (!bEnded || host.nEnd != DISPID_EVENT_BURNCOMPLETE)
      return std::fprintf(stderr, "speed_bench: the in-process burn did not complete\n"), 1;
    std::printf("%-44s %14ld\n",
                ("Progress events of a " + std::to_string(lengths.back()) + "-minute burn").c_str(), host.nProgress);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 3;
  std::vector<int> lengths = {1, 20, 80};
  fs::path base = fs::temp_directory_path();
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--runs" && i + 1 < argc) {
      runs = std::atoi(argv[++i]);
    } else if (a == "--minutes" && i + 1 < argc) {
      lengths.clear();
      std::stringstream list(argv[++i]);
      for (std::string item; std::getline(list, item, ',');) lengths.push_back(std::atoi(item.c_str()));
    } else if (a == "--dir" && i + 1 < argc) {
      base = argv[++i];
    } else {
      std::fprintf(stderr, "usage: speed_bench [--runs N] [--minutes 1,20,80] [--dir DIR]\n");
      return 2;
    }
  }
  if (runs < 1 || lengths.empty() ||
      std::any_of(lengths.begin(), lengths.end(), [](int m) { return m < 1 || m > 80; })) {
    std::fprintf(stderr, "speed_bench: --runs must be at least 1 and every length 1 to 80 minutes\n");
    return 2;
  }
  std::string work = (base / "speed-bench-XXXXXX").string();
  if (!mkdtemp(work.data())) {
    std::perror("mkdtemp");
    return 1;
  }
  const int rc = Bench(work, runs, lengths);
  std::error_code ec;
  fs::remove_all(work, ec);
  return rc;
}
