#include "app/VideoOutputChoice.h"

#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>

#include "app/DisplayOpenGl.h"

QString DisplayGlRenderer() {
  QOffscreenSurface surface;
  surface.create();
  QOpenGLContext context;
  if (!surface.isValid() || !context.create() || !context.makeCurrent(&surface)) return {};
  const auto* renderer = reinterpret_cast<const char*>(context.functions()->glGetString(GL_RENDERER));
  QString name = renderer != nullptr ? QString::fromLatin1(renderer) : QString();
  context.doneCurrent();
  return name;
}

bool IsSoftwareGlRenderer(const QString& renderer) {
  // Mesa names its CPU rasterisers llvmpipe, softpipe and swrast ("Software
  // Rasterizer"); Microsoft's, under WSL, is "GDI Generic".
  for (const char* cpu : {"llvmpipe", "softpipe", "swrast", "software rasterizer", "gdi generic"})
    if (renderer.contains(QLatin1String(cpu), Qt::CaseInsensitive)) return true;
  return false;
}

namespace {

// "none" as the OpenGL and OpenGL ES provider makes both GL outputs fail to
// open; libvlc then takes the next output (XVideo where the server has it,
// else X11). "--vout" would not do: binding the player to a window resets it.
std::vector<std::string> GlOutputsOff() { return {"--gl=none", "--gles2=none"}; }

}  // namespace

std::vector<std::string> VideoOutputArgumentsFor(const QString& renderer) {
  return IsSoftwareGlRenderer(renderer) ? GlOutputsOff() : std::vector<std::string>{};
}

const std::vector<std::string>& VideoOutputArguments() {
  // A process without OpenGL has no renderer to ask: its display draws on the CPU.
  static const std::vector<std::string> arguments =
      ProcessWithoutOpenGl() ? GlOutputsOff() : VideoOutputArgumentsFor(DisplayGlRenderer());
  return arguments;
}
