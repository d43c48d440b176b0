// The configuration and About dialogs on Linux, in GTK 3: the Windows template's controls at
// its positions (dialog units scaled to pixels), driven by the toolkit-free dialog model.
// Built as a module of its own (ui/gtk_dialog_module.h), so that a saver run never loads GTK;
// the model and the rest of the core come from the program that loads it.
#include <gtk/gtk.h>

#include <cstdio>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "app/settings.h"
#include "platform/platform.h"
#include "ui/config_dialog.h"
#include "ui/gtk_dialog_module.h"

namespace solvane::ui {

namespace {

// Dialog units to pixels: roomy enough for GTK's fonts.
constexpr double kScaleX = 2.0;
constexpr double kScaleY = 2.0;
// The bottom buttons sit this many dialog units higher than the template has them, and the
// dialog is that much shorter, as the Windows dialog does it when it opens.
constexpr int kShortening = 22;

enum class Kind { Button, DefaultButton, Check, Radio, Group, Label, Slider, List };

struct Item {
  int id;
  Kind kind;
  int x, y, w, h;
};

constexpr Item kItems[] = {
    {kVideoGroup, Kind::Group, 6, 2, 93, 68},
    {kOptionsGroup, Kind::Group, 105, 2, 102, 68},
    {kCameraGroup, Kind::Group, 6, 73, 201, 43},
    {kGammaGroup, Kind::Group, 6, 119, 201, 43},
    {kSoundGroup, Kind::Group, 213, 119, 177, 43},
    {kProductsGroup, Kind::Group, 6, 165, 385, 25},
    {kOk, Kind::DefaultButton, 244, 225 - kShortening, 65, 14},
    {kCancel, Kind::Button, 319, 225 - kShortening, 65, 14},
    {kRestoreDefaults, Kind::Button, 6, 225 - kShortening, 89, 14},
    {kModeList, Kind::List, 12, 14, 82, 14},
    {kUseDesktop, Kind::Check, 12, 31, 81, 9},
    {kVsync, Kind::Check, 12, 45, 81, 9},
    {kShowFps, Kind::Check, 111, 17, 90, 9},
    {kExitOnMouseMove, Kind::Check, 111, 31, 92, 9},
    {kShowTime, Kind::Check, 111, 45, 93, 9},
    {kClock12, Kind::Radio, 114, 55, 44, 10},
    {kClock24, Kind::Radio, 162, 55, 41, 10},
    {kCameraLabel, Kind::Label, 12, 92, 82, 8},
    {kCameraSlider, Kind::Slider, 95, 91, 105, 12},
    {kBrightnessLabel, Kind::Label, 12, 130, 67, 8},
    {kGammaSlider, Kind::Slider, 84, 130, 117, 12},
    {kDefaultGamma, Kind::Check, 12, 144, 190, 10},
    {kVolumeLabel, Kind::Label, 220, 130, 55, 8},
    {kVolumeSlider, Kind::Slider, 278, 130, 108, 12},
    {kMusic, Kind::Check, 220, 145, 160, 10},
    {kWebSiteLine, Kind::Label, 12, 176, 229, 8},
    {kVisit, Kind::Button, 244, 173, 65, 12},
    {kAbout, Kind::Button, 319, 173, 65, 12},
};

// The string table is single-byte text in code page 1251; GTK wants UTF-8.
std::string Utf8(const std::string& text) {
  gsize written = 0;
  gchar* converted =
      g_convert(text.c_str(), gssize(text.size()), "UTF-8", "CP1251", nullptr, &written, nullptr);
  if (converted == nullptr) return text;
  std::string result(converted, written);
  g_free(converted);
  return result;
}

int Px(int units, double scale) {
  return int(units * scale + 0.5);
}

GdkPixbuf* PictureFromResource() {
  const std::span<const uint8_t> bitmap = Host().Resource("Bitmap", 107);
  if (bitmap.empty()) return nullptr;
  GdkPixbufLoader* loader = gdk_pixbuf_loader_new();
  GdkPixbuf* picture = nullptr;
  if (gdk_pixbuf_loader_write(loader, bitmap.data(), bitmap.size(), nullptr) &&
      gdk_pixbuf_loader_close(loader, nullptr)) {
    picture = gdk_pixbuf_loader_get_pixbuf(loader);
    if (picture != nullptr) {
      picture =
          gdk_pixbuf_scale_simple(picture, Px(177, kScaleX), Px(106, kScaleY), GDK_INTERP_BILINEAR);
    }
  } else {
    gdk_pixbuf_loader_close(loader, nullptr);
  }
  g_object_unref(loader);
  return picture;
}

class GtkView final : public DialogView {
 public:
  GtkView();
  ~GtkView() override { gtk_widget_destroy(dialog_); }
  int Run(ConfigDialog& model);

