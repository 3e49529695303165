// discmaster: lists the disc-mastering service's recorders and manages its
// virtual recorders.
//
//   discmaster list
//   discmaster add-virtual --folder DIR [--vendor V] [--product P]
//       [--revision R] [--media cd-r|cd-rw] [--minutes 74|80] [--speed N|max]
//   discmaster remove INDEX
//
// INDEX is the recorder's position in the list, which is the order in which
// the service enumerates its recorders: virtual recorders in the order they
// were added, then real drives. Exit status: 0 done, 1 failed, 2 wrong usage.

#include <unistd.h>

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "platform/Version.h"
#include "platform/imapi/Imapi.h"
#include "platform/imapi/service/CBackendLoader.h"
#include "platform/imapi/service/CVirtualRecorder.h"
#include "platform/imapi/service/CVirtualRecorderStore.h"

namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

int Usage(FILE* out = stderr) {
  std::fprintf(out,
               "usage: discmaster list\n"
               "       discmaster add-virtual --folder DIR [--vendor V] [--product P] [--revision R]\n"
               "                  [--media cd-r|cd-rw] [--minutes 74|80] [--speed N|max]\n"
               "       discmaster remove INDEX\n");
  return kExitUsage;
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "discmaster: %s\n", message.c_str());
  return kExitFailed;
}

bool ParseUnsigned(const std::string& s, unsigned* out) {
  auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), *out);
  return !s.empty() && ec == std::errc() && p == s.data() + s.size();
}

struct Row {
  std::string vendor, product, revision, kind, tray, path;
};

std::string VirtualTray(const VirtualRecorderConfig& config) {
  std::error_code ec;
  if (!std::filesystem::is_directory(config.folder, ec)) return "folder missing";
  CVirtualRecorder recorder(config);
  std::string tray = recorder.Tray().Describe();
  const HRESULT hr = recorder.OpenExclusive();
  if (hr == IMAPI_E_DEVICE_STILL_IN_USE) tray += " (in use)";
  if (hr == IMAPI_E_DEVICE_NOTACCESSIBLE) tray += " (not permitted)";
  return tray;
}

std::string DriveTray(imapi_backend::DriveBackend& backend, const std::string& id) {
  HRESULT hr = backend.OpenExclusive(id);
  if (hr == IMAPI_E_DEVICE_STILL_IN_USE) return "in use";
  if (hr == IMAPI_E_DEVICE_NOTACCESSIBLE) return "not permitted";
  if (FAILED(hr)) return "unknown";
  long type = 0, flags = 0;
  hr = backend.QueryMedia(id, &type, &flags);
  (void)backend.Close(id);
  if (hr == IMAPI_E_MEDIUM_NOTPRESENT) return "no disc";
  if (FAILED(hr)) return "unknown";
  std::string kind = flags & MEDIA_RW ? "CD-RW" : "CD";
  if (flags & MEDIA_BLANK) return "blank " + kind;
  return (flags & MEDIA_WRITABLE ? "appendable " : "recorded ") + kind;
}

int List() {
  std::vector<Row> rows;
  try {
    for (const auto& c : CVirtualRecorderStore().Load())
      rows.push_back({c.vendor, c.product, c.revision, "virtual", VirtualTray(c), c.folder});
  } catch (const std::exception& e) {
    return Fail(std::string("cannot read the virtual recorders: ") + e.what());
  }
  std::string why;
  if (auto backend = CBackendLoader::Get(&why)) {
    std::string note;
    for (const auto& d : backend->Scan(&note))
      rows.push_back({d.vendor, d.product, d.revision, "drive", DriveTray(*backend, d.id), d.id});
    if (!note.empty()) std::fprintf(stderr, "discmaster: %s\n", note.c_str());
  } else if (!why.empty()) {
    std::fprintf(stderr, "discmaster: real drives are not available: %s\n", why.c_str());
  }
  if (rows.empty()) {
    std::printf("No recorders. Add one with: discmaster add-virtual --folder DIR\n");
    return 0;
  }
  std::printf("%-5s  %-8s  %-16s  %-4s  %-7s  %-30s  %s\n", "INDEX", "VENDOR", "PRODUCT", "REV", "KIND", "TRAY",
              "PATH");
  for (size_t i = 0; i < rows.size(); ++i) {
    const Row& r = rows[i];
    std::printf("%-5zu  %-8s  %-16s  %-4s  %-7s  %-30s  %s\n", i, r.vendor.c_str(), r.product.c_str(),
                r.revision.c_str(), r.kind.c_str(), r.tray.c_str(), r.path.c_str());
  }
  return 0;
}

