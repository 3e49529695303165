// Stages and records a 74-minute audio disc (330000 blocks) on a virtual
// recorder in a temporary folder, verifies it (reads it back through the
// service and compares every sample), then copies the same bytes with a
// plain read/write loop on the same disk, and prints throughput and peak
// memory of both. Verifying should be no slower than recording.
//
//   imapi_bench [--blocks N] [--dir DIR]

#include <dlfcn.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/com/Apartment.h"
#include "platform/com/ComPtr.h"
#include "platform/imapi/DiscReadback.h"
#include "platform/imapi/Imapi.h"
#include "platform/imapi/verify/CAudioComparer.h"
#include "platform/imapi/verify/CReadbackDiscSource.h"

extern char** environ;

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr LONG kBlock = 2352;

std::string BinDir() {
  return fs::canonical("/proc/self/exe").parent_path().string();
}

long PeakRssKb() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

// A block of deterministic audio for block number n.
void FillBlock(std::vector<BYTE>& block, uint32_t n) {
  uint32_t x = n * 2654435761u + 1;
  for (size_t i = 0; i < block.size(); i += 4) {
    x = x * 1664525u + 1013904223u;
    std::memcpy(&block[i], &x, 4);
  }
}

int Run(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawn(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0) return -1;
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

double Seconds(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); }

bool Fail(const char* what, HRESULT hr) {
  std::fprintf(stderr, "imapi_bench: %s failed (0x%08X)\n", what, static_cast<unsigned>(hr));
  return false;
}

// The bench's one track, block by block as it was staged.
class CBenchTrack final : public CExpectedTrack {
 public:
  explicit CBenchTrack(uint32_t blocks) : m_blocks(blocks), m_block(kBlock) {}
  uint32_t Blocks() const override { return m_blocks; }
  bool NextBlock(uint8_t* out) override {
    FillBlock(m_block, m_next++);
    std::memcpy(out, m_block.data(), kBlock);
    return true;
  }

 private:
  uint32_t m_blocks;
  uint32_t m_next = 0;
  std::vector<BYTE> m_block;
};

}  // namespace

