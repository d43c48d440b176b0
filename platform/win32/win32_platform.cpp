#include "platform/win32/win32_platform.h"

#include <algorithm>
#include <string>
#include <vector>

namespace solvane {

namespace {

// The one platform object; the window procedures reach it through here.
Win32Platform* theWin32Platform = nullptr;

constexpr UINT kLoadProgressMessage = WM_USER + 2;
constexpr int kIconResource = 111;
constexpr int kPreviewBitmapResource = 112;
constexpr WORD kDevModeSize = 156;  // the display-mode record up to and including its position
constexpr DWORD kDisplayDeviceSize = 424;
constexpr const char* kSceneClass = "MyWindow";
constexpr const char* kBlankingClass = "FakeMonitor";
constexpr const char* kPreviewClass = "KVSSPreview";
constexpr const char* kWindowTitle = "Solvane ScreenSaver";

static_assert(sizeof(DEVMODEA) >= kDevModeSize);
static_assert(sizeof(DISPLAY_DEVICEA) == kDisplayDeviceSize);

DEVMODEA EmptyDevMode() {
  DEVMODEA mode{};
  mode.dmSize = kDevModeSize;
  return mode;
}

DisplayMode FromDevMode(const DEVMODEA& mode) {
  return {int32_t(mode.dmPelsWidth), int32_t(mode.dmPelsHeight), int32_t(mode.dmBitsPerPel)};
}

HWND AsWindow(WindowHandle handle) {
  return reinterpret_cast<HWND>(handle);
}
WindowHandle AsHandle(HWND window) {
  return reinterpret_cast<WindowHandle>(window);
}

std::wstring Wide(std::string_view text) {
  const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0);
  std::wstring wide(size_t(length > 0 ? length : 0), L'\0');
  if (length > 0) {
    MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), wide.data(), length);
  }
  return wide;
}

template <typename Function>
bool Resolve(HMODULE module, const char* name, Function& function) {
  function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
  return function != nullptr;
}

}  // namespace

UINT WindowDpi(HWND window) {
  // Windows 10 1607 and later know each monitor's scale. Before, the one scale of the whole
  // system is the program's, and a window's device context reports it.
  UINT(WINAPI * getDpiForWindow)(HWND) = nullptr;
  const HMODULE user = GetModuleHandleA("USER32");
  if (user != nullptr && Resolve(user, "GetDpiForWindow", getDpiForWindow)) {
    const UINT dpi = getDpiForWindow(window);
    if (dpi > 0) return dpi;
  }
  const HDC context = GetDC(window);
  const int dpi = context != nullptr ? GetDeviceCaps(context, LOGPIXELSY) : 0;
  if (context != nullptr) ReleaseDC(window, context);
  return dpi > 0 ? UINT(dpi) : kDefaultDpi;
}

void RegistrySettingsStore::Read(std::span<NamedValue> values) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, kKeyPath, 0, nullptr, 0, KEY_READ, nullptr, &key,
                      nullptr) != ERROR_SUCCESS) {
    return;
  }
  for (NamedValue& value : values) {
    // Queried into a buffer of its own: a value of another type or size leaves the setting
    // as it was instead of half overwritten.
    DWORD stored = 0;
    DWORD size = sizeof(stored);
    if (RegQueryValueExA(key, value.name, nullptr, nullptr, reinterpret_cast<BYTE*>(&stored),
                         &size) == ERROR_SUCCESS &&
        size == sizeof(stored)) {
      value.value = stored;
    }
  }
  RegCloseKey(key);
}

std::string RegistrySettingsStore::ReadText(std::string_view name) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kKeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) return {};
  // A path: at most MAX_PATH characters; a value of another type counts as absent.
  char text[MAX_PATH + 1] = {};
  DWORD size = MAX_PATH;
  DWORD type = 0;
  const std::string nameZ(name);
  const bool found = RegQueryValueExA(key, nameZ.c_str(), nullptr, &type,
                                      reinterpret_cast<BYTE*>(text), &size) == ERROR_SUCCESS &&
                     type == REG_SZ;
  RegCloseKey(key);
  if (!found) return {};
  text[std::min<DWORD>(size, MAX_PATH)] = '\0';
  return text;
}

