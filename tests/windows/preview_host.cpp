// A stand-in for the system's screensaver host in the preview test: it opens a window (client
// area 320 x 240 at screen position (100, 100)), starts the screensaver with /p and the window's
// handle, destroys the window after DELAY_MS and reports whether the preview then ends by itself.
//
// usage: preview_host SCREENSAVER DELAY_MS
// prints "child=WxH+X+Y" for the preview window found inside the host's client area ("child=none"
// without one), "bitmap=WxHxB" for the screensaver's preview picture (bitmap resource 112, read
// from the file), then "ended N" (the preview's exit code) or "hung".
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

static void Pump(DWORD milliseconds) {
  const DWORD start = GetTickCount();
  MSG message;
  while (GetTickCount() - start < milliseconds) {
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    Sleep(10);
  }
}

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = DefWindowProcA;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "PreviewHost";
  RegisterClassA(&windowClass);
  HWND host =
      CreateWindowExA(0, "PreviewHost", "Preview host", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN,
                      100, 100, 320, 240, nullptr, nullptr, windowClass.hInstance, nullptr);
  // The window's handle in decimal, as the system's host writes it.
  std::string commandLine =
      std::string("\"") + argv[1] + "\" /p " + std::to_string(reinterpret_cast<uintptr_t>(host));
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (host == nullptr || !CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0,
                                         nullptr, nullptr, &startup, &process)) {
    std::puts("cannot start the preview");
    return 1;
  }
  Pump(DWORD(std::strtoul(argv[2], nullptr, 10)));

  HWND child = FindWindowExA(host, nullptr, "KVSSPreview", "SLVNSS");
  RECT area{};
  if (child != nullptr && GetClientRect(child, &area)) {
    MapWindowPoints(child, host, reinterpret_cast<POINT*>(&area), 2);
    std::printf("child=%ldx%ld+%ld+%ld\n", area.right - area.left, area.bottom - area.top,
                area.left, area.top);
  } else {
    std::puts("child=none");
  }
  HMODULE file = LoadLibraryExA(argv[1], nullptr, LOAD_LIBRARY_AS_DATAFILE);
  BITMAP info{};
  if (file != nullptr &&
      GetObjectA(LoadImageA(file, MAKEINTRESOURCEA(112), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION),
                 sizeof(info), &info)) {
    std::printf("bitmap=%ldx%ldx%d\n", info.bmWidth, info.bmHeight, info.bmBitsPixel);
  } else {
    std::puts("bitmap=none");
  }
  std::fflush(stdout);
  DestroyWindow(host);
  Pump(200);
  DWORD code = 1;
  if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0) {
    TerminateProcess(process.hProcess, 1);
    std::puts("hung");
  } else if (GetExitCodeProcess(process.hProcess, &code)) {
    std::printf("ended %lu\n", static_cast<unsigned long>(code));
  }
}
