// Staging for a real drive, measured against the backend's fake adapter:
// a WAV file is read the way the control's burn job reads it and staged
// into the stash of a drive recorder of the real-drive backend, whose
// engine then writes it on a scripted drive. Prints the staging throughput
// next to `cp` of the same WAV taken in the same run (medians of
// interleaved runs).
//
//   staging_bench [--runs N] [--minutes M] [--dir DIR]

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "bench/BenchWav.h"
#include "control/jobs/CCantrelJobs.h"
#include "control/tracks/CWavReader.h"
#include "platform/imapi/Imapi.h"
#include "platform/imapi/burn/BurnDriveBackend.h"
#include "platform/imapi/burn/BurnEngine.h"
#include "platform/imapi/service/CAudioStash.h"
#include "platform/imapi/service/CBackendRecorder.h"
#include "tests/platform/imapi/burn/FakeBurnAdapter.h"

extern char** environ;

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace imapi_burn;

namespace {

constexpr uint64_t kCapacity = 80ull * 60 * 75;

double Since(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

double TimeCp(const std::string& from, const std::string& to) {
  char* args[] = {const_cast<char*>("/bin/cp"), const_cast<char*>(from.c_str()), const_cast<char*>(to.c_str()),
                  nullptr};
  const auto t0 = Clock::now();
  pid_t pid = 0;
  if (posix_spawn(&pid, args[0], nullptr, nullptr, args, environ) != 0) return -1;
  int status = 0;
  waitpid(pid, &status, 0);
  const double s = Since(t0);
  fs::remove(to);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? s : -1;
}


struct Staged {
  double stageSeconds = -1;
  double recordSeconds = -1;
};

// One burn on the scripted drive: staging timed apart from the recording.
Staged StageAndRecord(const std::string& wav) {
  auto world = std::make_shared<FakeWorld>();
  FakeDrive drive;
  drive.info = ScannedDrive{"/dev/sr7", "BENCH", "Fake writer", "1.0", true};
  drive.disc.state = DiscState::Blank;
  drive.disc.profile = kProfileCdR;
  drive.disc.capacityBlocks = static_cast<long>(kCapacity);
  drive.blocksPerPoll = 1 << 20;
  world->drives[drive.info.address] = drive;
  BurnEngineOptions options;
  options.pollInterval = std::chrono::milliseconds(1);
  auto backend = std::make_shared<BurnDriveBackend>(
      std::make_shared<BurnEngine>(std::make_unique<FakeBurnAdapter>(world), options));
  std::string note;
  const auto drives = backend->Scan(&note);
  if (drives.size() != 1) return {};
  CBackendRecorder recorder(backend, drives[0]);
  CAudioStash stash(recorder.StashFolder());

  Staged out;
  const auto t0 = Clock::now();
  CWavReader reader;
  const std::u16string path(wav.begin(), wav.end());
  if (!reader.Open(path) || stash.CreateTrack(static_cast<LONG>(reader.BlockCount()), kCapacity) != S_OK) return {};
  // In the pieces the burn job hands to the service.
  std::vector<BYTE> blocks(size_t{CCantrelJobs::kStageBlocks} * CWavReader::kBlockSize);
  for (DWORD n; (n = reader.NextBlocks(blocks.data(), CCantrelJobs::kStageBlocks)) > 0;)
    if (stash.AddBlocks(blocks.data(), static_cast<LONG>(n * CWavReader::kBlockSize), kCapacity) != S_OK) return {};
  if (!reader.Complete() || stash.CloseTrack() != S_OK) return {};
  out.stageSeconds = Since(t0);

  const auto t1 = Clock::now();
  if (FAILED(recorder.OpenExclusive())) return {};
  const HRESULT hr = recorder.Record(stash.Tracks(), false, false, {});
  (void)recorder.Close();
  if (hr != S_OK) return {};
  out.recordSeconds = Since(t1);
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 3, minutes = 20;
  fs::path base = fs::temp_directory_path();
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--runs" && i + 1 < argc)
      runs = std::atoi(argv[++i]);
    else if (a == "--minutes" && i + 1 < argc)
      minutes = std::atoi(argv[++i]);
    else if (a == "--dir" && i + 1 < argc)
      base = argv[++i];
    else
      return std::fprintf(stderr, "usage: staging_bench [--runs N] [--minutes M] [--dir DIR]\n"), 2;
  }
  if (runs < 1 || minutes < 1 || minutes > 80)
    return std::fprintf(stderr, "staging_bench: --runs at least 1, --minutes 1 to 80\n"), 2;
  std::string work = (base / "staging-bench-XXXXXX").string();
  if (!mkdtemp(work.data())) return std::perror("mkdtemp"), 1;
  setenv("TMPDIR", work.c_str(), 1);  // the drive recorder's stash folder
  const std::string wav = work + "/t.wav";
  int rc = 1;
  if (bench::MakeNoiseWav(wav, minutes, 1)) {
    TimeCp(wav, work + "/copy.wav");  // the WAV in the page cache
    std::vector<double> cp, stage, record;
    for (int r = 0; r < runs && rc != 2; ++r) {
      const double c = TimeCp(wav, work + "/copy.wav");
      const Staged s = StageAndRecord(wav);
      if (c < 0 || s.stageSeconds < 0) rc = 2;
      cp.push_back(c);
      stage.push_back(s.stageSeconds);
      record.push_back(s.recordSeconds);
    }
    if (rc == 2) {
      std::fprintf(stderr, "staging_bench: a copy, staging or recording failed\n");
      rc = 1;
    } else {
      const double mb = double(fs::file_size(wav)) / 1e6;
      double loads[3] = {};
      getloadavg(loads, 3);
      std::printf("load average: %.2f %.2f %.2f; %d interleaved runs of %d minutes (%.0f MB), medians\n", loads[0],
                  loads[1], loads[2], runs, minutes, mb);
      std::printf("%-44s %9.3f s %8.1f MB/s   %6.2fx cp\n", "cp of the WAV", Median(cp), mb / Median(cp), 1.0);
      std::printf("%-44s %9.3f s %8.1f MB/s   %6.2fx cp\n", "staging for a real drive (fake adapter)",
                  Median(stage), mb / Median(stage), Median(stage) / Median(cp));
      std::printf("%-44s %9.3f s\n", "recording on the scripted drive", Median(record));
      rc = 0;
    }
  }
  std::error_code ec;
  fs::remove_all(work, ec);
  return rc;
}