void RegistrySettingsStore::Write(std::span<const NamedValue> values) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, kKeyPath, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                      nullptr) != ERROR_SUCCESS) {
    return;
  }
  for (const NamedValue& value : values) {
    const DWORD stored = value.value;
    RegSetValueExA(key, value.name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&stored),
                   sizeof(stored));
  }
  RegCloseKey(key);
}

Win32Platform::Win32Platform(HINSTANCE instance) : instance_(instance) {
  theWin32Platform = this;
}

Win32Platform::~Win32Platform() {
  DeleteGLContext();
  if (previewBitmap_ != nullptr) DeleteObject(previewBitmap_);
  theWin32Platform = nullptr;
}

std::string Win32Platform::CommandLine() {
  const char* line = GetCommandLineA();
  return line != nullptr ? line : "";
}

std::span<const uint8_t> Win32Platform::Resource(std::string_view type, int id) {
  const std::string typeName(type);
  HRSRC found = FindResourceA(instance_, MAKEINTRESOURCEA(id), typeName.c_str());
  if (found == nullptr) return {};
  HGLOBAL loaded = LoadResource(instance_, found);
  const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (data == nullptr) return {};
  return {static_cast<const uint8_t*>(data), size_t(SizeofResource(instance_, found))};
}

// Works out once whether the multi-monitor entry points exist and the virtual screen is at
// least as large as the primary one; later calls return the stored answer.
bool Win32Platform::InitMultiMonitorApi() {
  MonitorApi& api = monitorApi_;
  if (api.resolved) return api.available;
  api.resolved = true;
  HMODULE user = GetModuleHandleA("USER32");
  const bool all = user != nullptr && Resolve(user, "GetSystemMetrics", api.getSystemMetrics) &&
                   Resolve(user, "MonitorFromWindow", api.monitorFromWindow) &&
                   Resolve(user, "MonitorFromRect", api.monitorFromRect) &&
                   Resolve(user, "MonitorFromPoint", api.monitorFromPoint) &&
                   Resolve(user, "EnumDisplayMonitors", api.enumDisplayMonitors) &&
                   Resolve(user, "GetMonitorInfoA", api.getMonitorInfoA) &&
                   Resolve(user, "EnumDisplayDevicesA", api.enumDisplayDevicesA);
  if (all && api.getSystemMetrics(SM_CXVIRTUALSCREEN) >= api.getSystemMetrics(SM_CXSCREEN) &&
      api.getSystemMetrics(SM_CYVIRTUALSCREEN) >= api.getSystemMetrics(SM_CYSCREEN)) {
    api.available = true;
  } else {
    api = MonitorApi{};
    api.resolved = true;
  }
  return api.available;
}

bool Win32Platform::MultiMonitorAvailable() {
  return InitMultiMonitorApi();
}

bool Win32Platform::DisplayDeviceAt(uint32_t index, DisplayDevice& device) {
  if (!InitMultiMonitorApi()) return false;
  DISPLAY_DEVICEA listed{};
  listed.cb = kDisplayDeviceSize;
  if (!monitorApi_.enumDisplayDevicesA(nullptr, index, &listed, 0)) return false;
  device = {};
  device.stateFlags = listed.StateFlags;
  if (listed.StateFlags & DISPLAY_DEVICE_ATTACHED_TO_DESKTOP) {
    DEVMODEA mode = EmptyDevMode();
    if (EnumDisplaySettingsA(listed.DeviceName, ENUM_CURRENT_SETTINGS, &mode)) {
      device.mode = FromDevMode(mode);
      device.position = {mode.dmPosition.x, mode.dmPosition.y};
    }
  }
  return true;
}

