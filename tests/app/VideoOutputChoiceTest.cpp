// The video output is chosen by the display's OpenGL renderer: CPU renderers
// turn VLC's GL outputs off, real drivers leave libvlc its own choice.
#include <gtest/gtest.h>

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

TEST(VideoOutputChoice, TheProcessAsksItsOwnDisplayOnce) {
  const QString renderer = DisplayGlRenderer();
  EXPECT_FALSE(renderer.isEmpty()) << "no OpenGL context on this display";
  EXPECT_EQ(VideoOutputArguments(), VideoOutputArgumentsFor(renderer));
}
