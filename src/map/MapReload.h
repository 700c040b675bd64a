#pragma once
// The one way the main window loads its map page: at start-up and after every
// change of the map provider.
#include <cstdint>
#include <functional>

class CHtmlMapDlg;

// Copies the provider (0 Google map, 1 China map) into the host and loads the
// map page afresh: marker and lines go back to the page's start. Once the page
// has loaded, `redrawTrack` draws the loaded recording's route again from the
// samples in memory, so that a change of provider does not lose it.
void ReloadMapPage(CHtmlMapDlg& map, int32_t provider, std::function<void()> redrawTrack);
