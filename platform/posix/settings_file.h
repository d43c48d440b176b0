// The settings store of the Unix front ends: a text file of "Name=value" lines, one per stored
// value, under the names the Windows registry uses. A missing file or line means "not stored".
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace solvane {

struct SettingsFileContents {
  std::map<std::string, uint32_t> values;  // keyed by the lower-cased name; the last line wins
  std::map<std::string, std::string> texts;  // the text values, keyed the same way
  std::vector<std::string> warnings;       // one per ignored line
};

// Format notes: blank lines and lines starting with '#' are comments; otherwise "Name=value"
// with optional blanks around both; the value is a decimal integer that fits 32 bits, signed
// or not (negative numbers are stored as their two's complement). Anything else is ignored
// with a warning. Names match case-insensitively.
SettingsFileContents ParseSettingsFile(std::string_view text);

// `text` with the given values written into it: each replaces the first line of its name (later
// lines of that name go), the rest are appended; comments and lines that are not understood
// stay as they are, so nothing the user put there is lost.
std::string UpdateSettingsFile(std::string_view text, std::span<const NamedValue> values);

// Replaces the contents of the file at `path` with `bytes` so that a crash or a failed write
// leaves the old contents whole: the bytes go to a new file beside it, created exclusively (a
// name planted there is never followed) with `newMode` less the umask, written, synced and
// renamed over the file. An existing file keeps its mode. A symbolic link at
// `path` is written through: its final target is replaced and the link stays. Anything there
// that is not a regular file is refused and left alone. False, with the reason in `problem`, on
// any failure; no temporary file is left behind.
bool ReplaceFileContents(const std::string& path, std::string_view bytes, unsigned newMode,
                         std::string& problem);

class FileSettingsStore final : public SettingsStore {
 public:
  explicit FileSettingsStore(std::string path) : path_(std::move(path)) {}

  // $XDG_CONFIG_HOME/solvane/settings, or ~/.config/solvane/settings; "" when neither is known.
  static std::string DefaultPath();

  void Read(std::span<NamedValue> values) override;
  std::string ReadText(std::string_view name) override;
  // The store's interface keeps failures silent to its callers: Save says whether the values
  // were stored, and either way a failure is told on standard error.
  void Write(std::span<const NamedValue> values) override { Save(values); }
  bool Save(std::span<const NamedValue> values);
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace solvane
