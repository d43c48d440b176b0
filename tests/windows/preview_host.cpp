// A stand-in for the system's screensaver host in the preview tests: it opens a window, starts
// the screensaver with /p and that window's handle, keeps the window for a while, destroys it,
// and reports whether the preview process then ended by itself.
//
// usage: preview_host SCREENSAVER DELAY_MS
// prints "hwnd=N" once the window is up; "bitmap=WxHxB" for the screensaver's preview picture
// (bitmap resource 112, read from the file); "child=WxH" for the preview window found inside
// the host's window ("child=none" if there is none); then "ended N" (the preview's exit code)
// or "hung". The window's client area is 320 x 240 at screen position (100, 100), blue.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(window, message, wParam, lParam);
}

void Pump(DWORD milliseconds) {
  const DWORD start = GetTickCount();
  MSG message;
  while (GetTickCount() - start < milliseconds) {
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    Sleep(10);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fputs("usage: preview_host SCREENSAVER DELAY_MS\n", stderr);
    return 2;
  }
  const DWORD delay = DWORD(std::strtoul(argv[2], nullptr, 10));
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = HostProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.hbrBackground = CreateSolidBrush(RGB(0, 0, 255));
  windowClass.lpszClassName = "PreviewHost";
  RegisterClassA(&windowClass);
  HWND host =
      CreateWindowExA(0, "PreviewHost", "Preview host", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN,
                      100, 100, 320, 240, nullptr, nullptr, windowClass.hInstance, nullptr);
  if (host == nullptr) {
    std::puts("no host window");
    return 1;
  }
  UpdateWindow(host);
  std::printf("hwnd=%lu\n", static_cast<unsigned long>(reinterpret_cast<uintptr_t>(host)));
  std::fflush(stdout);

  std::string commandLine =
      std::string("\"") + argv[1] + "\" /p " + std::to_string(reinterpret_cast<uintptr_t>(host));
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    std::puts("cannot start the preview");
    return 1;
  }
  Pump(delay);

  HWND child = FindWindowExA(host, nullptr, "KVSSPreview", "SLVNSS");
  RECT area{};
  if (child != nullptr && GetClientRect(child, &area)) {
    std::printf("child=%ldx%ld\n", area.right - area.left, area.bottom - area.top);
  } else {
    std::puts("child=none");
  }
  HMODULE file = LoadLibraryExA(argv[1], nullptr, LOAD_LIBRARY_AS_DATAFILE);
  HBITMAP picture = file ? static_cast<HBITMAP>(LoadImageA(file, MAKEINTRESOURCEA(112),
                                                           IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION))
                         : nullptr;
  BITMAP info{};
  if (picture != nullptr && GetObjectA(picture, sizeof(info), &info)) {
    std::printf("bitmap=%ldx%ldx%d\n", info.bmWidth, info.bmHeight, info.bmBitsPixel);
  } else {
    std::puts("bitmap=none");
  }
  std::fflush(stdout);
  DestroyWindow(host);
  Pump(200);
  if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0) {
    TerminateProcess(process.hProcess, 1);
    std::puts("hung");
    return 3;
  }
  DWORD code = 1;
  GetExitCodeProcess(process.hProcess, &code);
  std::printf("ended %lu\n", static_cast<unsigned long>(code));
  return 0;
}
