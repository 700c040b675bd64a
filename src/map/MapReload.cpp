#include "map/MapReload.h"

#include "map/CHtmlMapDlg.h"
#include "map/TrackDrawing.h"

namespace {

constexpr int kMapPage = 143;

}  // namespace

void ReloadMapPage(CHtmlMapDlg& map, int32_t provider, RecordingLibrary& library) {
  map.SetMapProvider(provider);
  // Calls made before the page has loaded are dropped: the route waits for it.
  QObject::connect(
      &map, &CHtmlMapDlg::PageLoaded, &map,
      [&library](bool ok) {
        if (ok) DrawLoadedTrack(library);
      },
      Qt::SingleShotConnection);
  map.LoadFromResource(kMapPage);
}
