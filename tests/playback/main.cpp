// Xlib is used by the test's own window while libvlc's threads run: Xlib
// must be made thread-safe before its first call.
#include <gtest/gtest.h>
// after GoogleTest: Xlib defines macros that clash with its names
#include <X11/Xlib.h>

int main(int argc, char** argv) {
  XInitThreads();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
