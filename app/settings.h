// User settings: the default-settings text carried in the program, and the user's stored values
// that override it field by field.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace solvane {

struct Settings {
  bool music = false;
  bool showTime = false;
  bool showFps = false;
  bool vsync = false;
  bool useDesktop = false;
  bool exitOnMouseMove = false;
  bool defaultGamma = false;
  bool clock12h = false;  // 12-hour clock with an am/pm glyph
  int32_t cameraSpeed = 0;
  int32_t musicVolume = 0;
  int32_t gamma = 0;  // 0 to 100, 50 neutral
  int32_t width = 0;
  int32_t height = 0;
  int32_t bitsPerPixel = 0;
  // Frames per second at most; 0 for no limit. Not in the default text and not written by the
  // dialog: "MaxFPS" in the store, set by hand or for one run on the command line.
  int32_t maxFps = 0;
  // A mod's content archive to play instead of the carried scene; "" for the carried one.
  // "Content" in the store, a text value.
  std::string content;

  friend bool operator==(const Settings&, const Settings&) = default;
};

// The settings in force, and the values "Restore Defaults" goes back to.
extern Settings settings;
extern Settings defaultSettings;

struct DefaultsEntry {
  std::string key;
  std::string value;
  friend bool operator==(const DefaultsEntry&, const DefaultsEntry&) = default;
};

// The parsed default-settings text, in file order.
extern std::vector<DefaultsEntry> defaultsTable;
inline constexpr size_t kMaxDefaultsEntries = 100;

// The web address the configuration dialog's "Visit..." button opens.
extern std::string webSiteAddress;

// Resource "CustomData" 128.
inline constexpr int kDefaultsTextResource = 128;

// Parses the default-settings resource into `defaultsTable` and fills `webSiteAddress`.
void LoadDefaultsText();
void LoadDefaultsText(std::span<const uint8_t> text);

// The value of `key` (case-insensitive over A to Z); a message box and "" when it is missing.
std::string DefaultsValue(std::string_view key);
// "true" is 1, "false" is 0, anything else its leading decimal integer (0 when none).
int32_t DefaultsInt(std::string_view key);
// Writes the thirteen fields that default keys cover; `vsync` is left alone.
void ApplyDefaults(Settings& record);

// The user's stored values override `settings`; a stored 10000 counts as absent.
void ReadRegistrySettings();
// Stores `settings` (the configuration dialog's OK).
void WriteRegistrySettings();

// Reading a decimal integer the way the default text is read: optional sign, then digits,
// saturated to the 32-bit range; 0 when there are no digits.
int32_t LeadingInteger(std::string_view text);

// One "field=value" line per field, in the record's order.
std::string FormatSettings(const Settings& record);
// The settings in force and the defaults: "Settings" and "DefaultSettings" blocks of
// FormatSettings lines.
std::string SettingsReport();

// Back to the start-of-process state.
void ResetSettings();

}  // namespace solvane
