#pragma once
// A plain X11 window for the video to play into, and grabs of what it shows.
// Xlib itself stays out of this header: its macros (None, Bool, Status)
// collide with GoogleTest.
#include <cstddef>
#include <cstdint>
#include <vector>

// Packed RGB, 3 bytes a pixel, row after row.
struct RgbImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;

  const std::uint8_t* At(int x, int y) const { return &pixels[(static_cast<size_t>(y) * width + x) * 3]; }
  // Pixels inside the rectangle for which test(r, g, b) holds.
  template <typename Test>
  int Count(int x0, int y0, int w, int h, Test test) const {
    int count = 0;
    for (int y = y0; y < y0 + h && y < height; ++y)
      for (int x = x0; x < x0 + w && x < width; ++x) {
        const std::uint8_t* p = At(x, y);
        if (test(p[0], p[1], p[2])) ++count;
      }
    return count;
  }
};

inline bool IsGreen(int r, int g, int b) { return g > 180 && r < 100 && b < 100; }
inline bool IsRed(int r, int g, int b) { return r > 180 && g < 90 && b < 90; }
inline bool IsBlue(int r, int g, int b) { return b > 180 && r < 90 && g < 90; }

class TestWindow {
 public:
  TestWindow(int width, int height);
  ~TestWindow();
  TestWindow(const TestWindow&) = delete;
  TestWindow& operator=(const TestWindow&) = delete;

  bool IsOpen() const { return m_display != nullptr; }
  unsigned long Id() const { return m_window; }
  RgbImage Grab() const;

 private:
  struct _XDisplay* m_display = nullptr;
  unsigned long m_window = 0;
  int m_width;
  int m_height;
};
