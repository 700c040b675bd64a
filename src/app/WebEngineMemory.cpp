#include "app/WebEngineMemory.h"

#include <QByteArray>
#include <QtGlobal>

#include "app/DisplayOpenGl.h"

namespace {

// One renderer serves every page (the map, the about page), and no spare one
// is kept ready for another site. Measured with bench/viewer-memory (see the
// README): starting the renderer without the zygotes (--no-zygote) lowers the
// summed RSS but raises the PSS, since a renderer forked from a zygote shares
// its initialised pages; the zygote the renderer comes from stays. The other
// one, for helpers that run outside the sandbox, has nothing to start: the
// GPU and network work runs inside the viewer. Without it 50 MB of resident
// memory go.
constexpr const char* kTrimSwitches =
    "--renderer-process-limit=1 --process-per-site --disable-features=SpareRendererForSitePerProcess "
    "--no-unsandboxed-zygote";

}  // namespace

void TrimWebEngineMemory() {
  const QByteArray own = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
  QByteArray flags(kTrimSwitches);
  // Without OpenGL in the process the engine composes on the CPU.
  if (ProcessWithoutOpenGl()) flags += " --disable-gpu";
  // The zygote exists to start sandboxed renderers quickly; with the sandbox
  // off (as root) the one renderer starts on its own, and the zygote's
  // 50 MB go. The shared pages are the same either way (measured: PSS alike).
  if (qEnvironmentVariableIntValue("QTWEBENGINE_DISABLE_SANDBOX") != 0 || own.contains("--no-sandbox"))
    flags += " --no-zygote";
  if (!own.isEmpty()) flags += ' ' + own;
  qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags);
}