  void SetCaption(const std::string& text) override {
    gtk_window_set_title(GTK_WINDOW(dialog_), Utf8(text).c_str());
  }
  void SetText(int control, const std::string& text) override;
  void SetChecked(int control, bool checked) override {
    Quiet([&] { gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(widgets_[control]), checked); });
  }
  bool IsChecked(int control) override {
    return gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(widgets_[control]));
  }
  void Enable(int control, bool enabled) override {
    gtk_widget_set_sensitive(widgets_[control], enabled);
  }
  void SetSliderRange(int control, int low, int high, int page) override {
    Quiet([&] {
      gtk_range_set_range(GTK_RANGE(widgets_[control]), low, high);
      gtk_range_set_increments(GTK_RANGE(widgets_[control]), 1, page);
    });
  }
  void SetSliderPosition(int control, int position) override {
    Quiet([&] { gtk_range_set_value(GTK_RANGE(widgets_[control]), position); });
  }
  int SliderPosition(int control) override {
    return int(gtk_range_get_value(GTK_RANGE(widgets_[control])) + 0.5);
  }
  void AddListItem(int control, const std::string& text) override {
    gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(widgets_[control]), text.c_str());
    items_.push_back(text);
  }
  void SelectListItem(int control, const std::string& text) override {
    int index = -1;
    for (size_t i = 0; i < items_.size(); ++i) {
      if (items_[i] == text) {
        index = int(i);
        break;
      }
    }
    Quiet([&] { gtk_combo_box_set_active(GTK_COMBO_BOX(widgets_[control]), index); });
  }
  std::string SelectedListItem(int control) override {
    const int index = gtk_combo_box_get_active(GTK_COMBO_BOX(widgets_[control]));
    return index >= 0 && size_t(index) < items_.size() ? items_[size_t(index)] : std::string();
  }
  void OpenWebAddress(const std::string& address) override {
    // A failure to open the address is ignored.
    gtk_show_uri_on_window(GTK_WINDOW(dialog_), address.c_str(), GDK_CURRENT_TIME, nullptr);
  }
  void ShowAbout() override;
  void EndDialog(int result) override { gtk_dialog_response(GTK_DIALOG(dialog_), result); }

 private:
  // Changes made by the model itself are not the user's: their signals are ignored.
  template <typename Change>
  void Quiet(Change&& change) {
    ++quiet_;
    change();
    --quiet_;
  }
  static void OnClicked(GtkWidget* widget, gpointer self);
  static gboolean OnChangeValue(GtkRange* range, GtkScrollType scroll, gdouble value,
                                gpointer self);

  GtkWidget* dialog_ = nullptr;
  std::map<int, GtkWidget*> widgets_;
  std::vector<std::string> items_;
  ConfigDialog* model_ = nullptr;
  int quiet_ = 0;
};

