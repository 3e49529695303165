#include "platform/imapi/service/CVirtualRecorder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>
#include <utility>

#include "platform/base/FdIo.h"
#include "platform/base/UniqueFd.h"
#include "platform/imapi/Imapi.h"
#include "platform/imapi/service/CAudioStash.h"
#include "platform/imapi/service/CCueSheet.h"

namespace {

constexpr uint64_t kBlock = CAudioStash::kBlockBytes;
constexpr uint64_t kMaxChunkBlocks = 256;

std::string ImageBase(unsigned number) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "disc-%04u", number);
  return buf;
}

// Moves from to to unless to exists; false with errno EEXIST when it does.
bool RenameNoReplace(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // File systems without the flag: a hard link fails as well when to exists.
  if (::link(from.c_str(), to.c_str()) != 0) return false;
  ::unlink(from.c_str());
  return true;
}

void SyncFolder(const std::string& folder) {
  UniqueFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.Get() >= 0) (void)::fsync(dir.Get());
}

// Copies n bytes from src at offset to the end of dst (or only reads them
// when dst is -1). The kernel copy is used while it works.
class CBlockCopier {
 public:
  explicit CBlockCopier(size_t bufferBytes) : m_buffer(new char[bufferBytes]) {}
  bool Copy(int src, uint64_t offset, int dst, size_t n) {
    if (dst >= 0 && m_bKernel) {
      loff_t in = static_cast<loff_t>(offset);
      size_t left = n;
      while (left > 0) {
        ssize_t c = ::copy_file_range(src, &in, dst, nullptr, left, 0);
        if (c < 0 && errno == EINTR) continue;
        if (c <= 0) break;
        left -= static_cast<size_t>(c);
      }
      if (left == 0) return true;
      if (left != n) return false;  // partway: the output is no longer aligned with the input
      m_bKernel = false;
    }
    size_t done = 0;
    while (done < n) {
      ssize_t r = ::pread(src, m_buffer.get(), n - done, static_cast<off_t>(offset + done));
      if (r < 0 && errno == EINTR) continue;
      if (r <= 0) return false;
      if (dst >= 0 && !WriteAll(dst, m_buffer.get(), static_cast<size_t>(r))) return false;
      done += static_cast<size_t>(r);
    }
    return true;
  }

 private:
  std::unique_ptr<char[]> m_buffer;
  bool m_bKernel = true;
};

// Whether the tracks are, in order, the whole of one stash file lying in
// folder: the image is then that same file under a second name.
bool IsWholeStashIn(const std::vector<imapi_backend::TrackSpec>& tracks, const std::string& folder) {
  const std::string& path = tracks.front().stashPath;
  if (path.size() <= folder.size() + 1 || path.compare(0, folder.size() + 1, folder + "/") != 0 ||
      path.find('/', folder.size() + 1) != std::string::npos)
    return false;
  uint64_t end = 0;
  for (const auto& t : tracks) {
    if (t.stashPath != path || t.offset != end) return false;
    end += t.blocks * kBlock;
  }
  struct stat st{};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && static_cast<uint64_t>(st.st_size) == end;
}

}  // namespace

CVirtualRecorder::CVirtualRecorder(VirtualRecorderConfig config) : m_config(std::move(config)) {}

CVirtualRecorder::~CVirtualRecorder() = default;

LONG CVirtualRecorder::RecorderType() const { return RECORDER_CDRW; }

