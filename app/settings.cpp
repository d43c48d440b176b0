#include "app/settings.h"

#include <algorithm>
#include <array>
#include <limits>

#include "platform/ascii.h"
#include "platform/platform.h"

namespace solvane {

Settings settings;
Settings defaultSettings;
std::vector<DefaultsEntry> defaultsTable;
std::string webSiteAddress;

namespace {

// The two complaints of the default-text parser, as the program has always shown them.
constexpr std::string_view kBadFormatMessage = "неправильный формат файла def_settings.txt";
constexpr std::string_view kMissingKeyMessage = "Не найден параметр в файле def_settings.txt";

// A stored value equal to this is taken as "not stored": reads preset their buffer with it.
constexpr uint32_t kAbsent = 10000;

// Format notes for the default-settings text: lines end at CR, optionally followed by LF (a lone
// LF does not end a line); every byte that is 32 or less as a signed char is dropped, which
// removes blanks, control characters and all code-page letters of the comments; ';' starts a
// comment; "key=value" otherwise.
void AddDefaultsLine(std::string_view raw) {
  std::string line;
  for (char c : raw) {
    if (static_cast<signed char>(c) > 32) line.push_back(c);
  }
  if (size_t semicolon = line.find(';'); semicolon != std::string::npos) line.resize(semicolon);
  if (line.empty()) return;

  DefaultsEntry entry;
  if (size_t equals = line.find('='); equals == std::string::npos) {
    Host().ShowMessage(kBadFormatMessage, "");
    entry = {line, line};
  } else {
    entry = {line.substr(0, equals), line.substr(equals + 1)};
  }
  if (defaultsTable.size() < kMaxDefaultsEntries) defaultsTable.push_back(std::move(entry));
}

}  // namespace

void LoadDefaultsText() {
  LoadDefaultsText(Host().Resource("CustomData", kDefaultsTextResource));
}

void LoadDefaultsText(std::span<const uint8_t> text) {
  defaultsTable.clear();
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = pos;
    while (end < text.size() && text[end] != '\r') ++end;
    AddDefaultsLine(std::string_view(reinterpret_cast<const char*>(text.data()) + pos, end - pos));
    pos = end;
    if (pos < text.size() && text[pos] == '\r') ++pos;
    if (pos < text.size() && text[pos] == '\n') ++pos;
  }
  webSiteAddress = DefaultsValue("main_web_site_url");
}

std::string DefaultsValue(std::string_view key) {
  std::string wanted = AsciiLower(key);
  for (const DefaultsEntry& entry : defaultsTable) {
    if (AsciiLower(entry.key) == wanted) return entry.value;
  }
  Host().ShowMessage(kMissingKeyMessage, wanted);
  return {};
}

int32_t LeadingInteger(std::string_view text) {
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int64_t magnitude = 0;
  constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    magnitude = std::min(magnitude * 10 + (text[i] - '0'), kLimit);
  }
  int64_t value = negative ? -magnitude : magnitude;
  if (value > std::numeric_limits<int32_t>::max()) value = std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(value);
}

int32_t DefaultsInt(std::string_view key) {
  std::string value = DefaultsValue(key);
  if (value == "true") return 1;
  if (value == "false") return 0;
  return LeadingInteger(value);
}

void ApplyDefaults(Settings& record) {
  record.width = DefaultsInt("MW");
  record.height = DefaultsInt("MH");
  record.bitsPerPixel = DefaultsInt("MBitCount");
  record.music = DefaultsInt("Music") != 0;
  record.musicVolume = DefaultsInt("MusicVolume");
  record.showTime = DefaultsInt("ShowTime") != 0;
  record.clock12h = DefaultsInt("DigClock_24H") != 0;
  // Wrapping subtraction: an absurd text value must not overflow.
  record.gamma = static_cast<int32_t>(static_cast<uint32_t>(DefaultsInt("GammControl")) - 50u);
  record.defaultGamma = DefaultsInt("DefGamma") != 0;
  record.exitOnMouseMove = DefaultsInt("ExitOnMouseMove") != 0;
  record.showFps = DefaultsInt("ShowFPS") != 0;
  record.useDesktop = DefaultsInt("UseDktpSet") != 0;
  record.cameraSpeed = DefaultsInt("CameraSpeed");
}

