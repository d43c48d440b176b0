#include "platform/posix/settings_file.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

// The values that hold text (a path) rather than a number.
bool IsTextName(std::string_view name) {
  return AsciiLower(name) == "content";
}

// A text value's line: its name and its text, blanks around both trimmed.
std::optional<std::pair<std::string_view, std::string_view>> ParseTextLine(std::string_view line) {
  line = Trim(line);
  const size_t equals = line.find('=');
  if (line.empty() || line[0] == '#' || equals == std::string_view::npos) return std::nullopt;
  const std::string_view name = Trim(line.substr(0, equals));
  if (!IsTextName(name)) return std::nullopt;
  return std::pair{name, Trim(line.substr(equals + 1))};
}

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
    if (const auto textValue = ParseTextLine(line)) {
      contents.texts[AsciiLower(textValue->first)] = std::string(textValue->second);
      return;
    }
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

std::string FileSettingsStore::ReadText(std::string_view name) {
  std::string problem;
  const std::optional<std::string> text =
      path_.empty() ? std::nullopt : ReadWholeFile(path_, problem);
  if (!text) return {};
  const SettingsFileContents contents = ParseSettingsFile(*text);
  const auto it = contents.texts.find(AsciiLower(name));
  return it != contents.texts.end() ? it->second : std::string();
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

namespace {

std::string DirectoryOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

// Where writing `path` must go: the end of its chain of symbolic links (which need not exist
// yet). Empty, with the reason in `problem`, for a chain that loops or cannot be read.
std::string FinalTarget(const std::string& path, std::string& problem) {
  std::string current = path;
  for (int hops = 0; hops < 40; ++hops) {
    struct stat status;
    if (::lstat(current.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) return current;
    std::vector<char> link(size_t(status.st_size > 0 ? status.st_size : 255) + 1);
    const ssize_t length = ::readlink(current.c_str(), link.data(), link.size());
    if (length < 0 || size_t(length) >= link.size()) {
      problem = length < 0 ? std::strerror(errno) : "a symbolic link that keeps changing";
      return {};
    }
    const std::string next(link.data(), size_t(length));
    current = !next.empty() && next[0] == '/' ? next : DirectoryOf(current) + next;
  }
  problem = std::strerror(ELOOP);
  return {};
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = EIO;
      return false;
    }
    bytes.remove_prefix(size_t(n));
  }
  return true;
}

}  // namespace

bool ReplaceFileContents(const std::string& path, std::string_view bytes, unsigned newMode,
                         std::string& problem) {
  if (path.empty()) {
    problem = "no file name given";
    return false;
  }
  const std::string target = FinalTarget(path, problem);
  if (target.empty()) return false;
  bool exists = false;
  mode_t mode = 0;  // the existing file's
  struct stat status;
  if (::stat(target.c_str(), &status) == 0) {
    if (S_ISDIR(status.st_mode)) {
      problem = "is a directory";
      return false;
    }
    if (!S_ISREG(status.st_mode)) {
      problem = "not a regular file";
      return false;
    }
    exists = true;
    mode = status.st_mode & 07777;
  } else if (errno != ENOENT) {
    problem = std::strerror(errno);
    return false;
  }

  // A name of our own making beside the target: the rename must not cross file systems.
  const std::string directory = DirectoryOf(target);
  const std::string base = target.substr(directory.size());
  std::string temporary;
  int fd = -1;
  unsigned salt = unsigned(::getpid()) * 2654435761u ^
                  unsigned(std::chrono::steady_clock::now().time_since_epoch().count());
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    salt = salt * 1103515245u + 12345u;
    char suffix[16];
    std::snprintf(suffix, sizeof(suffix), ".%08x", salt);
    temporary = directory + base + suffix;
    fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                mode_t(newMode));
    if (fd < 0 && errno != EEXIST) {
      problem = std::strerror(errno);
      return false;
    }
  }
  if (fd < 0) {
    problem = "no free temporary name beside it";
    return false;
  }
  int error = 0;
  if (!WriteAll(fd, bytes)) error = errno;
  if (error == 0 && exists && ::fchmod(fd, mode) != 0) error = errno;
  if (error == 0 && ::fsync(fd) != 0) error = errno;
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error == 0 && ::rename(temporary.c_str(), target.c_str()) != 0) error = errno;
  if (error != 0) {
    ::unlink(temporary.c_str());
    problem = std::strerror(error);
    return false;
  }
  // The rename is only durable once the directory is on disk too; failing that changes nothing
  // the caller could act on.
  const int directoryFd =
      ::open(directory.empty() ? "." : directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (directoryFd >= 0) {
    ::fsync(directoryFd);
    ::close(directoryFd);
  }
  return true;
}

bool FileSettingsStore::Save(std::span<const NamedValue> values) {
  if (path_.empty()) {
    std::fputs("solvane: no home directory; settings not saved\n", stderr);
    return false;
  }
  std::string problem;
  const std::string old = ReadWholeFile(path_, problem).value_or("");
  if (!problem.empty()) {
    // Rewriting a file that could not be read would lose what it holds.
    std::fprintf(stderr, "solvane: settings file %s: %s; settings not saved\n", path_.c_str(),
                 problem.c_str());
    return false;
  }
  const std::string text = UpdateSettingsFile(old, values);

  std::error_code error;
  std::filesystem::create_directories(std::filesystem::path(path_).parent_path(), error);
  if (!ReplaceFileContents(path_, text, 0600, problem)) {
    std::fprintf(stderr, "solvane: cannot write %s: %s; settings not saved\n", path_.c_str(),
                 problem.c_str());
    return false;
  }
  return true;
}

}  // namespace solvane
