#include "platform/sdl/settings_file.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "platform/ascii.h"

namespace solvane {

namespace {

// A settings file is a handful of lines; anything much larger is not one.
constexpr std::uintmax_t kMaxFileSize = 1 << 20;
constexpr int kMaxWarningsShown = 10;

std::string_view Trim(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

bool IsNameChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

std::optional<uint32_t> ParseValue(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  if (text.empty() || text.size() > 10) return std::nullopt;
  uint64_t magnitude = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    magnitude = magnitude * 10 + uint64_t(c - '0');
  }
  if (negative ? magnitude > 0x80000000u : magnitude > 0xFFFFFFFFu) return std::nullopt;
  return static_cast<uint32_t>(negative ? 0u - magnitude : magnitude);
}

struct Entry {
  std::string_view name;
  uint32_t value;
};

// One line: nullopt with no reason for a comment, nullopt with a reason for a bad line.
std::optional<Entry> ParseLine(std::string_view line, std::string& reason) {
  line = Trim(line);
  if (line.empty() || line[0] == '#') return std::nullopt;
  const size_t equals = line.find('=');
  if (equals == std::string_view::npos) {
    reason = "no '='";
    return std::nullopt;
  }
  const std::string_view name = Trim(line.substr(0, equals));
  if (name.empty() || name.size() > 64 || !std::all_of(name.begin(), name.end(), IsNameChar)) {
    reason = "not a value name";
    return std::nullopt;
  }
  const std::optional<uint32_t> value = ParseValue(Trim(line.substr(equals + 1)));
  if (!value) {
    reason = "not a 32-bit decimal number";
    return std::nullopt;
  }
  return Entry{name, *value};
}

template <typename Visit>
void ForEachLine(std::string_view text, Visit visit) {
  size_t number = 1;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    visit(number++, text.substr(0, end));
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
}

std::string FormatLine(const NamedValue& value) {
  return std::string(value.name) + "=" + std::to_string(static_cast<int32_t>(value.value));
}

std::optional<std::string> ReadWholeFile(const std::string& path, std::string& problem) {
  std::error_code error;
  if (!std::filesystem::exists(path, error)) return std::nullopt;
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  if (error) {
    problem = error.message();
    return std::nullopt;
  }
  if (size > kMaxFileSize) {
    problem = "larger than a settings file can be";
    return std::nullopt;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    problem = "cannot be read";
    return std::nullopt;
  }
  std::ostringstream text;
  text << in.rdbuf();
  return std::move(text).str();
}

}  // namespace

SettingsFileContents ParseSettingsFile(std::string_view text) {
  SettingsFileContents contents;
  ForEachLine(text, [&](size_t number, std::string_view line) {
    std::string reason;
    if (std::optional<Entry> entry = ParseLine(line, reason)) {
      contents.values[AsciiLower(entry->name)] = entry->value;
    } else if (!reason.empty()) {
      contents.warnings.push_back("line " + std::to_string(number) + ": " + reason);
    }
  });
  return contents;
}

std::string UpdateSettingsFile(std::string_view text, std::span<const NamedValue> values) {
  std::map<std::string, const NamedValue*> pending;
  for (const NamedValue& value : values) pending[AsciiLower(value.name)] = &value;
  std::map<std::string, bool> written;

  std::string out;
  ForEachLine(text, [&](size_t, std::string_view line) {
    std::string reason;
    if (std::optional<Entry> entry = ParseLine(line, reason)) {
      const std::string key = AsciiLower(entry->name);
      if (auto it = pending.find(key); it != pending.end()) {
        if (written[key]) return;  // a later duplicate would override what is written now
        written[key] = true;
        out += FormatLine(*it->second) + "\n";
        return;
      }
    }
    out += line;
    out += '\n';
  });
  for (const NamedValue& value : values) {
    if (!written[AsciiLower(value.name)]) {
      written[AsciiLower(value.name)] = true;
      out += FormatLine(value) + "\n";
    }
  }
  return out;
}

std::string FileSettingsStore::DefaultPath() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config != nullptr && config[0] == '/') return std::string(config) + "/solvane/settings";
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] != '\0') return std::string(home) + "/.config/solvane/settings";
  return {};
}

void FileSettingsStore::Read(std::span<NamedValue> values) {
  if (path_.empty()) return;
  std::string problem;
  const std::optional<std::string> text = ReadWholeFile(path_, problem);
  if (!problem.empty()) {
    std::fprintf(stderr, "solvane: settings file %s: %s; using the defaults\n", path_.c_str(),
                 problem.c_str());
  }
  if (!text) return;

  const SettingsFileContents contents = ParseSettingsFile(*text);
  int shown = 0;
  for (const std::string& warning : contents.warnings) {
    if (shown++ == kMaxWarningsShown) {
      std::fprintf(stderr, "solvane: %s: further bad lines ignored\n", path_.c_str());
      break;
    }
    std::fprintf(stderr, "solvane: %s: %s; ignored\n", path_.c_str(), warning.c_str());
  }
  for (NamedValue& value : values) {
    if (auto it = contents.values.find(AsciiLower(value.name)); it != contents.values.end()) {
      value.value = it->second;
    }
  }
}

void FileSettingsStore::Write(std::span<const NamedValue> values) {
  if (path_.empty()) {
    std::fputs("solvane: no home directory; settings not saved\n", stderr);
    return;
  }
  std::string problem;
  const std::string old = ReadWholeFile(path_, problem).value_or("");
  if (!problem.empty()) {
    // Rewriting a file that could not be read would lose what it holds.
    std::fprintf(stderr, "solvane: settings file %s: %s; settings not saved\n", path_.c_str(),
                 problem.c_str());
    return;
  }
  const std::string text = UpdateSettingsFile(old, values);

  std::error_code error;
  std::filesystem::create_directories(std::filesystem::path(path_).parent_path(), error);
  // Written beside the file and renamed over it, so that a crash leaves the old or the new one.
  const std::string temporary = path_ + ".new";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << text;
    out.flush();
    if (!out) {
      std::fprintf(stderr, "solvane: cannot write %s; settings not saved\n", temporary.c_str());
      std::filesystem::remove(temporary, error);
      return;
    }
  }
  std::filesystem::rename(temporary, path_, error);
  if (error) {
    std::fprintf(stderr, "solvane: cannot replace %s: %s\n", path_.c_str(),
                 error.message().c_str());
    std::filesystem::remove(temporary, error);
  }
}

}  // namespace solvane
