#include "platform/imapi/burn/DeviceNodeProbe.h"

#include <dirent.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>

namespace imapi_burn {

namespace {

bool IsOpticalName(const std::string& name) {
  if (name.size() < 3 || name.compare(0, 2, "sr") != 0) return false;
  return std::all_of(name.begin() + 2, name.end(), [](unsigned char c) { return std::isdigit(c) != 0; });
}

std::string UserName(uid_t uid) {
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found) return found->pw_name;
  return std::to_string(uid);
}

std::string GroupName(gid_t gid) {
  std::vector<char> buffer(16384);
  group entry{};
  group* found = nullptr;
  if (getgrgid_r(gid, &entry, buffer.data(), buffer.size(), &found) == 0 && found) return found->gr_name;
  return std::to_string(gid);
}

}  // namespace

DeviceNodeProbe::DeviceNodeProbe(std::string folder) : folder_(std::move(folder)) {}

std::vector<DeviceNode> DeviceNodeProbe::List() const {
  std::vector<DeviceNode> nodes;
  DIR* dir = ::opendir(folder_.c_str());
  if (!dir) return nodes;
  while (dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (!IsOpticalName(name)) continue;
    DeviceNode node;
    node.path = folder_ + "/" + name;
    struct stat st {};
    if (::stat(node.path.c_str(), &st) != 0) continue;
    node.owner = UserName(st.st_uid);
    node.group = GroupName(st.st_gid);
    node.mode = st.st_mode & 07777;
    node.accessible = ::access(node.path.c_str(), R_OK | W_OK) == 0;
    nodes.push_back(node);
  }
  ::closedir(dir);
  std::sort(nodes.begin(), nodes.end(), [](const DeviceNode& a, const DeviceNode& b) { return a.path < b.path; });
  return nodes;
}

}  // namespace imapi_burn