namespace {

// Where each stored value lands in the record; either a flag or a number.
struct StoredField {
  const char* name;
  bool Settings::*flag;
  int32_t Settings::*number;
};

constexpr std::array<StoredField, 15> kReadOrder = {{
    {"ShowClock", &Settings::showTime, nullptr},
    {"TimeFormat", &Settings::clock12h, nullptr},
    {"EnableMusic", &Settings::music, nullptr},
    {"UseDesktop", &Settings::useDesktop, nullptr},
    {"DefGamma", &Settings::defaultGamma, nullptr},
    {"Width", nullptr, &Settings::width},
    {"Height", nullptr, &Settings::height},
    {"Depth", nullptr, &Settings::bitsPerPixel},
    {"Volume", nullptr, &Settings::musicVolume},
    {"Gamma", nullptr, &Settings::gamma},
    {"Speed", nullptr, &Settings::cameraSpeed},
    {"ShowFPS", &Settings::showFps, nullptr},
    {"VSync", &Settings::vsync, nullptr},
    {"MouseExit", &Settings::exitOnMouseMove, nullptr},
    {"MaxFPS", nullptr, &Settings::maxFps},
}};

}  // namespace

void ReadRegistrySettings() {
  std::array<NamedValue, kReadOrder.size()> values;
  for (size_t i = 0; i < values.size(); ++i) values[i] = {kReadOrder[i].name, kAbsent};
  Host().Settings().Read(values);

  for (size_t i = 0; i < values.size(); ++i) {
    const uint32_t stored = values[i].value;
    if (stored == kAbsent) continue;
    if (kReadOrder[i].flag) {
      settings.*kReadOrder[i].flag = stored != 0;
    } else {
      settings.*kReadOrder[i].number = static_cast<int32_t>(stored);
    }
  }
  if (settings.defaultGamma) settings.gamma = 50;
  settings.content = Host().Settings().ReadText("Content");
}

void WriteRegistrySettings() {
  const auto number = [](int32_t n) { return static_cast<uint32_t>(n); };
  // "ShowFlame" is still written for the sake of older versions; nothing reads it back.
  const std::array<NamedValue, 15> values = {{
      {"ShowClock", settings.showTime},
      {"TimeFormat", settings.clock12h},
      {"EnableMusic", settings.music},
      {"UseDesktop", settings.useDesktop},
      {"ShowFlame", 0},
      {"DefGamma", settings.defaultGamma},
      {"Width", number(settings.width)},
      {"Height", number(settings.height)},
      {"Depth", number(settings.bitsPerPixel)},
      {"Volume", number(settings.musicVolume)},
      {"Speed", number(settings.cameraSpeed)},
      {"Gamma", number(settings.gamma)},
      {"VSync", settings.vsync},
      {"MouseExit", settings.exitOnMouseMove},
      {"ShowFPS", settings.showFps},
  }};
  Host().Settings().Write(values);
}

std::string SettingsReport() {
  return "Settings\n" + FormatSettings(settings) + "DefaultSettings\n" +
         FormatSettings(defaultSettings);
}

std::string FormatSettings(const Settings& s) {
  std::string out;
  const auto flag = [&](const char* name, bool value) {
    out += name;
    out += value ? "=1\n" : "=0\n";
  };
  const auto number = [&](const char* name, int32_t value) {
    out += name;
    out += '=';
    out += std::to_string(value);
    out += '\n';
  };
  flag("music", s.music);
  flag("showTime", s.showTime);
  flag("showFps", s.showFps);
  flag("vsync", s.vsync);
  flag("useDesktop", s.useDesktop);
  flag("exitOnMouseMove", s.exitOnMouseMove);
  flag("defaultGamma", s.defaultGamma);
  flag("clock12h", s.clock12h);
  number("cameraSpeed", s.cameraSpeed);
  number("musicVolume", s.musicVolume);
  number("gamma", s.gamma);
  number("width", s.width);
  number("height", s.height);
  number("bitsPerPixel", s.bitsPerPixel);
  number("maxFps", s.maxFps);
  out += "content=" + s.content + "\n";
  return out;
}

void ResetSettings() {
  settings = {};
  defaultSettings = {};
  defaultsTable.clear();
  webSiteAddress.clear();
}

}  // namespace solvane
