#include "platform/posix/posix_files.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <vector>

namespace solvane::posix {

namespace {

constexpr std::string_view kMemoryFilePrefix = "/proc/self/fd/";

// The memory files this process made: their descriptors keep them alive until RemoveFile.
std::mutex memoryFilesLock;
std::vector<int> memoryFiles;

int MemoryFileDescriptor(const std::string& path) {
  if (!path.starts_with(kMemoryFilePrefix)) return -1;
  const int fd = std::atoi(path.c_str() + kMemoryFilePrefix.size());
  const std::lock_guard lock(memoryFilesLock);
  return std::find(memoryFiles.begin(), memoryFiles.end(), fd) != memoryFiles.end() ? fd : -1;
}

volatile std::sig_atomic_t quitSignal = 0;

void NoteQuitSignal(int signal) {
  quitSignal = signal;
}

}  // namespace

std::string CreateNamedTemporaryFile(std::string_view prefix) {
  const char* directory = std::getenv("TMPDIR");
  std::string pattern = (directory != nullptr && directory[0] != '\0') ? directory : "/tmp";
  pattern += '/';
  pattern += prefix;
  pattern += "XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = mkstemp(name.data());
  if (fd < 0) return {};
  close(fd);
  return name.data();
}

std::string CreateTemporaryFile(std::string_view prefix) {
  const std::string name(prefix);
  // The loader opens the file again by its /proc path, so the descriptor must stay open (and
  // is not inherited by children).
  const int fd = memfd_create(name.c_str(), MFD_CLOEXEC);
  if (fd >= 0) {
    const std::string path = std::string(kMemoryFilePrefix) + std::to_string(fd);
    // Without /proc the path would name nothing: then the named kind is the only one.
    if (access(path.c_str(), F_OK) == 0) {
      const std::lock_guard lock(memoryFilesLock);
      memoryFiles.push_back(fd);
      return path;
    }
    close(fd);
  }
  return CreateNamedTemporaryFile(prefix);
}

bool WriteWholeFile(const std::string& path, std::span<const uint8_t> bytes) {
  const int fd = open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  if (fd < 0) return false;
  size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + written, bytes.size() - written);
    if (n <= 0) break;
    written += size_t(n);
  }
  // A full disk may accept every write and still fail to keep the data: the size is checked
  // after the data is flushed.
  struct stat status {};
  const bool whole = written == bytes.size() && fsync(fd) == 0 && fstat(fd, &status) == 0 &&
                     status.st_size == static_cast<off_t>(bytes.size());
  return close(fd) == 0 && whole;
}

void RemoveFile(const std::string& path) {
  if (path.empty()) return;
  if (const int fd = MemoryFileDescriptor(path); fd >= 0) {
    {
      const std::lock_guard lock(memoryFilesLock);
      std::erase(memoryFiles, fd);
    }
    close(fd);
    return;
  }
  unlink(path.c_str());
}

ModuleHandle OpenModule(const std::string& path) {
  // Local symbols: the module's names stay out of the program's namespace.
  void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr)
    std::fprintf(stderr, "solvane: cannot load %s: %s\n", path.c_str(), dlerror());
  return reinterpret_cast<ModuleHandle>(module);
}

void* ModuleSymbol(ModuleHandle module, const char* name) {
  if (module == 0) return nullptr;
  return dlsym(reinterpret_cast<void*>(module), name);
}

void CloseModule(ModuleHandle module) {
  if (module != 0) dlclose(reinterpret_cast<void*>(module));
}

void InstallQuitSignals() {
  struct sigaction action {};
  action.sa_handler = NoteQuitSignal;
  sigemptyset(&action.sa_mask);
  // No SA_RESTART: a wait for the next frame ends at once.
  action.sa_flags = 0;
  for (const int signal : {SIGTERM, SIGINT, SIGHUP, SIGQUIT}) sigaction(signal, &action, nullptr);
}

int QuitSignal() {
  return quitSignal;
}

void ResetQuitSignal() {
  quitSignal = 0;
}

uint64_t MonotonicMilliseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return uint64_t(now.tv_sec) * 1000 + uint64_t(now.tv_nsec) / 1000000;
}

double ProcessAgeMilliseconds() {
  std::FILE* stat = std::fopen("/proc/self/stat", "r");
  if (stat == nullptr) return -1;
  unsigned long long startTicks = 0;
  // Field 22 is the start time in clock ticks after boot; the name in field 2 has no spaces
  // for these programs.
  const int read = std::fscanf(stat,
                               "%*d %*s %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %*u %*u "
                               "%*d %*d %*d %*d %*d %*d %llu",
                               &startTicks);
  std::fclose(stat);
  timespec now{};
  if (read != 1 || clock_gettime(CLOCK_BOOTTIME, &now) != 0) return -1;
  const double ticksPerSecond = double(sysconf(_SC_CLK_TCK));
  return (double(now.tv_sec) + double(now.tv_nsec) / 1e9 - double(startTicks) / ticksPerSecond) *
         1000;
}

}  // namespace solvane::posix
