// The video output is chosen by the display's OpenGL renderer: CPU renderers
// turn VLC's GL outputs off, real drivers leave libvlc its own choice; a
// display without a way to a graphics card gets no OpenGL at all.
#include <gtest/gtest.h>

#include "app/DisplayOpenGl.h"
#include "app/VideoOutputChoice.h"

TEST(VideoOutputChoice, SoftwareRenderersTurnTheGlOutputsOff) {
  const std::vector<std::string> off = {"--gl=none", "--gles2=none"};
  const struct {
    const char* renderer;
    bool software;
  } cases[] = {
      {"llvmpipe (LLVM 15.0.6, 256 bits)", true},
      {"softpipe", true},
      {"Software Rasterizer", true},
      {"GDI Generic", true},
      {"Mesa Intel(R) UHD Graphics 620 (KBL GT2)", false},
      {"AMD Radeon Graphics (renoir, LLVM 15.0.6, DRM 3.49, 6.1.0-13-amd64)", false},
      {"NVIDIA GeForce GTX 1050/PCIe/SSE2", false},
      {"", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.renderer);
    EXPECT_EQ(IsSoftwareGlRenderer(QString::fromLatin1(c.renderer)), c.software);
    EXPECT_EQ(VideoOutputArgumentsFor(QString::fromLatin1(c.renderer)), c.software ? off : std::vector<std::string>{});
  }
}

// Only an X server that lets a GPU driver in (DRI3, DRI2, NVIDIA's GLX) draws
// OpenGL on a card; Mesa can be told to draw on the CPU anyway.
TEST(VideoOutputChoice, DisplaysWithoutAWayToTheCardDrawOnTheCpu) {
  const struct {
    DisplayGlFacts facts;
    bool cpu;
  } cases[] = {
      {{.reached = true}, true},                               // Xvfb, a remote display
      {{.reached = true, .dri3 = true, .dri2 = true}, false},  // Mesa on a card
      {{.reached = true, .dri2 = true}, false},                // an older server
      {{.reached = true, .nvidiaGlx = true}, false},           // NVIDIA's own driver
      {{.reached = true, .dri3 = true, .softwareForced = true}, true},
      {{}, false},  // no X server: nothing to decide
  };
  for (const auto& c : cases) EXPECT_EQ(DrawsOpenGlOnCpu(c.facts), c.cpu);
}

// Xvfb is such a display: the process runs without OpenGL, and VLC without
// its GL outputs.
TEST(VideoOutputChoice, XvfbLeavesOpenGlOutOfTheProcess) {
  ASSERT_TRUE(DrawsOpenGlOnCpu(AskDisplayGl()));
  EXPECT_TRUE(ProcessWithoutOpenGl());
  EXPECT_TRUE(DisplayGlRenderer().isEmpty());
  EXPECT_EQ(VideoOutputArguments(), (std::vector<std::string>{"--gl=none", "--gles2=none"}));
}
