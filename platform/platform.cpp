#include "platform/platform.h"

#include <cstdio>
#include <cstdlib>

namespace solvane {

namespace {
Platform* host = nullptr;
}

Platform& Host() {
  if (host == nullptr) {
    std::fputs("solvane: no platform installed\n", stderr);
    std::abort();
  }
  return *host;
}

void SetHost(Platform* platform) {
  host = platform;
}

}  // namespace solvane
