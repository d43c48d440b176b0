#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/posix/settings_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  solvane::ParseSettingsFile(text);
  // Whatever the file held, written values must read back as written.
  const solvane::NamedValue values[] = {{"Width", 1024}, {"Gamma", 0xFFFFFFFF}};
  const solvane::SettingsFileContents after =
      solvane::ParseSettingsFile(solvane::UpdateSettingsFile(text, values));
  if (after.values.at("width") != 1024 || after.values.at("gamma") != 0xFFFFFFFF) std::abort();
  return 0;
}
