#include "map/MapReload.h"

#include "map/CHtmlMapDlg.h"

namespace {

constexpr int kMapPage = 143;

}  // namespace

void ReloadMapPage(CHtmlMapDlg& map, int32_t provider, std::function<void()> redrawTrack) {
  map.SetMapProvider(provider);
  // Calls made before the page has loaded are dropped: the route waits for it.
  QObject::connect(
      &map, &CHtmlMapDlg::PageLoaded, &map,
      [redrawTrack = std::move(redrawTrack)](bool ok) {
        if (ok && redrawTrack) redrawTrack();
      },
      Qt::SingleShotConnection);
  map.LoadFromResource(kMapPage);
}