int AddVirtual(const std::vector<std::string>& args) {
  VirtualRecorderConfig config;
  bool haveFolder = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& option = args[i];
    if (i + 1 >= args.size()) {
      std::fprintf(stderr, "discmaster: %s needs a value\n", option.c_str());
      return Usage();
    }
    const std::string& value = args[++i];
    if (option == "--folder") {
      std::error_code ec;
      auto path = std::filesystem::weakly_canonical(std::filesystem::absolute(value, ec), ec);
      if (ec || value.empty()) return Fail("cannot use the folder " + value);
      config.folder = path.string();
      haveFolder = true;
    } else if (option == "--vendor") {
      config.vendor = value;
    } else if (option == "--product") {
      config.product = value;
    } else if (option == "--revision") {
      config.revision = value;
    } else if (option == "--media") {
      config.media = value;
    } else if (option == "--minutes") {
      if (!ParseUnsigned(value, &config.minutes)) return Fail("--minutes must be 74 or 80");
    } else if (option == "--speed") {
      if (value == "max")
        config.speed = 0;
      else if (!ParseUnsigned(value, &config.speed) || config.speed == 0)
        return Fail("--speed must be a number from 1 to 100, or max");
    } else {
      std::fprintf(stderr, "discmaster: unknown option %s\n", option.c_str());
      return Usage();
    }
  }
  if (!haveFolder) {
    std::fprintf(stderr, "discmaster: add-virtual needs --folder DIR\n");
    return Usage();
  }
  if (std::string why = CVirtualRecorderStore::Check(config); !why.empty()) return Fail(why);
  std::error_code ec;
  std::filesystem::create_directories(config.folder, ec);
  if (ec) return Fail("cannot create the folder " + config.folder + ": " + ec.message());
  if (::access(config.folder.c_str(), W_OK | X_OK) != 0) return Fail("cannot write into the folder " + config.folder);
  try {
    CVirtualRecorderStore store;
    unsigned number = store.Add(config);
    size_t index = 0;
    for (const auto& c : store.Load()) {
      if (c.number == number) break;
      ++index;
    }
    std::printf("Added virtual recorder %zu: %s %s %s in %s\n", index, config.vendor.c_str(), config.product.c_str(),
                config.revision.c_str(), config.folder.c_str());
  } catch (const std::exception& e) {
    return Fail(e.what());
  }
  return 0;
}

int Remove(const std::string& text) {
  unsigned index = 0;
  if (!ParseUnsigned(text, &index)) return Fail("INDEX must be a recorder's number as shown by discmaster list");
  try {
    CVirtualRecorderStore store;
    auto configs = store.Load();
    if (index >= configs.size()) {
      return Fail("recorder " + text +
                  " is not a virtual recorder (see discmaster list; real drives cannot be removed)");
    }
    if (!store.Remove(configs[index].number)) return Fail("recorder " + text + " was removed meanwhile");
    std::printf("Removed virtual recorder %u (%s); its images stay in the folder\n", index,
                configs[index].folder.c_str());
  } catch (const std::exception& e) {
    return Fail(e.what());
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) return Usage();
  const std::string command = args[0];
  args.erase(args.begin());
  if (command == "list" && args.empty()) return List();
  if (command == "add-virtual") return AddVirtual(args);
  if (command == "remove" && args.size() == 1) return Remove(args[0]);
  if (command == "--help" || command == "-h") {
    Usage(stdout);
    return 0;
  }
  if (command == "--version" && args.empty()) {
    std::printf("discmaster %s\n", CANTREL_VERSION);
    return 0;
  }
  return Usage();
}
