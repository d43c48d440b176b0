// What the tool's subcommands share: the usage text and the --content option.
#pragma once

#include "platform/headless/headless_platform.h"

namespace solvane {

inline constexpr int kUsageError = 2;

// Prints the usage text; returns kUsageError.
int ToolUsage();

// Reads `[--content ARCHIVE]` (nothing else) into `options`: the file replaces the embedded
// content archive. False, with a message on stderr, for other arguments or an unreadable file.
// 0, or the exit code: kUsageError for a malformed option, 1 for an archive that cannot be used.
int ReadContentOption(int argc, char** argv, HeadlessOptions& options);
// The archive at `path` in place of the embedded one; false, with a message, when unreadable.
bool ReadContentFile(const char* path, HeadlessOptions& options);

}  // namespace solvane
