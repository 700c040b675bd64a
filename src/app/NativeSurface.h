#pragma once
// A child widget with a platform window of its own (the video surface that
// the media library draws into, and what must stay above it).
//
// The window's web views make it compose its widgets with OpenGL. A native
// child with a plain raster surface can then not be painted at all (it stays
// black), and the first web view recreates every platform window, which
// would change the window id already handed to the media library. A hidden
// OpenGL widget inside the child gives the child, and from the start the
// top-level window, an OpenGL surface: the child paints normally and the
// ids stay what they were.
class QWidget;

void MakeNativeSurface(QWidget* widget);
