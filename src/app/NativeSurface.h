#pragma once
// A child widget with a platform window of its own (the video surface that
// the media library draws into, and what must stay above it).
//
// The window keeps plain raster painting (the map's web view composes in a
// window of its own), so such a child is painted from the window's backing
// store like any other, and its window id stays what it was first handed out.
class QWidget;

void MakeNativeSurface(QWidget* widget);
