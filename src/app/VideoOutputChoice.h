#pragma once
// Which of libvlc's video outputs suits this display.
//
// VLC's OpenGL output is the cheap one on a graphics card. Under a software
// renderer (Mesa's llvmpipe on a laptop without a working driver, any
// virtual display) it rasterises every picture on the CPU, and draws the
// paused picture again every 80 ms; the plain X11 output only scales and
// copies it, for a fraction of the cost.
#include <QString>
#include <string>
#include <vector>

// The OpenGL renderer of this display ("" when no context can be made).
QString DisplayGlRenderer();

// A renderer that draws on the CPU.
bool IsSoftwareGlRenderer(const QString& renderer);

// Instance arguments for a display with this renderer: VLC's OpenGL outputs
// are turned off under a software renderer, so that it falls back to X11;
// nothing otherwise.
std::vector<std::string> VideoOutputArgumentsFor(const QString& renderer);

// VideoOutputArgumentsFor(DisplayGlRenderer()), asked once per process.
const std::vector<std::string>& VideoOutputArguments();