GtkView::GtkView() {
  dialog_ = gtk_dialog_new();
  gtk_window_set_resizable(GTK_WINDOW(dialog_), FALSE);
  GtkWidget* area = gtk_dialog_get_content_area(GTK_DIALOG(dialog_));
  GtkWidget* fixed = gtk_fixed_new();
  gtk_widget_set_size_request(fixed, Px(397, kScaleX), Px(244 - kShortening, kScaleY));
  gtk_box_pack_start(GTK_BOX(area), fixed, TRUE, TRUE, 0);

  if (GdkPixbuf* picture = PictureFromResource()) {
    GtkWidget* image = gtk_image_new_from_pixbuf(picture);
    g_object_unref(picture);
    gtk_fixed_put(GTK_FIXED(fixed), image, Px(213, kScaleX), Px(5, kScaleY));
  }

  GSList* radios = nullptr;
  for (const Item& item : kItems) {
    GtkWidget* widget = nullptr;
    switch (item.kind) {
      case Kind::Button:
      case Kind::DefaultButton:
        widget = gtk_button_new_with_label("");
        break;
      case Kind::Check:
        widget = gtk_check_button_new_with_label("");
        break;
      case Kind::Radio:
        widget = gtk_radio_button_new_with_label(radios, "");
        radios = gtk_radio_button_get_group(GTK_RADIO_BUTTON(widget));
        break;
      case Kind::Group:
        widget = gtk_frame_new("");
        break;
      case Kind::Label:
        widget = gtk_label_new("");
        gtk_label_set_xalign(GTK_LABEL(widget), 0.0f);
        break;
      case Kind::Slider:
        widget = gtk_scale_new_with_range(GTK_ORIENTATION_HORIZONTAL, 0, 100, 1);
        gtk_scale_set_draw_value(GTK_SCALE(widget), FALSE);
        g_signal_connect(widget, "change-value", G_CALLBACK(OnChangeValue), this);
        break;
      case Kind::List:
        widget = gtk_combo_box_text_new();
        break;
    }
    if (item.kind == Kind::Button || item.kind == Kind::DefaultButton || item.kind == Kind::Check ||
        item.kind == Kind::Radio) {
      g_object_set_data(G_OBJECT(widget), "control", GINT_TO_POINTER(item.id));
      g_signal_connect(widget, "clicked", G_CALLBACK(OnClicked), this);
    }
    gtk_widget_set_size_request(widget, Px(item.w, kScaleX), Px(item.h, kScaleY));
    gtk_fixed_put(GTK_FIXED(fixed), widget, Px(item.x, kScaleX), Px(item.y, kScaleY));
    widgets_[item.id] = widget;
  }
  GtkWidget* ok = widgets_[kOk];
  gtk_widget_set_can_default(ok, TRUE);
  gtk_widget_grab_default(ok);
  gtk_widget_grab_focus(ok);
}

void GtkView::SetText(int control, const std::string& text) {
  GtkWidget* widget = widgets_[control];
  const std::string utf8 = Utf8(text);
  if (GTK_IS_FRAME(widget)) {
    gtk_frame_set_label(GTK_FRAME(widget), utf8.c_str());
  } else if (GTK_IS_LABEL(widget)) {
    gtk_label_set_text(GTK_LABEL(widget), utf8.c_str());
  } else if (GTK_IS_BUTTON(widget)) {
    gtk_button_set_label(GTK_BUTTON(widget), utf8.c_str());
  }
}

void GtkView::OnClicked(GtkWidget* widget, gpointer self) {
  auto* view = static_cast<GtkView*>(self);
  if (view->quiet_ > 0 || view->model_ == nullptr) return;
  const int control = GPOINTER_TO_INT(g_object_get_data(G_OBJECT(widget), "control"));
  // A radio button reports both the one left and the one chosen; only the choice counts.
  if (GTK_IS_RADIO_BUTTON(widget) && !gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(widget))) {
    return;
  }
  view->model_->Command(control);
}