MonitorHandle Win32Platform::MonitorFromRect(const ScreenRect& rect) {
  if (!InitMultiMonitorApi()) return 0;
  const RECT area{rect.left, rect.top, rect.right, rect.bottom};
  return reinterpret_cast<MonitorHandle>(monitorApi_.monitorFromRect(&area, MONITOR_DEFAULTTONULL));
}

DisplayMode Win32Platform::CurrentDisplayMode() {
  DEVMODEA mode = EmptyDevMode();
  if (!EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode)) return {};
  return FromDevMode(mode);
}

bool Win32Platform::DisplayModeAt(uint32_t index, DisplayMode& mode) {
  DEVMODEA found = EmptyDevMode();
  if (!EnumDisplaySettingsA(nullptr, index, &found)) return false;
  mode = FromDevMode(found);
  return true;
}

void Win32Platform::ChangeDisplayMode(const DisplayMode* mode) {
  if (mode == nullptr) {
    ChangeDisplaySettingsA(nullptr, 0);
    return;
  }
  DEVMODEA wanted = EmptyDevMode();
  wanted.dmPelsWidth = DWORD(mode->width);
  wanted.dmPelsHeight = DWORD(mode->height);
  wanted.dmBitsPerPel = DWORD(mode->bitsPerPixel);
  wanted.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
  ChangeDisplaySettingsA(&wanted, CDS_FULLSCREEN);
}

void Win32Platform::ShowCursor(bool show) {
  ::ShowCursor(show ? TRUE : FALSE);
}

bool Win32Platform::SetGammaRamp(std::span<const uint16_t, 768> ramp) {
  if (presentingContext_ == nullptr) return false;
  WORD copy[3][256];
  for (size_t i = 0; i < ramp.size(); ++i) copy[i / 256][i % 256] = ramp[i];
  return SetDeviceGammaRamp(presentingContext_, copy) != FALSE;
}

void Win32Platform::RegisterSaverClasses() {
  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof(WNDCLASSEXA);
  windowClass.style = CS_OWNDC | CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = MainWndProc;
  windowClass.hInstance = instance_;
  windowClass.hIcon = LoadIconA(instance_, MAKEINTRESOURCEA(kIconResource));
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  windowClass.lpszClassName = kSceneClass;
  RegisterClassExA(&windowClass);

  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = DefWindowProcA;
  windowClass.lpszClassName = kBlankingClass;
  RegisterClassExA(&windowClass);
}

void Win32Platform::UnregisterSaverClasses() {
  UnregisterClassA(kSceneClass, instance_);
  UnregisterClassA(kBlankingClass, instance_);
}

WindowHandle Win32Platform::CreateSceneWindow(int32_t width, int32_t height, WindowEvents& events) {
  events_ = &events;
  sceneWindow_ = CreateWindowExA(WS_EX_TOPMOST | WS_EX_APPWINDOW, kSceneClass, kWindowTitle,
                                 WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0, width, height,
                                 nullptr, nullptr, instance_, nullptr);
  return AsHandle(sceneWindow_);
}

WindowHandle Win32Platform::CreateBlankingWindow(const ScreenRect& rect) {
  return AsHandle(CreateWindowExA(WS_EX_TOPMOST | WS_EX_APPWINDOW, kBlankingClass, kWindowTitle,
                                  WS_POPUP | WS_VISIBLE, rect.left, rect.top,
                                  rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr,
                                  instance_, nullptr));
}

void Win32Platform::ShowWindow(WindowHandle window, int showCommand) {
  ::ShowWindow(AsWindow(window), showCommand);
}

void Win32Platform::SetFocus(WindowHandle window) {
  ::SetFocus(AsWindow(window));
}

void Win32Platform::CloseWindow(WindowHandle window) {
  ::CloseWindow(AsWindow(window));
}

ScreenRect Win32Platform::ClientRect(WindowHandle window) {
  RECT rect{};
  GetClientRect(AsWindow(window), &rect);
  return {rect.left, rect.top, rect.right, rect.bottom};
}

