// Burns many discs in a row on one virtual recorder through the registered
// control, the way a host does it (stage, Burn, wait for the event, repeat),
// checks every image against its WAV files, and prints the growth of the
// resident memory, how the burns ended and the time per burn.
//
//   soak_bench [--burns N] [--dir DIR]
//
// Exit status: 0 every burn completed with a correct image and the control
// never stayed busy; 1 otherwise; 2 wrong usage.

#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
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

constexpr size_t kBlock = 2352;

// Resident memory after handing freed heap pages back, so that the image
// buffers this program reads do not show up as growth.
long RssKb() {
  malloc_trim(0);
  std::ifstream statm("/proc/self/statm");
  long pages = 0, resident = 0;
  statm >> pages >> resident;
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// A stereo 44100 Hz WAV file of dataBytes bytes of a pattern seeded by seed;
// returns the audio as it must appear on disc (padded to whole blocks).
std::vector<uint8_t> MakeWav(const std::string& path, uint32_t dataBytes, uint32_t seed) {
  std::vector<uint8_t> b = bench::WavHeader(dataBytes);
  b.reserve(44 + size_t{dataBytes});
  std::vector<uint8_t> audio(dataBytes);
  uint32_t x = seed * 2654435761u + 1;
  for (auto& byte : audio) {
    x = x * 1664525u + 1013904223u;
    byte = static_cast<uint8_t>(x >> 24);
  }
  b.insert(b.end(), audio.begin(), audio.end());
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
  audio.resize((audio.size() + kBlock - 1) / kBlock * kBlock, 0);
  return audio;
}

std::vector<uint8_t> ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::vector<fs::path> Images(const fs::path& folder) {
  std::vector<fs::path> r;
  for (const auto& e : fs::directory_iterator(folder)) {
    std::string name = e.path().filename().string();
    if (name.rfind("disc-", 0) == 0 && e.path().extension() == ".bin") r.push_back(e.path());
  }
  std::sort(r.begin(), r.end());
  return r;
}

struct Track {
  std::string path;
  std::vector<uint8_t> disc;
};

int Soak(int nBurns, const fs::path& work) {
  const fs::path folder = work / "recorder";
  fs::create_directories(folder);
  setenv("COMPONENT_REGISTRY", (work / "registry").c_str(), 1);
  if (bench::Run({BinDir() + "/regsvr", BinDir() + "/cantrel.ocx"}).status != 0 ||
      bench::Run({BinDir() + "/regsvr", BinDir() + "/libimapisvc.so"}).status != 0 ||
      bench::Run({BinDir() + "/discmaster", "add-virtual", "--folder", folder.string(), "--minutes", "74"}).status != 0) {
    std::fprintf(stderr, "soak_bench: cannot register the control, the service or the recorder\n");
    return 1;
  }
  // Three tracks of different lengths, none a whole number of blocks.
  std::vector<Track> tracks;
  for (uint32_t i = 0; i < 3; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "t%u.wav", i);
    std::string path = (work / name).string();
    tracks.push_back({path, MakeWav(path, kBlock * (300 + 37 * i) + 1 + 701 * i, i + 1)});
  }

  COleControlSite::EnsureApplication();
  CoInitialize(nullptr);
  int rc = 0;
  {
    COleControlSite site(TRUE);
    RECT rc0{0, 0, 120, 40};
    HRESULT hr = site.CreateControl(CLSID_Cantrel, rc0);
    if (FAILED(hr)) {
      std::fprintf(stderr, "soak_bench: cannot create the control (0x%08X)\n", static_cast<unsigned>(hr));
      CoUninitialize();
      return 1;
    }
    std::vector<std::pair<DISPID, SHORT>> events;
    site.ConnectEvents(DIID__DcantrelEvents, [&events](DISPID id, const std::vector<CVariant>& args) {
      if (id == DISPID_EVENT_BURNCOMPLETE) events.emplace_back(id, 0);
      if (id == DISPID_EVENT_ERROREVENT) events.emplace_back(id, args.empty() ? SHORT(-1) : args[0].iVal);
    });
    ComPtr<IDispatch> ctrl = site.GetDispatch();
    auto call = [&ctrl](DISPID id, std::vector<CVariant> args = {}, WORD flags = DISPATCH_METHOD) {
      CVariant r;
      (void)DispInvoke(ctrl.Get(), id, flags, std::move(args), &r);
      return r;
    };
    call(DISPID_CANTREL_INITCONTROL);
    CVariant r;
    DispInvoke(ctrl.Get(), DISPID_CANTREL_DRIVE, DISPATCH_PROPERTYPUT, {CVariant::Short(0)}, &r);

    std::map<std::string, int> endings;
    std::vector<double> seconds;
    int nWrong = 0, nStuck = 0;
    const long rssStart = RssKb();
    std::vector<long> rss;  // after each burn
    for (int n = 0; n < nBurns; ++n) {
      // Track lists of one, two and three tracks in turn.
      std::vector<const Track*> list;
      for (size_t i = 0; i <= size_t(n % 3); ++i) list.push_back(&tracks[(n + i) % 3]);
      auto t0 = Clock::now();
      call(DISPID_CANTREL_DELETEALLITEMS);
      for (const Track* t : list)
        call(DISPID_CANTREL_ADDAUDIOTRACK, {CVariant::String(std::u16string(t->path.begin(), t->path.end()))});
      events.clear();
      CVariant started = call(DISPID_CANTREL_BURN, {CVariant::Bool(false), CVariant::Bool(true), CVariant::Bool(false)});
      bool ended = started.iVal == 1 && COleControlSite::PumpMessagesUntil([&] { return !events.empty(); }, 120000);
      seconds.push_back(std::chrono::duration<double>(Clock::now() - t0).count());
      std::string ending = !ended ? (started.iVal == 1 ? "no event" : "refused")
                           : events[0].first == DISPID_EVENT_BURNCOMPLETE ? "BurnComplete"
                                                                           : "ErrorEvent " + std::to_string(events[0].second);
      ++endings[ending];
      // The busy state ends before the last event; a control that stayed
      // busy refuses the next Burn.
      if (ending == "refused") ++nStuck;
      std::vector<fs::path> images = Images(folder);
      std::vector<uint8_t> expected;
      for (const Track* t : list) expected.insert(expected.end(), t->disc.begin(), t->disc.end());
      if (ending == "BurnComplete" && (images.size() != 1 || ReadAll(images[0]) != expected)) {
        ++nWrong;
        std::fprintf(stderr, "soak_bench: burn %d: image %s\n", n + 1, images.empty() ? "missing" : "differs");
      }
      for (const auto& img : images) {
        fs::remove(img);
        fs::remove(fs::path(img).replace_extension(".cue"));
      }
      rss.push_back(RssKb());
    }
    std::sort(seconds.begin(), seconds.end());
    double total = 0;
    for (double s : seconds) total += s;
    std::printf("burns: %d on one virtual recorder (1 to 3 tracks of 300 to 375 blocks)\n", nBurns);
    for (const auto& [name, count] : endings) std::printf("  ended in %-16s %d\n", name.c_str(), count);
    std::printf("images wrong or missing: %d; control stayed busy: %d\n", nWrong, nStuck);
    std::printf("time per burn: mean %.3f s, median %.3f s, min %.3f s, max %.3f s\n", total / double(nBurns),
                seconds[seconds.size() / 2], seconds.front(), seconds.back());
    std::printf("resident memory: %ld KB before the first burn", rssStart);
    for (int n : {1, 10, 50, 100, 150, 200, 500, 1000})
      if (n <= nBurns) std::printf(", %ld KB after %d", rss[size_t(n - 1)], n);
    std::printf("\n");
    // The first burns load the service and the control's job machinery;
    // growth after them is what a long day of burning would accumulate.
    const int nWarm = std::min(10, nBurns - 1);
    const long growth = rss.back() - rss[size_t(nWarm)];
    std::printf("resident memory growth from burn %d to burn %d: %+ld KB (%+.2f KB per burn)\n", nWarm + 1, nBurns,
                growth, nBurns - 1 > nWarm ? double(growth) / (nBurns - 1 - nWarm) : 0.0);
    rc = nWrong || nStuck || endings["BurnComplete"] != nBurns ? 1 : 0;
    site.Close();
  }
  CoUninitialize();
  return rc;
}

}  // namespace

int main(int argc, char** argv) {
  int nBurns = 200;
  fs::path base = fs::temp_directory_path();
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--burns") == 0 && i + 1 < argc) {
      nBurns = std::atoi(argv[++i]);
    } else if (std::strcmp(argv[i], "--dir") == 0 && i + 1 < argc) {
      base = argv[++i];
    } else {
      std::fprintf(stderr, "usage: soak_bench [--burns N] [--dir DIR]\n");
      return 2;
    }
  }
  if (nBurns < 1) {
    std::fprintf(stderr, "soak_bench: --burns must be at least 1\n");
    return 2;
  }
  std::string work = (base / "soak-bench-XXXXXX").string();
  if (!mkdtemp(work.data())) {
    std::perror("mkdtemp");
    return 1;
  }
  int rc = Soak(nBurns, work);
  std::error_code ec;
  fs::remove_all(work, ec);
  return rc;
}
