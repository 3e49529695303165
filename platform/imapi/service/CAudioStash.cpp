#include "platform/imapi/service/CAudioStash.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>

#include "platform/com/ResultMacros.h"
#include "platform/imapi/Imapi.h"

namespace {

std::atomic<unsigned> g_nStash{0};

// The process id in names like ".stash-<pid>-<n>" and ".disc-0001.bin.tmp-<pid>".
pid_t OwnerOf(const std::string& name) {
  size_t pos = std::string::npos;
  if (name.rfind(".stash-", 0) == 0)
    pos = 7;
  else if (name.rfind(".disc-", 0) == 0 && name.find(".tmp-") != std::string::npos)
    pos = name.find(".tmp-") + 5;
  else if (name.rfind(".tray.tmp-", 0) == 0)
    pos = 10;
  if (pos == std::string::npos) return 0;
  char* end = nullptr;
  long pid = std::strtol(name.c_str() + pos, &end, 10);
  return pid > 0 && end != name.c_str() + pos ? static_cast<pid_t>(pid) : 0;
}

}  // namespace

CAudioStash::CAudioStash(std::string folder) : m_strFolder(std::move(folder)) {}

CAudioStash::~CAudioStash() {
  if (m_fd.Valid()) {
    m_fd.Reset();
    ::unlink(m_strPath.c_str());
  }
}

void CAudioStash::CleanStale(const std::string& folder) {
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return;
  while (dirent* e = ::readdir(dir)) {
    std::string name = e->d_name;
    pid_t pid = OwnerOf(name);
    if (pid > 0 && pid != ::getpid() && ::kill(pid, 0) != 0 && errno == ESRCH)
      ::unlink((folder + "/" + name).c_str());
  }
  ::closedir(dir);
}

HRESULT CAudioStash::EnsureFile() {
  if (m_fd.Valid()) return S_OK;
  CleanStale(m_strFolder);
  m_strPath = m_strFolder + "/.stash-" + std::to_string(::getpid()) + "-" + std::to_string(++g_nStash);
  // Readable as the disc image it may become.
  m_fd.Reset(::open(m_strPath.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
  if (!m_fd.Valid()) return IMAPI_E_FILEACCESS;
  return S_OK;
}

uint64_t CAudioStash::RecordableBlocks() const {
  uint64_t n = 0;
  for (size_t i = 0; i < m_tracks.size(); ++i)
    if (!(m_bTrackOpen && i + 1 == m_tracks.size())) n += m_tracks[i].written;
  return n;
}

uint64_t CAudioStash::AnnouncedBlocks() const {
  uint64_t n = 0;
  for (const Track& t : m_tracks) n += t.announced;
  return n;
}

HRESULT CAudioStash::CreateTrack(LONG nBlocks, uint64_t capacityBlocks) {
  if (m_bTrackOpen) return IMAPI_E_TRACKOPEN;
  if (nBlocks <= 0) return E_INVALIDARG;
  if (nBlocks < kMinTrackBlocks) return IMAPI_E_TRACK_NOT_BIG_ENOUGH;
  if (m_tracks.size() >= kMaxTracks) return IMAPI_E_DISCFULL;
  if (AnnouncedBlocks() + static_cast<uint64_t>(nBlocks) > capacityBlocks) return IMAPI_E_DISCFULL;
  RETURN_IF_FAILED(EnsureFile());
  struct statvfs fs{};
  if (::fstatvfs(m_fd.Get(), &fs) == 0 &&
      static_cast<uint64_t>(fs.f_bavail) * fs.f_frsize < static_cast<uint64_t>(nBlocks) * kBlockBytes)
    return IMAPI_E_NOTENOUGHDISKFORSTASH;
  m_tracks.push_back(Track{m_nEnd, static_cast<uint32_t>(nBlocks), 0});
  m_bTrackOpen = true;
  return S_OK;
}

HRESULT CAudioStash::AddBlocks(const BYTE* pby, LONG cb, uint64_t capacityBlocks) {
  if (!m_bTrackOpen) return IMAPI_E_TRACKNOTOPEN;
  if (!pby) return E_POINTER;
  if (cb <= 0 || cb % kBlockBytes != 0) return E_INVALIDARG;
  Track& t = m_tracks.back();
  const uint64_t blocks = static_cast<uint64_t>(cb / kBlockBytes);
  if (t.written + blocks > t.announced) {
    uint64_t others = AnnouncedBlocks() - t.announced;
    return others + t.written + blocks > capacityBlocks ? IMAPI_E_DISCFULL : E_INVALIDARG;
  }
  size_t done = 0;
  while (done < static_cast<size_t>(cb)) {
    ssize_t n = ::pwrite(m_fd.Get(), pby + done, static_cast<size_t>(cb) - done, static_cast<off_t>(m_nEnd + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      HRESULT hr = errno == ENOSPC || errno == EDQUOT ? IMAPI_E_NOTENOUGHDISKFORSTASH : IMAPI_E_FILEACCESS;
      // The blocks are refused whole; nothing of them stays staged.
      (void)::ftruncate(m_fd.Get(), static_cast<off_t>(m_nEnd));
      return hr;
    }
    done += static_cast<size_t>(n);
  }
  m_nEnd += static_cast<uint64_t>(cb);
  t.written += static_cast<uint32_t>(blocks);
  // A recording makes the stash durable before it names an image: the disk
  // starts on it now, while staging goes on, so that little is left to wait for.
  if (m_nEnd - m_nFlushed >= kFlushBytes) {
    (void)::sync_file_range(m_fd.Get(), static_cast<off_t>(m_nFlushed), static_cast<off_t>(m_nEnd - m_nFlushed),
                            SYNC_FILE_RANGE_WRITE);
    m_nFlushed = m_nEnd;
  }
  return S_OK;
}

HRESULT CAudioStash::CloseTrack() {
  if (!m_bTrackOpen) return IMAPI_E_TRACKNOTOPEN;
  // A short track stays open: recording it would burn other content than
  // the caller announced, so the disc cannot be recorded until it is filled.
  if (m_tracks.back().written < m_tracks.back().announced) return IMAPI_E_TRACK_NOT_BIG_ENOUGH;
  m_bTrackOpen = false;
  return S_OK;
}

std::vector<imapi_backend::TrackSpec> CAudioStash::Tracks() const {
  std::vector<imapi_backend::TrackSpec> out;
  for (size_t i = 0; i < m_tracks.size(); ++i) {
    if (m_bTrackOpen && i + 1 == m_tracks.size()) break;
    out.push_back(imapi_backend::TrackSpec{m_strPath, m_tracks[i].offset, m_tracks[i].written});
  }
  return out;
}