gboolean GtkView::OnChangeValue(GtkRange* range, GtkScrollType scroll, gdouble value,
                                gpointer self) {
  auto* view = static_cast<GtkView*>(self);
  GtkAdjustment* adjustment = gtk_range_get_adjustment(range);
  view->Quiet([&] {
    gtk_range_set_value(range, CLAMP(value, gtk_adjustment_get_lower(adjustment),
                                     gtk_adjustment_get_upper(adjustment)));
  });
  if (view->model_ == nullptr) return TRUE;
  ScrollCode code = ScrollCode::ThumbTrack;  // dragging, or a click that jumps
  switch (scroll) {
    case GTK_SCROLL_STEP_BACKWARD:
    case GTK_SCROLL_STEP_LEFT:
    case GTK_SCROLL_STEP_DOWN:
      code = ScrollCode::LineUp;
      break;
    case GTK_SCROLL_STEP_FORWARD:
    case GTK_SCROLL_STEP_RIGHT:
    case GTK_SCROLL_STEP_UP:
      code = ScrollCode::LineDown;
      break;
    case GTK_SCROLL_PAGE_BACKWARD:
    case GTK_SCROLL_PAGE_LEFT:
    case GTK_SCROLL_PAGE_DOWN:
      code = ScrollCode::PageUp;
      break;
    case GTK_SCROLL_PAGE_FORWARD:
    case GTK_SCROLL_PAGE_RIGHT:
    case GTK_SCROLL_PAGE_UP:
      code = ScrollCode::PageDown;
      break;
    case GTK_SCROLL_START:
      code = ScrollCode::Top;
      break;
    case GTK_SCROLL_END:
      code = ScrollCode::Bottom;
      break;
    default:
      break;
  }
  view->model_->Scroll(code);
  return TRUE;
}

void GtkView::ShowAbout() {
  GtkWidget* about = gtk_dialog_new_with_buttons(Utf8(AboutCaption()).c_str(), GTK_WINDOW(dialog_),
                                                 GTK_DIALOG_MODAL, "OK", GTK_RESPONSE_OK, nullptr);
  gtk_window_set_resizable(GTK_WINDOW(about), FALSE);
  GtkWidget* frame = gtk_frame_new(nullptr);
  GtkWidget* lines = gtk_box_new(GTK_ORIENTATION_VERTICAL, 4);
  gtk_container_set_border_width(GTK_CONTAINER(lines), 12);
  for (const std::string& line : AboutTexts()) {
    GtkWidget* label = gtk_label_new(Utf8(line).c_str());
    gtk_label_set_justify(GTK_LABEL(label), GTK_JUSTIFY_CENTER);
    gtk_box_pack_start(GTK_BOX(lines), label, FALSE, FALSE, 0);
  }
  gtk_container_add(GTK_CONTAINER(frame), lines);
  GtkWidget* area = gtk_dialog_get_content_area(GTK_DIALOG(about));
  gtk_container_set_border_width(GTK_CONTAINER(area), 8);
  gtk_box_pack_start(GTK_BOX(area), frame, TRUE, TRUE, 0);
  gtk_dialog_set_default_response(GTK_DIALOG(about), GTK_RESPONSE_OK);
  gtk_widget_show_all(about);
  gtk_dialog_run(GTK_DIALOG(about));
  gtk_widget_destroy(about);
}

int GtkView::Run(ConfigDialog& model) {
  model_ = &model;
  Quiet([&] { model.Initialise(); });
  gtk_widget_show_all(dialog_);
  gtk_widget_grab_focus(widgets_[kOk]);
  // OK and Cancel end the dialog through the model; closing the window counts as Cancel.
  int result = 0;
  while (result != 1 && result != 2) {
    result = gtk_dialog_run(GTK_DIALOG(dialog_));
    if (result == GTK_RESPONSE_DELETE_EVENT || result == GTK_RESPONSE_NONE) {
      model.Command(kCancel);
      result = 2;
    }
  }
  model_ = nullptr;
  return result;
}

}  // namespace

void RunGtkDialog() {
  if (!gtk_init_check(nullptr, nullptr)) {
    // No display to show it on: say what the dialog would edit instead.
    std::fputs("solvane: no display for the configuration dialog; the settings are:\n", stderr);
    std::fputs(SettingsReport().c_str(), stdout);
    return;
  }
  GtkView view;
  ConfigDialog model(view);
  view.Run(model);
  while (gtk_events_pending()) gtk_main_iteration();
}

}  // namespace solvane::ui

extern "C" __attribute__((visibility("default"))) void SolvaneRunGtkDialog() {
  solvane::ui::RunGtkDialog();
}