ScreenPoint Win32Platform::ClientToScreen(WindowHandle window, ScreenPoint point) {
  POINT converted{point.x, point.y};
  ::ClientToScreen(AsWindow(window), &converted);
  return {converted.x, converted.y};
}

void Win32Platform::SetCursorPos(ScreenPoint point) {
  ::SetCursorPos(point.x, point.y);
}

void Win32Platform::RegisterPreviewClass() {
  WNDCLASSA windowClass{};
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = PreviewWndProc;
  windowClass.hInstance = instance_;
  windowClass.hIcon = LoadIconA(instance_, IDI_APPLICATION);
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  windowClass.lpszClassName = kPreviewClass;
  RegisterClassA(&windowClass);
}

WindowHandle Win32Platform::CreatePreviewWindow(uint32_t parentWindow) {
  // The number on the command line is the host's window handle; handles fit 32 bits.
  HWND parent = reinterpret_cast<HWND>(uintptr_t(parentWindow));
  RECT area{};
  GetClientRect(parent, &area);
  AdjustWindowRect(&area, WS_CHILD | WS_VISIBLE, FALSE);
  return AsHandle(CreateWindowExA(0, kPreviewClass, "SLVNSS", WS_CHILD | WS_VISIBLE, area.left,
                                  area.top, area.right - area.left, area.bottom - area.top, parent,
                                  nullptr, instance_, nullptr));
}

PumpResult Win32Platform::PumpMessage() {
  MSG message;
  if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) return PumpResult::Idle;
  if (message.message == WM_QUIT) return PumpResult::Quit;
  TranslateMessage(&message);
  DispatchMessageA(&message);
  return PumpResult::Dispatched;
}

void Win32Platform::RunMessageLoop() {
  MSG message;
  // -1 is an error (the queue is gone): leave rather than spin.
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

void Win32Platform::SendLoadProgress(WindowHandle window) {
  SendMessageA(AsWindow(window), kLoadProgressMessage, 0, 0);
}

bool Win32Platform::HasSwapControl() {
  if (!swapControlResolved_) {
    swapControlResolved_ = true;
    swapIntervalExt_ = reinterpret_cast<BOOL(WINAPI*)(int)>(
        reinterpret_cast<void*>(wglGetProcAddress("wglSwapIntervalEXT")));
    getSwapIntervalExt_ = reinterpret_cast<int(WINAPI*)()>(
        reinterpret_cast<void*>(wglGetProcAddress("wglGetSwapIntervalEXT")));
  }
  return swapIntervalExt_ != nullptr && getSwapIntervalExt_ != nullptr;
}

void Win32Platform::SetSwapInterval(int interval) {
  if (HasSwapControl()) swapIntervalExt_(interval);
}

void Win32Platform::SwapBuffers() {
  if (presentingContext_ != nullptr) ::SwapBuffers(presentingContext_);
}

void* Win32Platform::GLFunction(const char* name) {
  if (renderContext_ == nullptr) return nullptr;
  // Some drivers answer a missing name with a small integer instead of null.
  void* function = reinterpret_cast<void*>(wglGetProcAddress(name));
  const auto value = reinterpret_cast<intptr_t>(function);
  return value >= -1 && value <= 3 ? nullptr : function;
}

void Win32Platform::DeleteGLContext() {
  if (renderContext_ != nullptr) {
    wglMakeCurrent(nullptr, nullptr);
    wglDeleteContext(renderContext_);
    renderContext_ = nullptr;
  }
  if (presentingContext_ != nullptr) {
    ReleaseDC(sceneWindow_, presentingContext_);
    presentingContext_ = nullptr;
  }
}

uint64_t Win32Platform::PerformanceCounter() {
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return uint64_t(counter.QuadPart);
}

uint64_t Win32Platform::PerformanceFrequency() {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return uint64_t(frequency.QuadPart);
}

void Win32Platform::SleepFor(double seconds) {
  if (seconds > 0) ::Sleep(static_cast<DWORD>(seconds * 1000.0 + 0.5));
}

LocalTime Win32Platform::CurrentLocalTime() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return {now.wHour, now.wMinute, now.wSecond};
}

