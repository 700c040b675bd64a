#pragma once
// Whether the window system the viewer is about to use can be reached, asked
// before Qt starts: Qt's own failure aborts with advice that misleads.

// QT_QPA_PLATFORM "xcb" (the viewer's default): an X server answers at
// $DISPLAY. "wayland": $WAYLAND_DISPLAY is set. Any other platform (offscreen,
// vnc, ...) brings its own screen: true.
bool DisplayReachable();

// The one line the viewer prints when there is no display.
const char* NoDisplayMessage();
