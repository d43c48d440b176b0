// The texts of the configuration and About dialogs: one resource of lines in which a key line
// ("#key#") is followed by its text, so that the dialogs can be translated without touching
// them. Texts are single-byte (code page 1251), as the resource stores them.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace solvane {

// Resource "CustomData" 127.
inline constexpr int kStringTableResource = 127;
inline constexpr size_t kMaxStringTableLines = 200;

struct StringTable {
  std::vector<std::string> lines;  // in resource order; key lines lower-cased inside the marks
};
extern StringTable stringTable;

// The About dialog's lines: the about text split at '%'.
extern std::array<std::string, 7> AboutLines;

// Loads the string-table resource; every run mode does this at start-up.
void LoadStringTable();
void LoadStringTable(std::span<const uint8_t> text);

// The text after the key line for `key` (without the '#' marks, any case of A to Z); a key
// line matches when it begins with the key and is at most two bytes longer, so "#vsync#" is
// found by "vsync" but "#camera_speed#" is not found by "camera". Empty when there is none.
std::string LookupText(std::string_view key);

// Back to an empty table.
void ResetStringTable();

}  // namespace solvane