namespace {

// The audio module the program carries: resource "BASS" 132.
constexpr int kCarriedModuleResource = 132;

// A run that was killed (or crashed) could not remove its module file, and the loader does not
// accept a file that deletes itself on close. Such leftovers are removed by the next run: a
// file whose bytes are exactly the module this program carries. A running saver's file is
// mapped by the loader, so the system refuses to delete it, and it stays.
void RemoveStaleModules(const std::string& directory, std::string_view prefix,
                        std::span<const uint8_t> module) {
  if (module.empty()) return;
  WIN32_FIND_DATAA found;
  const std::string pattern = directory + std::string(prefix) + "*.tmp";
  const HANDLE search = FindFirstFileA(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    if (found.nFileSizeHigh != 0 || found.nFileSizeLow != module.size()) continue;
    const std::string path = directory + found.cFileName;
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) continue;
    std::vector<uint8_t> bytes(module.size());
    DWORD read = 0;
    const bool same = ::ReadFile(file, bytes.data(), DWORD(bytes.size()), &read, nullptr) &&
                      read == bytes.size() &&
                      std::equal(bytes.begin(), bytes.end(), module.begin());
    CloseHandle(file);
    if (same) DeleteFileA(path.c_str());
  } while (FindNextFileA(search, &found));
  FindClose(search);
}

}  // namespace

std::string Win32Platform::CreateTemporaryFile(std::string_view prefix) {
  char directory[MAX_PATH + 1] = {};
  char path[MAX_PATH + 1] = {};
  if (GetTempPathA(MAX_PATH, directory) == 0) return {};
  RemoveStaleModules(directory, prefix, Resource("BASS", kCarriedModuleResource));
  // The system creates the file, with a name no other run has.
  if (GetTempFileNameA(directory, std::string(prefix).c_str(), 0, path) == 0) return {};
  return path;
}

bool Win32Platform::WriteWholeFile(const std::string& path, std::span<const uint8_t> bytes) {
  const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_TEMPORARY, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const BOOL ok = ::WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr);
  // A full disk may take every byte and still fail to keep them: flushed, then measured.
  LARGE_INTEGER size{};
  const bool whole = ok && written == bytes.size() && FlushFileBuffers(file) &&
                     GetFileSizeEx(file, &size) && uint64_t(size.QuadPart) == bytes.size();
  CloseHandle(file);
  return whole;
}

void Win32Platform::RemoveFile(const std::string& path) {
  if (!path.empty()) DeleteFileA(path.c_str());
}

ModuleHandle Win32Platform::OpenModule(const std::string& path) {
  return reinterpret_cast<ModuleHandle>(LoadLibraryA(path.c_str()));
}

void* Win32Platform::ModuleSymbol(ModuleHandle module, const char* name) {
  if (module == 0) return nullptr;
  return reinterpret_cast<void*>(GetProcAddress(reinterpret_cast<HMODULE>(module), name));
}

void Win32Platform::CloseModule(ModuleHandle module) {
  if (module != 0) FreeLibrary(reinterpret_cast<HMODULE>(module));
}

void Win32Platform::LogLine(std::string_view text) {
  const std::string line = "solvane: " + std::string(text) + "\n";
  OutputDebugStringA(line.c_str());
}

void Win32Platform::ShowMessage(std::string_view text, std::string_view caption) {
  MessageBoxW(nullptr, Wide(text).c_str(), Wide(caption).c_str(), MB_OK);
}

