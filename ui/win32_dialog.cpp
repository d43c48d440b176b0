// The configuration and About dialogs on Windows: templates 101 and 105 of the program's
// resources, driven by the toolkit-free dialog model.
#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include <memory>
#include <vector>

#include "platform/win32/win32_platform.h"
#include "ui/config_dialog.h"

namespace solvane::ui {

namespace {

constexpr int kConfigTemplate = 101;
constexpr int kAboutTemplate = 105;
constexpr int kPictureResource = 107;
// The bottom buttons move up, and the dialog loses, this much when it opens: 44 pixels with the
// template's font at 100 % scaling, given in dialog units so that it grows with the font.
constexpr int kShorteningUnits = 27;

HINSTANCE ModuleInstance() {
  return GetModuleHandleA(nullptr);
}

class Win32View final : public DialogView {
 public:
  explicit Win32View(HWND dialog) : dialog_(dialog) {}

  void SetCaption(const std::string& text) override { SetWindowTextA(dialog_, text.c_str()); }
  void SetText(int control, const std::string& text) override {
    SetDlgItemTextA(dialog_, control, text.c_str());
  }
  void SetChecked(int control, bool checked) override {
    CheckDlgButton(dialog_, control, checked ? BST_CHECKED : BST_UNCHECKED);
  }
  bool IsChecked(int control) override {
    return IsDlgButtonChecked(dialog_, control) == BST_CHECKED;
  }
  void Enable(int control, bool enabled) override {
    EnableWindow(GetDlgItem(dialog_, control), enabled ? TRUE : FALSE);
  }
  void SetSliderRange(int control, int low, int high, int page) override {
    SendDlgItemMessageA(dialog_, control, TBM_SETRANGE, TRUE, MAKELPARAM(low, high));
    SendDlgItemMessageA(dialog_, control, TBM_SETPAGESIZE, 0, page);
  }
  void SetSliderPosition(int control, int position) override {
    SendDlgItemMessageA(dialog_, control, TBM_SETPOS, TRUE, position);
  }
  int SliderPosition(int control) override {
    return int(SendDlgItemMessageA(dialog_, control, TBM_GETPOS, 0, 0));
  }
  void AddListItem(int control, const std::string& text) override {
    SendDlgItemMessageA(dialog_, control, CB_ADDSTRING, 0, LPARAM(text.c_str()));
  }
  void SelectListItem(int control, const std::string& text) override {
    const LRESULT index =
        SendDlgItemMessageA(dialog_, control, CB_FINDSTRINGEXACT, WPARAM(-1), LPARAM(text.c_str()));
    SendDlgItemMessageA(dialog_, control, CB_SETCURSEL, index == CB_ERR ? WPARAM(-1) : index, 0);
  }
  std::string SelectedListItem(int control) override {
    const LRESULT index = SendDlgItemMessageA(dialog_, control, CB_GETCURSEL, 0, 0);
    if (index == CB_ERR) return {};
    const LRESULT length = SendDlgItemMessageA(dialog_, control, CB_GETLBTEXTLEN, index, 0);
    if (length == CB_ERR || length < 0) return {};
    std::vector<char> text(size_t(length) + 1, '\0');
    SendDlgItemMessageA(dialog_, control, CB_GETLBTEXT, index, LPARAM(text.data()));
    return text.data();
  }
  void OpenWebAddress(const std::string& address) override {
    // A failure to open the address is ignored.
    ShellExecuteA(dialog_, "open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  }
  void ShowAbout() override;
  void EndDialog(int result) override { ::EndDialog(dialog_, result); }

 private:
  HWND dialog_;
};

INT_PTR CALLBACK AboutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG: {
      SetWindowTextA(dialog, AboutCaption().c_str());
      const auto& lines = AboutTexts();
      for (size_t i = 0; i < lines.size(); ++i) {
        SetDlgItemTextA(dialog, kFirstAboutLine + int(i), lines[i].c_str());
      }
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        ::EndDialog(dialog, LOWORD(wParam));
        return TRUE;
      }
      break;
    default:
      break;
  }
  return FALSE;
}

void Win32View::ShowAbout() {
  DialogBoxParamA(ModuleInstance(), MAKEINTRESOURCEA(kAboutTemplate), dialog_, AboutProc, 0);
}

// Moves a control up by `rise` pixels, keeping its size.
void RaiseControl(HWND dialog, int control, int rise) {
  const HWND window = GetDlgItem(dialog, control);
  RECT rect;
  GetWindowRect(window, &rect);
  POINT topLeft{rect.left, rect.top};
  ScreenToClient(dialog, &topLeft);
  ShowWindow(window, SW_HIDE);
  SetWindowPos(window, nullptr, topLeft.x, topLeft.y - rise, 0, 0, SWP_NOZORDER | SWP_NOSIZE);
  ShowWindow(window, SW_SHOW);
}

void Shorten(HWND dialog, int by) {
  RECT rect;
  GetWindowRect(dialog, &rect);
  ShowWindow(dialog, SW_HIDE);
  SetWindowPos(dialog, nullptr, 0, 0, rect.right - rect.left, rect.bottom - rect.top - by,
               SWP_NOZORDER | SWP_NOMOVE);
  ShowWindow(dialog, SW_SHOW);
}

int DialogUnitsDown(HWND dialog, int units) {
  RECT rect{0, 0, 0, units};
  MapDialogRect(dialog, &rect);
  return rect.bottom;
}

// The picture beside the options is a bitmap of fixed pixels, made for 100 % scaling, while the
// controls around it grow with the font. At another scale it is loaded again at that scale.
// Returns the bitmap it now shows, which the dialog's owner deletes; null when nothing changed.
HBITMAP ScalePicture(HWND dialog) {
  const UINT dpi = WindowDpi(dialog);
  if (dpi == kDefaultDpi) return nullptr;
  for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    char name[8] = {};
    GetClassNameA(child, name, sizeof(name));
    if (lstrcmpiA(name, "Static") != 0 ||
        (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) != SS_BITMAP) {
      continue;
    }
    const auto shown =
        reinterpret_cast<HBITMAP>(SendMessageA(child, STM_GETIMAGE, IMAGE_BITMAP, 0));
    BITMAP size{};
    if (shown == nullptr || GetObjectA(shown, sizeof(size), &size) == 0) return nullptr;
    const auto scaled =
        static_cast<HBITMAP>(LoadImageA(ModuleInstance(), MAKEINTRESOURCEA(kPictureResource),
                                        IMAGE_BITMAP, MulDiv(size.bmWidth, int(dpi), kDefaultDpi),
                                        MulDiv(size.bmHeight, int(dpi), kDefaultDpi), 0));
    if (scaled == nullptr) return nullptr;
    // The control hands back the bitmap it showed (or its own copy of it): it is the caller's.
    const auto previous = reinterpret_cast<HBITMAP>(
        SendMessageA(child, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(scaled)));
    if (previous != nullptr && previous != scaled) DeleteObject(previous);
    return scaled;
  }
  return nullptr;
}

struct OpenDialog {
  std::unique_ptr<Win32View> view;
  std::unique_ptr<ConfigDialog> model;
  HBITMAP picture = nullptr;
};
OpenDialog current;

ScrollCode ScrollCodeOf(WORD code) {
  switch (code) {
    case TB_LINEUP:
      return ScrollCode::LineUp;
    case TB_LINEDOWN:
      return ScrollCode::LineDown;
    case TB_PAGEUP:
      return ScrollCode::PageUp;
    case TB_PAGEDOWN:
      return ScrollCode::PageDown;
    case TB_THUMBPOSITION:
      return ScrollCode::ThumbPosition;
    case TB_THUMBTRACK:
      return ScrollCode::ThumbTrack;
    case TB_TOP:
      return ScrollCode::Top;
    case TB_BOTTOM:
      return ScrollCode::Bottom;
    default:
      return ScrollCode::EndScroll;
  }
}

INT_PTR CALLBACK ConfigProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      current.view = std::make_unique<Win32View>(dialog);
      current.model = std::make_unique<ConfigDialog>(*current.view);
      current.model->Initialise();
      for (const int button : {kOk, kCancel, kRestoreDefaults}) {
        RaiseControl(dialog, button, DialogUnitsDown(dialog, kShorteningUnits));
      }
      Shorten(dialog, DialogUnitsDown(dialog, kShorteningUnits));
      current.picture = ScalePicture(dialog);
      return TRUE;
    case WM_COMMAND:
      // Clicks only: the list's own notifications change nothing.
      if (current.model && HIWORD(wParam) == BN_CLICKED) current.model->Command(LOWORD(wParam));
      return TRUE;
    case WM_HSCROLL:
      if (current.model) current.model->Scroll(ScrollCodeOf(LOWORD(wParam)));
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

void RunConfigurationDialog(uint32_t parentWindow) {
  INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
  DialogBoxParamA(ModuleInstance(), MAKEINTRESOURCEA(kConfigTemplate),
                  reinterpret_cast<HWND>(uintptr_t(parentWindow)), ConfigProc, 0);
  if (current.picture != nullptr) DeleteObject(current.picture);
  current = {};
}

}  // namespace solvane::ui
