// Temporary files and loadable modules on POSIX systems, shared by the SDL and headless
// front ends.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace solvane::posix {

// mkstemp in $TMPDIR (or /tmp): "<dir>/<prefix>XXXXXX".
std::string CreateTemporaryFile(std::string_view prefix);
bool WriteWholeFile(const std::string& path, std::span<const uint8_t> bytes);
void RemoveFile(const std::string& path);
ModuleHandle OpenModule(const std::string& path);
void* ModuleSymbol(ModuleHandle module, const char* name);
void CloseModule(ModuleHandle module);

}  // namespace solvane::posix
