#include "platform/imapi/service/CTrayState.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <sstream>

#include "platform/base/FdIo.h"
#include "platform/base/UniqueFd.h"

namespace {
const char* kTrayFile = "/.tray";
}

CTrayState CTrayState::Blank(const std::string& media) {
  CTrayState s;
  s.m_strMedia = media;
  return s;
}

CTrayState CTrayState::Read(const std::string& folder, const std::string& defaultMedia) {
  CTrayState s = Blank(defaultMedia);
  // The folder is the user's: a FIFO or a device under the tray file's name
  // reads as an empty tray instead of stalling the service.
  const std::string path = folder + kTrayFile;
  UniqueFd fd(OpenRegularFile(path.c_str(), path.size()));
  if (!fd.Valid()) return s;
  std::string text;
  char buf[4096];
  for (ssize_t n; (n = ReadSome(fd.Get(), buf, sizeof buf)) > 0;) text.append(buf, static_cast<size_t>(n));
  std::istringstream in(text);
  std::string line;
  CTrayState r = Blank(defaultMedia);
  bool sawState = false;
  while (std::getline(in, line)) {
    auto eq = line.find('=');
    if (eq == std::string::npos) continue;
    std::string key = line.substr(0, eq), value = line.substr(eq + 1);
    try {
      if (key == "state") {
        if (value != "blank" && value != "recorded") return s;
        r.m_bBlank = value == "blank";
        sawState = true;
      } else if (key == "media") {
        if (value == "cd-r" || value == "cd-rw") r.m_strMedia = value;
      } else if (key == "image") {
        r.m_strImage = value;
      } else if (key == "tracks") {
        r.m_nTracks = static_cast<unsigned>(std::stoul(value));
      } else if (key == "blocks") {
        r.m_nBlocks = std::stoull(value);
      }
    } catch (const std::exception&) {
      return s;
    }
  }
  return sawState ? r : s;
}

bool CTrayState::Write(const std::string& folder) const {
  std::ostringstream text;
  text << "state=" << (m_bBlank ? "blank" : "recorded") << "\n"
       << "media=" << m_strMedia << "\n";
  if (!m_bBlank) text << "image=" << m_strImage << "\ntracks=" << m_nTracks << "\nblocks=" << m_nBlocks << "\n";
  const std::string body = text.str();
  const std::string path = folder + kTrayFile;
  const std::string tmp = path + ".tmp-" + std::to_string(::getpid());
  UniqueFd fd(::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
  if (!fd.Valid()) return false;
  bool ok = WriteAll(fd.Get(), body.data(), body.size()) && ::fsync(fd.Get()) == 0;
  ok = (::close(fd.Release()) == 0) && ok;
  if (ok && ::rename(tmp.c_str(), path.c_str()) == 0) return true;
  int saved = errno;
  ::unlink(tmp.c_str());
  errno = saved;
  return false;
}

std::string CTrayState::Describe() const {
  std::string kind = m_strMedia == "cd-rw" ? "CD-RW" : "CD-R";
  if (m_bBlank) return "blank " + kind;
  return kind + " with " + m_strImage + " (" + std::to_string(m_nTracks) + (m_nTracks == 1 ? " track)" : " tracks)");
}
