// The line syntax shared by every text file of the scene: a keyword at the start of a line,
// values after it read with scanf-style formats, blocks closed by "end", files closed by their
// own end markers.
#pragma once

#include <cstddef>
#include <string>

#include "data/archive_file.h"

namespace solvane {

// A line matches a keyword when it begins with it: compared over the keyword's own length,
// case-sensitively, so "end" also closes a block at "endblock".
bool MatchesKeyword(const char* line, const char* keyword);

// The next line of `file` into `line` (ArchiveFile::kLineBufferSize bytes). False, with an
// empty line, once the data is used up: a file that lacks its end marker stops there.
bool NextLine(ArchiveFile& file, char* line);

// The longest word a line can hold.
inline constexpr size_t kWordLimit = ArchiveFile::kLineBufferSize - 1;

// The word after `keyword` (as "keyword %s" reads it), cut to `limit` characters; empty when
// the line has none.
std::string WordAfter(const char* line, const char* keyword, size_t limit);

}  // namespace solvane
