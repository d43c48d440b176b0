// The configuration dialog without a toolkit: what each control shows, when it is enabled, and
// what each command does to the settings. A view per toolkit (Win32, GTK, a fake in the tests)
// shows the controls and reports the user's actions back.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace solvane::ui {

// Control ids, as the dialog template numbers them.
enum Control : int {
  kOk = 1,
  kCancel = 2,
  kModeList = 1000,
  kUseDesktop = 1001,
  kMusic = 1003,
  kShowTime = 1004,
  kRestoreDefaults = 1006,
  kVisit = 1007,
  kAbout = 1008,
  kExitOnMouseMove = 1011,
  kVolumeLabel = 1017,
  kVolumeSlider = 1026,
  kShowFps = 1027,
  kVsync = 1028,
  kGammaSlider = 1029,
  kBrightnessLabel = 1030,
  kDefaultGamma = 1032,
  kWebSiteLine = 1035,
  kClock24 = 1049,
  kClock12 = 1054,
  kCameraSlider = 1057,
  kVideoGroup = 1060,
  kOptionsGroup = 1061,
  kCameraGroup = 1062,
  kCameraLabel = 1063,
  kGammaGroup = 1064,
  kProductsGroup = 1065,
  kSoundGroup = 1067,
  kFirstAboutLine = 1068,  // to 1074
};

// What the model asks of a toolkit's dialog.
class DialogView {
 public:
  virtual ~DialogView() = default;
  virtual void SetCaption(const std::string& text) = 0;
  virtual void SetText(int control, const std::string& text) = 0;
  virtual void SetChecked(int control, bool checked) = 0;
  virtual bool IsChecked(int control) = 0;
  virtual void Enable(int control, bool enabled) = 0;
  virtual void SetSliderRange(int control, int low, int high, int page) = 0;
  virtual void SetSliderPosition(int control, int position) = 0;
  virtual int SliderPosition(int control) = 0;
  virtual void AddListItem(int control, const std::string& text) = 0;
  // Selects the first item with exactly this text; none when there is no such item.
  virtual void SelectListItem(int control, const std::string& text) = 0;
  // The selected item's text; "" when none is selected.
  virtual std::string SelectedListItem(int control) = 0;
  virtual void OpenWebAddress(const std::string& address) = 0;
  virtual void ShowAbout() = 0;
  virtual void EndDialog(int result) = 0;
};

// Horizontal-scroll notifications of the sliders.
enum class ScrollCode {
  LineUp,
  LineDown,
  PageUp,
  PageDown,
  ThumbPosition,
  ThumbTrack,
  Top,
  Bottom,
  EndScroll
};

// "%d x %d %d bits".
std::string ModeText(const DisplayMode& mode);
// The modes a display offers, as the list shows them: at least 640 x 480 x 16, and a mode the
// same as the one enumerated just before it listed once.
std::vector<std::string> ModeListTexts(const std::vector<DisplayMode>& enumerated);
// "%s (%d%%)".
std::string PercentLabel(const std::string& text, int percent);

class ConfigDialog {
 public:
  explicit ConfigDialog(DialogView& view) : view_(view) {}

  // Texts, the mode list (from the host's display), labels, check marks and enabled states.
  void Initialise();
  // A button or check box was clicked.
  void Command(int control);
  // A slider sent a notification.
  void Scroll(ScrollCode code);

 private:
  void ApplyStates();
  void SelectMode();
  void ReadSliders();
  void WriteLabels();

  DialogView& view_;
};

// The About dialog's caption and its seven lines.
std::string AboutCaption();
const std::array<std::string, 7>& AboutTexts();

// Opens the configuration dialog of this front end, owned by `parentWindow` (0: none), and
// returns when it closes. Each front end links its own.
void RunConfigurationDialog(uint32_t parentWindow);

}  // namespace solvane::ui
