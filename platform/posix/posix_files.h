// Temporary files, loadable modules and the quit signals on POSIX systems, shared by the SDL and
// headless front ends.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace solvane::posix {

// A new empty file for this run. An anonymous memory file where the system has them (its path
// is "/proc/self/fd/N"; nothing is left behind whatever ends the process), otherwise mkstemp in
// $TMPDIR (or /tmp): "<dir>/<prefix>XXXXXX". "" when neither can be made.
std::string CreateTemporaryFile(std::string_view prefix);
// The named kind only, for systems or tests without memory files.
std::string CreateNamedTemporaryFile(std::string_view prefix);
// Replaces the file's contents with `bytes`; true only when every byte is written and the file
// then has exactly that size.
bool WriteWholeFile(const std::string& path, std::span<const uint8_t> bytes);
// Removes a named file, or closes a memory file made by CreateTemporaryFile.
void RemoveFile(const std::string& path);
ModuleHandle OpenModule(const std::string& path);
void* ModuleSymbol(ModuleHandle module, const char* name);
void CloseModule(ModuleHandle module);

// SIGTERM, SIGINT, SIGHUP and SIGQUIT end a run in order: the handlers only note the signal,
// and the message pump reports it as the quit message at the next frame.
void InstallQuitSignals();
// The signal that asked the run to end; 0 when none did.
int QuitSignal();
void ResetQuitSignal();

// Milliseconds on the system's monotonic clock (never set back, counting from an arbitrary start).
uint64_t MonotonicMilliseconds();

// Milliseconds since the process started, from the kernel's record of its start; -1 when the
// system does not say.
double ProcessAgeMilliseconds();

}  // namespace solvane::posix
