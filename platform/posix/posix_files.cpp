#include "platform/posix/posix_files.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace solvane::posix {

std::string CreateTemporaryFile(std::string_view prefix) {
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

bool WriteWholeFile(const std::string& path, std::span<const uint8_t> bytes) {
  const int fd = open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  if (fd < 0) return false;
  size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + written, bytes.size() - written);
    if (n <= 0) break;
    written += size_t(n);
  }
  return close(fd) == 0 && written == bytes.size();
}

void RemoveFile(const std::string& path) {
  if (!path.empty()) unlink(path.c_str());
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

}  // namespace solvane::posix
