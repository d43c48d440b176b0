// A stand-in for a screen-saver host: makes a plain X window of the given size at the given
// place, prints its id, then obeys lines on standard input until they end:
//   size W H   resize the window
//   destroy    destroy the window
// Usage: host_window WIDTHxHEIGHT+X+Y
#include <GL/glx.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

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
  // A visual the scene cannot draw in (single-buffered), as hosts often have: the saver then
  // draws into a child window of its own, which must follow this one.
  XVisualInfo wanted{};
  wanted.screen = DefaultScreen(display);
  int count = 0;
  XVisualInfo* visuals = XGetVisualInfo(display, VisualScreenMask, &wanted, &count);
  XVisualInfo* visual = visuals;
  for (int i = 0, buffers = 1; i < count; ++i) {
    if (glXGetConfig(display, &visuals[i], GLX_DOUBLEBUFFER, &buffers) == 0 && !buffers) {
      visual = &visuals[i];
      break;
    }
  }
  XSetWindowAttributes attributes{};
  attributes.override_redirect = True;  // placed exactly, whatever manages the screen
  attributes.colormap =
      XCreateColormap(display, DefaultRootWindow(display), visual->visual, AllocNone);
  const Window window = XCreateWindow(display, DefaultRootWindow(display), x, y, width, height, 0,
                                      visual->depth, InputOutput, visual->visual,
                                      CWColormap | CWBorderPixel | CWOverrideRedirect, &attributes);
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
