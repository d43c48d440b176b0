// A stand-in for a screen-saver host: makes a plain X window of the given size at the given
// place, prints its id, then obeys lines on standard input until they end:
//   size W H   resize the window
//   destroy    destroy the window
// Usage: host_window WIDTHxHEIGHT+X+Y
#include <X11/Xlib.h>

#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>

int main(int argc, char** argv) {
  unsigned width = 320;
  unsigned height = 240;
  int x = 0;
  int y = 0;
  if (argc > 1 && std::sscanf(argv[1], "%ux%u+%d+%d", &width, &height, &x, &y) != 4) {
    std::fprintf(stderr, "usage: host_window WIDTHxHEIGHT+X+Y\n");
    return 2;
  }
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "host_window: no display\n");
    return 1;
  }
  XSetWindowAttributes attributes{};
  attributes.background_pixel = BlackPixel(display, DefaultScreen(display));
  attributes.override_redirect = True;  // placed exactly, whatever manages the screen
  const Window window = XCreateWindow(display, DefaultRootWindow(display), x, y, width, height, 0,
                                      CopyFromParent, InputOutput, CopyFromParent,
                                      CWBackPixel | CWOverrideRedirect, &attributes);
  XMapWindow(display, window);
  XSync(display, False);
  std::printf("%lu\n", window);
  std::fflush(stdout);

  std::string line;
  while (std::getline(std::cin, line)) {
    std::istringstream words(line);
    std::string command;
    words >> command;
    if (command == "size" && words >> width >> height) {
      XResizeWindow(display, window, width, height);
    } else if (command == "destroy") {
      XDestroyWindow(display, window);
    }
    XSync(display, False);
    std::printf("ok\n");
    std::fflush(stdout);
  }
  XCloseDisplay(display);
  return 0;
}
