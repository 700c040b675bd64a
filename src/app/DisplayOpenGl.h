#pragma once
// Whether this X display draws OpenGL on a graphics card, asked of the X
// server before Qt starts. On a display that would draw it on the CPU
// (Xvfb, a remote display, a machine without a working driver) Mesa's
// llvmpipe maps 65 MB of LLVM and its rasteriser into the viewer, to draw
// what Qt's software paths, the web engine's software compositor and VLC's
// X11 output draw for less. There the viewer goes without OpenGL.

// What the X server offers its clients' OpenGL.
struct DisplayGlFacts {
  bool reached = false;  // an X server answered at $DISPLAY
  bool dri3 = false;     // Mesa's drivers reach the card through DRI3 or DRI2
  bool dri2 = false;
  bool nvidiaGlx = false;       // NVIDIA's driver brings a GLX of its own ("NV-GLX")
  bool softwareForced = false;  // LIBGL_ALWAYS_SOFTWARE asks Mesa for its CPU renderer
};

// The X server at $DISPLAY, asked for the extensions above in one round trip.
DisplayGlFacts AskDisplayGl();

// OpenGL on this display could only be drawn on the CPU.
bool DrawsOpenGlOnCpu(const DisplayGlFacts& facts);

// Before the QApplication: on an X display that draws OpenGL on the CPU, Qt
// gets no OpenGL (QT_XCB_GL_INTEGRATION=none) and Qt Quick, which shows the
// web pages, its software renderer. A user's own choice of either stands.
void LeaveOpenGlOutOnCpuDisplays();

// This process runs without OpenGL (QT_XCB_GL_INTEGRATION is "none").
bool ProcessWithoutOpenGl();
