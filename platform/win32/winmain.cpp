// solvane.scr: the screensaver as the system's screensaver host starts it.
#include "app/application.h"
#include "platform/win32/win32_platform.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  solvane::Win32Platform platform(instance);
  solvane::SetHost(&platform);
  const int result = solvane::RunApplication(showCommand);
  solvane::SetHost(nullptr);
  return result;
}
