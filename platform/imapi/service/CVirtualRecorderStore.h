// The virtual recorders' settings in the class registry, one key per
// recorder under Software\Cantrel\DiscMaster\VirtualRecorders, numbered in
// the order in which they were added.
#pragma once

#include <string>
#include <vector>

#include "platform/registry/Registry.h"

struct VirtualRecorderConfig {
  unsigned number = 0;  // the key's number; assigned by Add
  std::string folder;   // absolute
  std::string vendor = "VIRTUAL";
  std::string product = "CD-RW Recorder";
  std::string revision = "1.0";
  std::string media = "cd-r";  // the kind of blank disc in the tray: "cd-r" or "cd-rw"
  unsigned minutes = 80;       // 74 or 80
  unsigned speed = 0;          // times 75 blocks a second; 0: as fast as the disk allows
};

class CVirtualRecorderStore {
 public:
  static constexpr const char* kKey = "Software\\Cantrel\\DiscMaster\\VirtualRecorders";
  static constexpr size_t kVendorWidth = 8;
  static constexpr size_t kProductWidth = 16;
  static constexpr size_t kRevisionWidth = 4;
  static constexpr unsigned kMaxSpeed = 100;

  explicit CVirtualRecorderStore(reg::Registry registry = reg::Registry()) : m_registry(std::move(registry)) {}

  // In the order they were added. Entries that do not make sense (no
  // folder, unknown media) are skipped. Throws reg::RegistryError.
  std::vector<VirtualRecorderConfig> Load() const;
  // Empty when the settings are acceptable, else what is wrong.
  static std::string Check(const VirtualRecorderConfig& config);
  // Stores a new recorder after the others; returns its number. Throws
  // std::invalid_argument for bad settings or a folder already in use, and
  // reg::RegistryError.
  unsigned Add(VirtualRecorderConfig config);
  // false when no recorder has that number.
  bool Remove(unsigned number);

 private:
  static std::vector<VirtualRecorderConfig> FromTree(const reg::RegTree& tree);
  reg::Registry m_registry;
};