HRESULT CVirtualRecorder::OpenExclusive() {
  if (m_lock.Valid()) return S_OK;
  struct stat st{};
  if (::stat(m_config.folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return IMAPI_E_DEVICE_NOTPRESENT;
  UniqueFd fd(::open((m_config.folder + "/.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
  if (fd.Get() < 0) return IMAPI_E_DEVICE_NOTACCESSIBLE;
  while (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) {
    // Held by another program: busy, as a real drive says; not a refusal.
    if (errno == EWOULDBLOCK) return IMAPI_E_DEVICE_STILL_IN_USE;
    if (errno != EINTR) return IMAPI_E_DEVICE_NOTACCESSIBLE;
  }
  m_lock = std::move(fd);
  return S_OK;
}

HRESULT CVirtualRecorder::Close() {
  if (!m_lock.Valid()) return IMAPI_E_NOTOPENED;
  EndReading();
  m_lock.Reset();  // drops the lock
  return S_OK;
}

HRESULT CVirtualRecorder::QueryMediaType(LONG* plType, LONG* plFlags) {
  if (!IsOpen()) return IMAPI_E_NOTOPENED;
  if (!plType || !plFlags) return E_POINTER;
  CTrayState tray = Tray();
  const bool rw = tray.m_strMedia == "cd-rw";
  *plType = MEDIA_CDDA_CDROM;
  *plFlags = (rw ? MEDIA_RW : 0) | (tray.m_bBlank ? MEDIA_BLANK | MEDIA_WRITABLE : 0);
  return S_OK;
}

HRESULT CVirtualRecorder::QueryMediaInfo(BYTE* pbSessions, BYTE* pbLastTrack, ULONG* pulStart,
                                         ULONG* pulNextWritable, ULONG* pulFreeBlocks) {
  if (!IsOpen()) return IMAPI_E_NOTOPENED;
  if (!pbSessions || !pbLastTrack || !pulStart || !pulNextWritable || !pulFreeBlocks) return E_POINTER;
  CTrayState tray = Tray();
  *pbSessions = tray.m_bBlank ? 0 : 1;
  *pbLastTrack = static_cast<BYTE>(std::min(tray.m_nTracks, 99u));
  *pulStart = 0;
  *pulNextWritable = 0;
  *pulFreeBlocks = tray.m_bBlank ? static_cast<ULONG>(CapacityBlocks()) : 0;
  return S_OK;
}

HRESULT CVirtualRecorder::Eject() {
  if (!IsOpen()) return IMAPI_E_NOTOPENED;
  // The tray comes back with a fresh blank disc of the configured kind.
  return CTrayState::Blank(m_config.media).Write(m_config.folder) ? S_OK : IMAPI_E_GENERIC;
}

HRESULT CVirtualRecorder::Erase(bool bFull) {
  if (!IsOpen()) return IMAPI_E_NOTOPENED;
  CTrayState tray = Tray();
  if (tray.m_strMedia != "cd-rw") return IMAPI_E_MEDIUM_INVALIDTYPE;
  return CTrayState::Blank(tray.m_strMedia).Write(m_config.folder) ? S_OK : IMAPI_E_GENERIC;
}

unsigned CVirtualRecorder::NextImageNumber(const std::string& folder) {
  unsigned highest = 0;
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return 1;
  while (dirent* e = ::readdir(dir)) {
    std::string name = e->d_name;
    if (name.rfind("disc-", 0) != 0 || name.size() < 9) continue;
    std::string ext = name.substr(name.size() - 4);
    if (ext != ".cue" && ext != ".bin") continue;
    std::string digits = name.substr(5, name.size() - 9);
    if (digits.empty() || digits.size() > 9 || !std::all_of(digits.begin(), digits.end(), ::isdigit)) continue;
    highest = std::max(highest, static_cast<unsigned>(std::stoul(digits)));
  }
  ::closedir(dir);
  return highest + 1;
}

HRESULT CVirtualRecorder::Publish(const std::string& tmpBin, unsigned number, const std::vector<uint32_t>& blocks,
                                  std::string* base) {
  const std::string& folder = m_config.folder;
  // The image is complete under its temporary name; the binary goes first
  // and the cue sheet, which makes it a disc, last.
  for (int attempt = 0;; ++attempt, ++number) {
    *base = ImageBase(number);
    if (::access((folder + "/" + *base + ".cue").c_str(), F_OK) == 0) continue;
    if (RenameNoReplace(tmpBin, folder + "/" + *base + ".bin")) break;
    if (errno != EEXIST || attempt > 1000) return IMAPI_E_FILEACCESS;
  }
  const std::string cue = CCueSheet::Text(*base + ".bin", blocks);
  const std::string tmpCue = folder + "/." + *base + ".cue.tmp-" + std::to_string(::getpid());
  UniqueFd fd(::open(tmpCue.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
  bool ok = fd.Get() >= 0 && WriteAll(fd.Get(), cue.data(), cue.size()) && ::fsync(fd.Get()) == 0;
  ok = fd.Get() >= 0 && ::close(fd.Release()) == 0 && ok;
  if (!ok || !RenameNoReplace(tmpCue, folder + "/" + *base + ".cue")) {
    ::unlink(tmpCue.c_str());
    return IMAPI_E_FILEACCESS;
  }
  SyncFolder(folder);
  return S_OK;
}

HRESULT CVirtualRecorder::Record(const std::vector<imapi_backend::TrackSpec>& tracks, bool bSimulate, bool bEject,
                                 const imapi_backend::RecordCallbacks& callbacks) {
  if (!IsOpen()) return IMAPI_E_NOTOPENED;
  CTrayState tray = Tray();
  if (!tray.m_bBlank) return IMAPI_E_CANNOT_WRITE_TO_MEDIA;
  uint64_t total = 0;
  std::vector<uint32_t> blocks;
  for (const auto& t : tracks) {
    total += t.blocks;
    blocks.push_back(t.blocks);
  }
  if (total == 0) return IMAPI_E_INVALIDIMAGE;
  if (total > CapacityBlocks()) return IMAPI_E_DISCFULL;
  const std::string& folder = m_config.folder;
  CAudioStash::CleanStale(folder);

  const uint64_t rate = uint64_t{m_config.speed} * 75;  // blocks a second; 0: unpaced
  uint64_t chunk = std::min<uint64_t>(kMaxChunkBlocks, std::max<uint64_t>(1, total / 100));
  if (rate) chunk = std::min(chunk, std::max<uint64_t>(1, rate / 10));
  CBlockCopier copier(chunk * kBlock);

  const unsigned number = NextImageNumber(folder);
  const std::string tmpBin = folder + "/." + ImageBase(number) + ".bin.tmp-" + std::to_string(::getpid());
  // Staged here in full, the audio is already on disk: the unfinished image
  // is a second name of the stash instead of a copy of it.
  const bool bLinked =
      !bSimulate && IsWholeStashIn(tracks, folder) && ::link(tracks.front().stashPath.c_str(), tmpBin.c_str()) == 0;
  UniqueFd dst(bSimulate || bLinked ? -1 : ::open(tmpBin.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
  if (!bSimulate && !bLinked && dst.Get() < 0) return IMAPI_E_FILEACCESS;
  auto fail = [&](HRESULT hr) {
    if (!bSimulate) ::unlink(tmpBin.c_str());
    return hr;
  };

  const auto start = std::chrono::steady_clock::now();
  uint64_t done = 0;
  std::string openPath;
  UniqueFd src;
  for (size_t i = 0; i < tracks.size(); ++i) {
    const auto& t = tracks[i];
    if (!bLinked && t.stashPath != openPath) {
      src.Reset(::open(t.stashPath.c_str(), O_RDONLY | O_CLOEXEC));
      if (src.Get() < 0) return fail(IMAPI_E_FILEACCESS);
      openPath = t.stashPath;
    }
    if (callbacks.onTrack) callbacks.onTrack(static_cast<long>(i + 1), static_cast<long>(tracks.size()));
    for (uint64_t b = 0; b < t.blocks;) {
      if (callbacks.queryCancel && callbacks.queryCancel()) return fail(IMAPI_E_USERABORT);
      const uint64_t n = std::min<uint64_t>(chunk, t.blocks - b);
      if (!bLinked && !copier.Copy(src.Get(), t.offset + b * kBlock, dst.Get(), n * kBlock)) {
        return fail(errno == ENOSPC || errno == EDQUOT ? IMAPI_E_CANNOT_WRITE_TO_MEDIA : IMAPI_E_FILEACCESS);
      }
      b += n;
      done += n;
      if (callbacks.onBlocks) callbacks.onBlocks(static_cast<long>(done), static_cast<long>(total));
      if (rate) std::this_thread::sleep_until(start + std::chrono::microseconds(done * 1000000 / rate));
    }
  }
  if (callbacks.onClosing) callbacks.onClosing(rate ? 2 : 1);
  if (!bSimulate) {
    if (bLinked) dst.Reset(::open(tmpBin.c_str(), O_RDONLY | O_CLOEXEC));
    if (dst.Get() < 0 || ::fsync(dst.Get()) != 0 || ::close(dst.Release()) != 0)
      return fail(IMAPI_E_CANNOT_WRITE_TO_MEDIA);
    std::string base;
    if (HRESULT hr = Publish(tmpBin, number, blocks, &base); FAILED(hr)) return fail(hr);
    CTrayState recorded;
    recorded.m_bBlank = false;
    recorded.m_strMedia = tray.m_strMedia;
    recorded.m_strImage = base;
    recorded.m_nTracks = static_cast<unsigned>(tracks.size());
    recorded.m_nBlocks = total;
    if (!recorded.Write(folder)) return IMAPI_E_GENERIC;
  }
  if (bEject && !CTrayState::Blank(m_config.media).Write(folder)) return IMAPI_E_GENERIC;
  return S_OK;
}

HRESULT CVirtualRecorder::ReadLayout(std::vector<imapi_backend::AudioTrackExtent>* tracks) {
  if (!IsOpen()) return IMAPI_E_NOTOPENED;
  EndReading();
  tracks->clear();
  CTrayState tray = Tray();
  if (tray.m_bBlank) return IMAPI_E_MEDIUM_INVALIDTYPE;
  // Neither part of the image may be a FIFO or a device: reading must not wait.
  const std::string base = m_config.folder + "/" + tray.m_strImage;
  const std::string cuePath = base + ".cue", binPath = base + ".bin";
  std::string cue(64 * 1024, '\0');
  {
    UniqueFd fd(OpenRegularFile(cuePath.c_str(), cuePath.size()));
    const ssize_t n = fd.Valid() ? ReadFull(fd.Get(), cue.data(), cue.size()) : -1;
    if (n < 0) return IMAPI_E_INVALIDIMAGE;
    cue.resize(static_cast<size_t>(n));
  }
  std::vector<uint32_t> starts;
  if (!CCueSheet::Starts(cue, &starts)) return IMAPI_E_INVALIDIMAGE;
  UniqueFd bin(OpenRegularFile(binPath.c_str(), binPath.size()));
  struct stat st{};
  if (!bin.Valid() || ::fstat(bin.Get(), &st) != 0) return IMAPI_E_INVALIDIMAGE;
  // A binary cut within a block, or before its last track, is no disc.
  const auto size = static_cast<uint64_t>(st.st_size);
  if (size % kBlock != 0 || size / kBlock <= starts.back()) return IMAPI_E_INVALIDIMAGE;
  for (size_t i = 0; i < starts.size(); ++i) {
    const uint64_t end = i + 1 < starts.size() ? starts[i + 1] : size / kBlock;
    tracks->push_back({starts[i], static_cast<uint32_t>(end - starts[i])});
  }
  m_readBlocks = size / kBlock;
  m_read = std::move(bin);
  return S_OK;
}

HRESULT CVirtualRecorder::ReadAudio(uint32_t firstBlock, uint32_t blocks, uint8_t* out) {
  if (!m_read.Valid()) return IMAPI_E_NOTOPENED;
  if (uint64_t{firstBlock} + blocks > m_readBlocks) return E_INVALIDARG;
  const size_t n = size_t{blocks} * kBlock;
  // Shorter: the image shrank while it was read.
  return ReadFullAt(m_read.Get(), out, n, firstBlock * kBlock) == static_cast<ssize_t>(n) ? S_OK : IMAPI_E_INVALIDIMAGE;
}

void CVirtualRecorder::EndReading() {
  m_read.Reset();
  m_readBlocks = 0;
}
