#include "TestWindow.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

// One connection for the whole run. Xvfb resets itself when its last client
// goes, and a window opened during that reset fails; the shared connection
// keeps the server up between tests.
Display* SharedDisplay() {
  static Display* const display = XOpenDisplay(nullptr);
  return display;
}

}  // namespace

TestWindow::TestWindow(int width, int height) : m_width(width), m_height(height) {
  m_display = SharedDisplay();
  if (m_display == nullptr) return;
  m_window = XCreateSimpleWindow(m_display, DefaultRootWindow(m_display), 0, 0, width, height, 0, 0, 0);
  XMapWindow(m_display, m_window);
  XSync(m_display, False);
}

TestWindow::~TestWindow() {
  if (m_display == nullptr) return;
  XDestroyWindow(m_display, m_window);
  XSync(m_display, False);
}

RgbImage TestWindow::Grab() const {
  RgbImage image;
  if (m_display == nullptr) return image;
  XSync(m_display, False);
  // The video output draws into a child of this window; without a compositor
  // the parent's image holds what the child shows.
  XImage* grabbed = XGetImage(m_display, m_window, 0, 0, m_width, m_height, AllPlanes, ZPixmap);
  if (grabbed == nullptr) return image;
  image.width = m_width;
  image.height = m_height;
  image.pixels.resize(static_cast<size_t>(m_width) * m_height * 3);
  for (int y = 0; y < m_height; ++y)
    for (int x = 0; x < m_width; ++x) {
      const unsigned long pixel = XGetPixel(grabbed, x, y);
      std::uint8_t* out = &image.pixels[(static_cast<size_t>(y) * m_width + x) * 3];
      out[0] = static_cast<std::uint8_t>((pixel & grabbed->red_mask) >> __builtin_ctzl(grabbed->red_mask));
      out[1] = static_cast<std::uint8_t>((pixel & grabbed->green_mask) >> __builtin_ctzl(grabbed->green_mask));
      out[2] = static_cast<std::uint8_t>((pixel & grabbed->blue_mask) >> __builtin_ctzl(grabbed->blue_mask));
    }
  XDestroyImage(grabbed);
  return image;
}