bool Win32Platform::SetupPixelFormat() {
  PIXELFORMATDESCRIPTOR descriptor{};
  descriptor.nSize = sizeof(PIXELFORMATDESCRIPTOR);
  descriptor.nVersion = 1;
  descriptor.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
  descriptor.iPixelType = PFD_TYPE_RGBA;
  descriptor.cColorBits = 32;
  descriptor.cDepthBits = 24;
  descriptor.cStencilBits = 0;  // nothing draws with one
  descriptor.iLayerType = PFD_MAIN_PLANE;
  int format = ChoosePixelFormat(presentingContext_, &descriptor);
  if (format == 0) {
    format = 1;
    if (!DescribePixelFormat(presentingContext_, format, sizeof(descriptor), &descriptor)) {
      return false;
    }
  }
  return SetPixelFormat(presentingContext_, format, &descriptor) != FALSE;
}

LRESULT CALLBACK Win32Platform::MainWndProc(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam) {
  Win32Platform* self = theWin32Platform;
  WindowEvents* events = self != nullptr ? self->events_ : nullptr;
  switch (message) {
    case WM_CREATE:
      if (self != nullptr) {
        self->sceneWindow_ = window;
        self->presentingContext_ = GetDC(window);
        self->SetupPixelFormat();
        self->renderContext_ = wglCreateContext(self->presentingContext_);
        wglMakeCurrent(self->presentingContext_, self->renderContext_);
      }
      return 0;
    case WM_DESTROY:
    case WM_CLOSE:
      PostQuitMessage(0);
      return 0;
    case WM_KEYDOWN:
      if (events != nullptr) events->KeyDown(uint32_t(wParam));
      return 0;
    case WM_KEYUP:
      if (events != nullptr) events->KeyUp(uint32_t(wParam));
      return 0;
    case WM_SYSCOMMAND:  // screen-saver start, monitor power, close: all swallowed
      return 0;
    case WM_MOUSEMOVE:
      if (events != nullptr) events->MouseMove(LOWORD(lParam), HIWORD(lParam));
      return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
      if (events != nullptr) events->ButtonDown();
      return 0;
    case kLoadProgressMessage:
      if (events != nullptr) events->LoadProgress();
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

void Win32Platform::PaintPreview(HWND window) {
  PAINTSTRUCT paint;
  HDC target = BeginPaint(window, &paint);
  HDC source = CreateCompatibleDC(target);
  HGDIOBJ previous = SelectObject(source, previewBitmap_);
  BITMAP bitmap{};
  GetObjectA(previewBitmap_, sizeof(bitmap), &bitmap);
  // The host's preview area grows with the display's scale, and the picture with it.
  const UINT dpi = WindowDpi(window);
  if (dpi == kDefaultDpi) {
    BitBlt(target, 0, 0, bitmap.bmWidth, bitmap.bmHeight, source, 0, 0, SRCCOPY);
  } else {
    SetStretchBltMode(target, HALFTONE);
    SetBrushOrgEx(target, 0, 0, nullptr);
    StretchBlt(target, 0, 0, MulDiv(bitmap.bmWidth, int(dpi), kDefaultDpi),
               MulDiv(bitmap.bmHeight, int(dpi), kDefaultDpi), source, 0, 0, bitmap.bmWidth,
               bitmap.bmHeight, SRCCOPY);
  }
  SelectObject(source, previous);
  DeleteDC(source);
  EndPaint(window, &paint);
}

LRESULT CALLBACK Win32Platform::PreviewWndProc(HWND window, UINT message, WPARAM wParam,
                                               LPARAM lParam) {
  Win32Platform* self = theWin32Platform;
  switch (message) {
    case WM_CREATE:
      if (self != nullptr) {
        self->previewBitmap_ =
            LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kPreviewBitmapResource));
      }
      return 0;
    case WM_DESTROY:
    case WM_CLOSE:
      PostQuitMessage(0);
      return 0;
    case WM_PAINT:
      if (self != nullptr) {
        self->PaintPreview(window);
        return 0;
      }
      return DefWindowProcA(window, message, wParam, lParam);
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

}  // namespace solvane
