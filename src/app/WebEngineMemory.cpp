#include "app/WebEngineMemory.h"

#include <QByteArray>
#include <QtGlobal>

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
  if (!own.isEmpty()) flags += ' ' + own;
  qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags);
}
