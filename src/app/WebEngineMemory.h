#pragma once
// Chromium switches that keep the web engine behind the map and about pages
// small. The pages are the program's own (a Leaflet map, an about page), so
// none of the engine's isolation between sites buys anything here.

// Puts the switches in front of what QTWEBENGINE_CHROMIUM_FLAGS already holds
// (so a user's own switches still win). Call before the first web view.
void TrimWebEngineMemory();
