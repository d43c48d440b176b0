#include "app/string_table.h"

#include "platform/ascii.h"
#include "platform/platform.h"

namespace solvane {

StringTable stringTable;
std::array<std::string, 7> AboutLines;

void LoadStringTable() {
  LoadStringTable(Host().Resource("CustomData", kStringTableResource));
}

void LoadStringTable(std::span<const uint8_t> text) {
  stringTable.lines.clear();
  size_t at = 0;
  // Lines end at a line feed; carriage returns and zero bytes are dropped. Lines past the
  // table's size are not kept.
  while (at < text.size() && stringTable.lines.size() < kMaxStringTableLines) {
    std::string line;
    for (; at < text.size() && text[at] != '\n'; ++at) {
      if (text[at] != '\r' && text[at] != '\0') line += char(text[at]);
    }
    if (at < text.size()) ++at;  // the line feed
    if (!line.empty() && line[0] == '#') {
      for (size_t i = 1; i + 1 < line.size(); ++i) line[i] = AsciiLower(line[i]);
    }
    stringTable.lines.push_back(std::move(line));
  }

  AboutLines = {};
  size_t current = 0;
  for (const char c : LookupText("about_window_text")) {
    if (c == '%') {
      ++current;
    } else if (current < AboutLines.size()) {
      AboutLines[current] += c;
    }
  }
}

std::string LookupText(std::string_view key) {
  const std::string lowered = AsciiLower(key);
  const std::vector<std::string>& lines = stringTable.lines;
  for (size_t i = 0; i + 1 < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (line.empty() || line[0] != '#') continue;
    if (line.compare(1, lowered.size(), lowered) != 0) continue;
    const size_t difference =
        line.size() > lowered.size() ? line.size() - lowered.size() : lowered.size() - line.size();
    if (difference <= 2) return lines[i + 1];
  }
  return {};
}

void ResetStringTable() {
  stringTable = {};
  AboutLines = {};
}

}  // namespace solvane
