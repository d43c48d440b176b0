#include "ui/config_dialog.h"

#include <cstdio>

#include "app/settings.h"
#include "app/string_table.h"

namespace solvane::ui {

namespace {

struct TextOf {
  int control;
  const char* key;
};

// The texts set when the dialog opens; the About button's gets "..." after it.
constexpr TextOf kTexts[] = {
    {kVideoGroup, "video_mode_selection"},
    {kGammaGroup, "gamma_control"},
    {kUseDesktop, "use_desktop_settings"},
    {kMusic, "enable_music"},
    {kShowTime, "show_time"},
    {kRestoreDefaults, "restore_defaults"},
    {kVisit, "visit..."},
    {kExitOnMouseMove, "exit_on_mouse_move"},
    {kShowFps, "show_fps"},
    {kVsync, "vsync"},
    {kCameraGroup, "camera_options"},
    {kWebSiteLine, "visit_our_official_web-site"},
    {kBrightnessLabel, "brightness"},
    {kProductsGroup, "products"},
    {kDefaultGamma, "use_by_default"},
    {kCameraLabel, "camera_speed"},
    {kClock12, "12h_style"},
    {kClock24, "24h_style"},
    {kOk, "ok"},
    {kCancel, "cancel"},
    {kSoundGroup, "sound_control"},
    {kOptionsGroup, "options"},
};

// Sliders: control, low, high, page.
struct SliderRange {
  int control, low, high, page;
};
constexpr SliderRange kSliders[] = {
    {kVolumeSlider, 1, 100, 10}, {kGammaSlider, 0, 100, 10}, {kCameraSlider, 0, 100, 10}};

}  // namespace

std::string ModeText(const DisplayMode& mode) {
  char text[64];
  std::snprintf(text, sizeof text, "%d x %d %d bits", mode.width, mode.height, mode.bitsPerPixel);
  return text;
}

std::vector<std::string> ModeListTexts(const std::vector<DisplayMode>& enumerated) {
  std::vector<std::string> texts;
  DisplayMode previous{};
  for (const DisplayMode& mode : enumerated) {
    // Compared as the system stores them, unsigned.
    if (uint32_t(mode.width) < 640 || uint32_t(mode.height) < 480 ||
        uint32_t(mode.bitsPerPixel) < 16) {
      continue;
    }
    if (mode != previous) texts.push_back(ModeText(mode));
    previous = mode;
  }
  return texts;
}

std::string PercentLabel(const std::string& text, int percent) {
  return text + " (" + std::to_string(percent) + "%)";
}

void ConfigDialog::Initialise() {
  view_.SetCaption(LookupText("screensaver_configuration"));
  for (const TextOf& text : kTexts) view_.SetText(text.control, LookupText(text.key));
  view_.SetText(kAbout, LookupText("about") + "...");

  std::vector<DisplayMode> modes;
  DisplayMode mode;
  for (uint32_t i = 0; Host().DisplayModeAt(i, mode); ++i) modes.push_back(mode);
  for (const std::string& text : ModeListTexts(modes)) view_.AddListItem(kModeList, text);
  for (const SliderRange& slider : kSliders) {
    view_.SetSliderRange(slider.control, slider.low, slider.high, slider.page);
  }
  SelectMode();
  ApplyStates();
}

void ConfigDialog::SelectMode() {
  if (settings.useDesktop) {
    view_.SelectListItem(kModeList, ModeText(Host().CurrentDisplayMode()));
  } else {
    view_.SelectListItem(kModeList,
                         ModeText({settings.width, settings.height, settings.bitsPerPixel}));
  }
  view_.Enable(kModeList, !settings.useDesktop);
}

void ConfigDialog::WriteLabels() {
  view_.SetText(kVolumeLabel, PercentLabel(LookupText("master_volume:"), settings.musicVolume));
  view_.SetText(kBrightnessLabel, PercentLabel(LookupText("brightness"), settings.gamma + 50));
}

void ConfigDialog::ApplyStates() {
  WriteLabels();
  view_.SetChecked(kUseDesktop, settings.useDesktop);
  view_.SetChecked(kMusic, settings.music);
  view_.SetChecked(kShowTime, settings.showTime);
  view_.SetChecked(kShowFps, settings.showFps);
  view_.SetChecked(kVsync, settings.vsync);
  view_.SetChecked(kExitOnMouseMove, settings.exitOnMouseMove);
  view_.SetChecked(kDefaultGamma, settings.defaultGamma);
  view_.SetChecked(kClock12, settings.clock12h);
  view_.SetChecked(kClock24, !settings.clock12h);
  view_.Enable(kVolumeSlider, settings.music);
  view_.Enable(kVolumeLabel, settings.music);
  view_.Enable(kGammaSlider, !settings.defaultGamma);
  view_.Enable(kBrightnessLabel, !settings.defaultGamma);
  view_.Enable(kClock12, settings.showTime);
  view_.Enable(kClock24, settings.showTime);
  view_.SetSliderPosition(kVolumeSlider, settings.musicVolume);
  view_.SetSliderPosition(kGammaSlider, settings.gamma);
  view_.SetSliderPosition(kCameraSlider, settings.cameraSpeed);
}

void ConfigDialog::ReadSliders() {
  settings.musicVolume = view_.SliderPosition(kVolumeSlider);
  settings.gamma = view_.SliderPosition(kGammaSlider);
  settings.cameraSpeed = view_.SliderPosition(kCameraSlider);
}

void ConfigDialog::Command(int control) {
  const auto toggle = [&](bool& flag) {
    flag = !flag;
    view_.SetChecked(control, flag);
  };
  switch (control) {
    case kUseDesktop:
      toggle(settings.useDesktop);
      if (settings.useDesktop) SelectMode();
      view_.Enable(kModeList, !settings.useDesktop);
      break;
    case kMusic:
      toggle(settings.music);
      view_.Enable(kVolumeSlider, settings.music);
      view_.Enable(kVolumeLabel, settings.music);
      break;
    case kShowTime:
      toggle(settings.showTime);
      view_.Enable(kClock12, settings.showTime);
      view_.Enable(kClock24, settings.showTime);
      break;
    case kExitOnMouseMove:
      toggle(settings.exitOnMouseMove);
      break;
    case kShowFps:
      toggle(settings.showFps);
      break;
    case kVsync:
      toggle(settings.vsync);
      break;
    case kDefaultGamma:
      toggle(settings.defaultGamma);
      settings.gamma = 50;
      view_.SetSliderPosition(kGammaSlider, 50);
      WriteLabels();
      view_.Enable(kGammaSlider, !settings.defaultGamma);
      view_.Enable(kBrightnessLabel, !settings.defaultGamma);
      break;
    case kRestoreDefaults:
      settings = defaultSettings;
      SelectMode();
      ApplyStates();
      break;
    case kVisit:
      view_.OpenWebAddress(webSiteAddress);
      break;
    case kAbout:
      view_.ShowAbout();
      break;
    case kOk: {
      // The sliders are read back here too: an arrow key moves a slider without a page or
      // track notification, and what is stored must be what the dialog shows.
      ReadSliders();
      DisplayMode mode{settings.width, settings.height, settings.bitsPerPixel};
      const std::string selected = view_.SelectedListItem(kModeList);
      if (!selected.empty() && std::sscanf(selected.c_str(), "%d x %d %d bits", &mode.width,
                                           &mode.height, &mode.bitsPerPixel) == 3) {
        settings.width = mode.width;
        settings.height = mode.height;
        settings.bitsPerPixel = mode.bitsPerPixel;
      }
      settings.clock12h = view_.IsChecked(kClock12);
      WriteRegistrySettings();
      view_.EndDialog(1);
      break;
    }
    case kCancel:
      view_.EndDialog(2);
      break;
    default:
      break;
  }
}

void ConfigDialog::Scroll(ScrollCode code) {
  if (code != ScrollCode::PageUp && code != ScrollCode::PageDown &&
      code != ScrollCode::ThumbTrack) {
    return;
  }
  ReadSliders();
  WriteLabels();
}

std::string AboutCaption() {
  return LookupText("about");
}

const std::array<std::string, 7>& AboutTexts() {
  return AboutLines;
}

}  // namespace solvane::ui
