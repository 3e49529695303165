// The per-user class registry: a text file of keys and values, in the way the
// platform's registry holds classes, ProgIDs, type libraries and service
// settings. COMPONENT_REGISTRY names the file; otherwise it lies under the
// XDG data directory. Every change is a locked read-modify-write that
// replaces the file atomically, so concurrent writers lose nothing; a file
// that does not parse is reported, never overwritten.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#if defined(__GNUC__)
#define PX_REG_EXPORT __attribute__((visibility("default")))
#else
#define PX_REG_EXPORT
#endif

namespace reg {

class PX_REG_EXPORT RegistryError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A value is text or a 32-bit number. The name "" is the key's default value.
using RegValue = std::variant<std::string, uint32_t>;

// Keys are paths with "\" separators ("CLSID\{...}\InprocServer32"),
// compared without regard to case and kept with the case first written.
class PX_REG_EXPORT RegTree {
 public:
  bool HasKey(std::string_view key) const;
  // Creates the key and its parents.
  void CreateKey(std::string_view key);
  // Removes the key, its values and every key below it; false if absent.
  bool DeleteKey(std::string_view key);
  bool DeleteValue(std::string_view key, std::string_view name);

  std::optional<RegValue> Get(std::string_view key, std::string_view name = {}) const;
  std::optional<std::string> GetString(std::string_view key, std::string_view name = {}) const;
  std::optional<uint32_t> GetDword(std::string_view key, std::string_view name = {}) const;
  // Creates the key if needed.
  void SetString(std::string_view key, std::string_view name, std::string_view value);
  void SetDword(std::string_view key, std::string_view name, uint32_t value);

  // Direct sub-key names (last path element, as written), sorted.
  std::vector<std::string> SubKeys(std::string_view key) const;
  // Value names of a key, sorted.
  std::vector<std::string> ValueNames(std::string_view key) const;

  // Lays over's keys on this tree: a key that over has keeps over's values
  // only, so a registration in over wins as a whole.
  void Overlay(const RegTree& over);

  std::string Serialize() const;
  // Throws RegistryError naming the line for damaged text.
  static RegTree Parse(std::string_view text);

  bool operator==(const RegTree& o) const;

 private:
  struct Key {
    std::string name;  // full path as first written
    std::map<std::string, std::pair<std::string, RegValue>> values;  // folded name -> (name, value)
  };
  std::map<std::string, Key> keys_;  // folded path -> key
};

class PX_REG_EXPORT Registry {
 public:
  // $COMPONENT_REGISTRY, else $XDG_DATA_HOME/cantrel/registry (or
  // ~/.local/share/cantrel/registry).
  static std::string DefaultPath();
  explicit Registry(std::string path = DefaultPath());

  const std::string& Path() const { return path_; }
  // A missing file is an empty registry. Throws RegistryError when the file
  // cannot be read or does not parse.
  RegTree Load() const;
  // Locks the file, loads it, applies edit and replaces it atomically.
  // Throws RegistryError (and leaves the file as it was) on any failure.
  void Update(const std::function<void(RegTree&)>& edit);

 private:
  std::string path_;
};

}  // namespace reg