int main(int argc, char** argv) {
  uint32_t blocks = 330000;
  std::string base = fs::temp_directory_path().string();
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--blocks") == 0) blocks = static_cast<uint32_t>(std::strtoul(argv[i + 1], nullptr, 10));
    if (std::strcmp(argv[i], "--dir") == 0) base = argv[i + 1];
  }
  if (blocks < 300 || blocks > 333000) {
    std::fprintf(stderr, "imapi_bench: --blocks must be 300 to 333000\n");
    return 2;
  }
  std::string work = base + "/imapi-bench-XXXXXX";
  if (!mkdtemp(work.data())) {
    std::perror("mkdtemp");
    return 1;
  }
  setenv("COMPONENT_REGISTRY", (work + "/registry").c_str(), 1);
  const std::string folder = work + "/recorder";
  const double mb = double(blocks) * kBlock / 1e6;
  int rc = 1;
  do {
    void* lib = dlopen((BinDir() + "/libimapisvc.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    auto reg = lib ? reinterpret_cast<PFN_DllRegisterServer>(dlsym(lib, "DllRegisterServer")) : nullptr;
    if (!reg || reg() != S_OK) {
      std::fprintf(stderr, "imapi_bench: cannot register %s/libimapisvc.so\n", BinDir().c_str());
      break;
    }
    if (Run({BinDir() + "/discmaster", "add-virtual", "--folder", folder, "--minutes", "74"}) != 0) break;

    CoInitialize(nullptr);
    const long rssStart = PeakRssKb();
    Clock::time_point t0, t1, t2, t3;
    bool ok = true;
    {
      ComPtr<IDiscMaster> master;
      HRESULT hr = CoCreateInstance(CLSID_MSDiscMasterObj, nullptr, CLSCTX_ALL, IID_IDiscMaster,
                                    master.ReleaseAndGetVoidAddress());
      if (FAILED(hr) || FAILED(hr = master->Open())) ok = Fail("opening the service", hr);
      ComPtr<IRedbookDiscMaster> redbook;
      if (ok && FAILED(hr = master->SetActiveDiscMasterFormat(IID_IRedbookDiscMaster,
                                                               redbook.ReleaseAndGetVoidAddress())))
        ok = Fail("choosing the audio format", hr);
      std::vector<BYTE> block(kBlock);
      t0 = Clock::now();
      if (ok && FAILED(hr = redbook->CreateAudioTrack(static_cast<LONG>(blocks)))) ok = Fail("CreateAudioTrack", hr);
      for (uint32_t n = 0; ok && n < blocks; ++n) {
        FillBlock(block, n);
        if (FAILED(hr = redbook->AddAudioTrackBlocks(block.data(), kBlock))) ok = Fail("AddAudioTrackBlocks", hr);
      }
      if (ok && FAILED(hr = redbook->CloseAudioTrack())) ok = Fail("CloseAudioTrack", hr);
      t1 = Clock::now();
      if (ok && FAILED(hr = master->RecordDisc(0, 0))) ok = Fail("RecordDisc", hr);
      t2 = Clock::now();
      if (master) master->Close();
      ComPtr<IDiscAudioReadback> reader;
      if (ok && (FAILED(hr = CoCreateInstance(CLSID_DiscAudioReadback, nullptr, CLSCTX_ALL, IID_IDiscAudioReadback,
                                             reader.ReleaseAndGetVoidAddress())) ||
                 FAILED(hr = reader->OpenRecorder(0))))
        ok = Fail("opening the disc for reading back", hr);
      if (ok) {
        CReadbackDiscSource disc(reader);
        CBenchTrack track(blocks);
        DiscVerdict verdict;
        if (CAudioComparer(disc).Compare({&track}, &verdict) != CAudioComparer::Outcome::Compared ||
            !verdict.Identical())
          ok = Fail("verifying", disc.LastError());
        reader->Close();
      }
      t3 = Clock::now();
    }
    CoUninitialize();
    if (!ok) break;
    const long rssService = PeakRssKb();
    fs::remove(folder + "/disc-0001.bin");
    fs::remove(folder + "/disc-0001.cue");

    // The same bytes, written once by the program and copied once.
    const std::string src = folder + "/plain-source", dst = folder + "/plain-copy";
    int out = open(src.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<BYTE> block(kBlock);
    const auto w0 = Clock::now();
    for (uint32_t n = 0; out >= 0 && n < blocks; ++n) {
      FillBlock(block, n);
      if (write(out, block.data(), kBlock) != kBlock) {
        std::perror("write");
        return 1;
      }
    }
    if (out < 0 || fsync(out) != 0 || close(out) != 0) break;
    const auto w1 = Clock::now();
    int in = open(src.c_str(), O_RDONLY);
    out = open(dst.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<char> buffer(1 << 20);
    const auto c0 = Clock::now();
    for (ssize_t n; in >= 0 && out >= 0 && (n = read(in, buffer.data(), buffer.size())) > 0;)
      if (write(out, buffer.data(), size_t(n)) != n) break;
    if (in < 0 || out < 0 || fsync(out) != 0) break;
    close(in);
    close(out);
    const auto c1 = Clock::now();
    const long rssEnd = PeakRssKb();

    std::printf("disc: %u blocks, %.1f MB, folder %s\n", blocks, mb, folder.c_str());
    std::printf("%-34s %8.2f s %9.1f MB/s\n", "service: stage (write stash)", Seconds(t0, t1), mb / Seconds(t0, t1));
    std::printf("%-34s %8.2f s %9.1f MB/s\n", "service: record (stash to image)", Seconds(t1, t2),
                mb / Seconds(t1, t2));
    std::printf("%-34s %8.2f s %9.1f MB/s\n", "service: stage + record", Seconds(t0, t2), mb / Seconds(t0, t2));
    std::printf("%-34s %8.2f s %9.1f MB/s\n", "verify (read back + compare)", Seconds(t2, t3),
                mb / Seconds(t2, t3));
    std::printf("%-34s %8.2f s %9.1f MB/s\n", "plain: write the same bytes", Seconds(w0, w1), mb / Seconds(w0, w1));
    std::printf("%-34s %8.2f s %9.1f MB/s\n", "plain: copy (1 MiB read/write)", Seconds(c0, c1), mb / Seconds(c0, c1));
    std::printf("%-34s %8.2f s %9.1f MB/s\n", "plain: write + copy", Seconds(w0, c1) - Seconds(w1, c0),
                mb / (Seconds(w0, w1) + Seconds(c0, c1)));
    std::printf("peak RSS: %ld KB before the service, %ld KB after stage + record, %ld KB after the plain copy\n",
                rssStart, rssService, rssEnd);
    rc = 0;
  } while (false);
  std::error_code ec;
  fs::remove_all(work, ec);
  return rc;
}
