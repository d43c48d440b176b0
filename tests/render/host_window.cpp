// A stand-in for a screen-saver host: makes an X window of the given size at the given place,
// prints its id, then obeys lines on standard input ("size W H" resizes the window, "destroy"
// destroys it) until they end. Usage: host_window WIDTHxHEIGHT+X+Y
#include <GL/glx.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>

int main(int argc, char** argv) {
  unsigned width = 0;
  unsigned height = 0;
  int x = 0;
  int y = 0;
  Display* display = XOpenDisplay(nullptr);
  if (argc != 2 || std::sscanf(argv[1], "%ux%u+%d+%d", &width, &height, &x, &y) != 4 ||
      display == nullptr) {
    std::fprintf(stderr, "usage: host_window WIDTHxHEIGHT+X+Y, with a display\n");
    return 2;
  }
  // A single-buffered visual, which the scene cannot draw in, as hosts often have: the saver
  // then draws in a child window of its own, which must follow this one.
  XVisualInfo wanted{};
  wanted.screen = DefaultScreen(display);
  int count = 0;
  XVisualInfo* visuals = XGetVisualInfo(display, VisualScreenMask, &wanted, &count);
  XVisualInfo* visual = visuals;
  for (int i = 0, buffers = 1; i < count && buffers; ++i) {
    if (glXGetConfig(display, &visuals[i], GLX_DOUBLEBUFFER, &buffers) == 0 && !buffers) {
      visual = &visuals[i];
    }
  }
  const Window root = DefaultRootWindow(display);
  XSetWindowAttributes attributes{};
  attributes.override_redirect = True;  // placed exactly, whatever manages the screen
  attributes.colormap = XCreateColormap(display, root, visual->visual, AllocNone);
  const Window window =
      XCreateWindow(display, root, x, y, width, height, 0, visual->depth, InputOutput,
                    visual->visual, CWColormap | CWBorderPixel | CWOverrideRedirect, &attributes);
  XMapWindow(display, window);
  XSync(display, False);
  std::printf("%lu\n", window);
  std::fflush(stdout);

  std::string line;
  while (std::getline(std::cin, line)) {
    std::istringstream words(line);
    std::string command;
    words >> command;
    if (command == "size" && words >> width >> height)
      XResizeWindow(display, window, width, height);
    if (command == "destroy") XDestroyWindow(display, window);
    XSync(display, False);
  }
  XCloseDisplay(display);
  return 0;
}
