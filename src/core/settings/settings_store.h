// Typed named values under the program's one settings key.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "base/status.h"

namespace vr {

class RegDocument;

// A store answers a read with nothing when the value is missing or of
// another kind; value names match without regard to case.
class SettingsStore {
 public:
  virtual ~SettingsStore() = default;
  virtual std::optional<std::int32_t> ReadNumber(std::string_view name) const = 0;
  virtual std::optional<std::string> ReadText(std::string_view name) const = 0;
  virtual Status WriteNumber(std::string_view name, std::int32_t value) = 0;
  virtual Status WriteText(std::string_view name, std::string_view text) = 0;

  // Calls `read` once with a store that answers from the values as they
  // are at this moment, for reading many of them together (loading the
  // whole record). A store that reads a file for every value reads it once
  // here instead; this default answers from the store itself.
  virtual void ReadSnapshot(const std::function<void(const SettingsStore&)>& read) const { read(*this); }
};

// The store kept in one file in registry export text form. Every call reads
// or replaces the file, so several processes see each other's writes.
class RegFileStore final : public SettingsStore {
 public:
  explicit RegFileStore(std::string path);
  // $XDG_CONFIG_HOME/Corvelle/Varenna Pro.reg, ~/.config when unset.
  static std::string DefaultPath();

  const std::string& path() const { return path_; }
  // For a store the user named: fails, naming the file, when it is missing,
  // cannot be read or is not a settings file, where reads would quietly
  // answer nothing.
  Status CheckReadable() const;
  std::optional<std::int32_t> ReadNumber(std::string_view name) const override;
  std::optional<std::string> ReadText(std::string_view name) const override;
  Status WriteNumber(std::string_view name, std::int32_t value) override;
  Status WriteText(std::string_view name, std::string_view text) override;
  // Reads and parses the file once; a file that cannot be read gives a
  // snapshot without values, as single reads of it answer nothing.
  void ReadSnapshot(const std::function<void(const SettingsStore&)>& read) const override;

 private:
  // Reads the file under a lock, applies the change and replaces the file.
  Status Update(const std::function<void(RegDocument&)>& change);
  std::string path_;
};

}  // namespace vr
