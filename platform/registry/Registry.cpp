#include "platform/registry/Registry.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <utility>

#include "platform/base/FdIo.h"
#include "platform/base/UniqueFd.h"

namespace reg {

namespace {

std::string ErrnoText(const std::string& what, const std::string& path, int err) {
  return what + " " + path + ": " + std::strerror(err);
}

std::string ParentDir(const std::string& path) {
  std::filesystem::path p(path);
  auto parent = p.parent_path();
  return parent.empty() ? std::string(".") : parent.string();
}

void LockFd(int fd, int op, const std::string& lockPath) {
  while (::flock(fd, op) != 0) {
    if (errno != EINTR) throw RegistryError(ErrnoText("cannot lock", lockPath, errno));
  }
}

// Reads the whole file; false when it does not exist.
bool ReadText(const std::string& path, std::string& out) {
  // The path comes from the environment: a FIFO or a device there is an
  // error, not a reason to wait forever.
  UniqueFd fd(OpenRegularFile(path.c_str(), path.size()));
  if (!fd.Valid()) {
    if (errno == ENOENT) return false;
    throw RegistryError(ErrnoText("cannot open", path, errno));
  }
  out.clear();
  char buf[65536];
  while (true) {
    ssize_t n = ReadSome(fd.Get(), buf, sizeof buf);
    if (n < 0) throw RegistryError(ErrnoText("cannot read", path, errno));
    if (n == 0) break;
    out.append(buf, static_cast<size_t>(n));
  }
  return true;
}

RegTree ParseFile(const std::string& path, const std::string& text) {
  try {
    return RegTree::Parse(text);
  } catch (const RegistryError& e) {
    throw RegistryError(path + ": " + e.what());
  }
}

void WriteText(int fd, const std::string& data, const std::string& path) {
  if (!WriteAll(fd, data.data(), data.size())) throw RegistryError(ErrnoText("cannot write", path, errno));
}

}  // namespace

std::string Registry::DefaultPath() {
  if (const char* p = std::getenv("COMPONENT_REGISTRY"); p && *p) return p;
  if (const char* x = std::getenv("XDG_DATA_HOME"); x && *x == '/') return std::string(x) + "/cantrel/registry";
  std::string home;
  if (const char* h = std::getenv("HOME"); h && *h) {
    home = h;
  } else if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) {
    home = pw->pw_dir;
  } else {
    home = "/tmp";
  }
  return home + "/.local/share/cantrel/registry";
}

Registry::Registry(std::string path) : path_(std::move(path)) {}

RegTree Registry::Load() const {
  // The writer replaces the file by rename, so an unlocked read would see a
  // whole version too; the shared lock only keeps readers out of the window
  // in which a writer holds the old version.
  std::string lockPath = path_ + ".lock";
  int lockFd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  // A read-only folder still allows reading, just unlocked.
  if (lockFd < 0) lockFd = ::open(lockPath.c_str(), O_RDONLY | O_CLOEXEC);
  UniqueFd lock(lockFd);
  if (lock.Get() >= 0) LockFd(lock.Get(), LOCK_SH, lockPath);
  std::string text;
  if (!ReadText(path_, text)) return RegTree();
  return ParseFile(path_, text);
}

void Registry::Update(const std::function<void(RegTree&)>& edit) {
  std::string dir = ParentDir(path_);
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec) throw RegistryError("cannot create folder " + dir + ": " + ec.message());

  std::string lockPath = path_ + ".lock";
  UniqueFd lock(::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
  if (lock.Get() < 0) throw RegistryError(ErrnoText("cannot open", lockPath, errno));
  LockFd(lock.Get(), LOCK_EX, lockPath);

  std::string oldText;
  bool existed = ReadText(path_, oldText);
  RegTree tree = existed ? ParseFile(path_, oldText) : RegTree();
  edit(tree);
  std::string newText = tree.Serialize();
  if (existed && newText == oldText) return;

  mode_t mode = 0644;
  struct stat st;
  if (existed && ::stat(path_.c_str(), &st) == 0) mode = st.st_mode & 07777;

  std::string tmpPath = path_ + ".tmpXXXXXX";
  UniqueFd tmp(::mkostemp(tmpPath.data(), O_CLOEXEC));
  if (tmp.Get() < 0) throw RegistryError(ErrnoText("cannot create a temporary file beside", path_, errno));
  try {
    WriteText(tmp.Get(), newText, tmpPath);
    if (::fchmod(tmp.Get(), mode) != 0) throw RegistryError(ErrnoText("cannot set the mode of", tmpPath, errno));
    if (::fsync(tmp.Get()) != 0) throw RegistryError(ErrnoText("cannot flush", tmpPath, errno));
    if (::close(tmp.Release()) != 0) throw RegistryError(ErrnoText("cannot close", tmpPath, errno));
    if (::rename(tmpPath.c_str(), path_.c_str()) != 0) throw RegistryError(ErrnoText("cannot replace", path_, errno));
  } catch (...) {
    ::unlink(tmpPath.c_str());
    throw;
  }
  // Make the rename itself durable.
  UniqueFd dirFd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dirFd.Get() >= 0) (void)::fsync(dirFd.Get());
}

}  // namespace reg
