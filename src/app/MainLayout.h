#pragma once
// The main window's geometry as plain arithmetic: where every control goes for
// a client size, how the video fits its area, the three window sizes and the
// effect of the gap and grip drags. No window is needed to compute any of it.
#include <cstdint>
#include <optional>
#include <vector>

struct LayoutRect {  // x, y, width, height
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  bool operator==(const LayoutRect&) const = default;
};

struct EdgeRect {  // left, top, right (exclusive), bottom (exclusive)
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
  bool operator==(const EdgeRect&) const = default;
};

constexpr int kMinWindowWidth = 800;
constexpr int kMinWindowHeight = 560;
constexpr int kGripSize = 20;  // the resize grip square in the bottom-right corner
constexpr int kVideoEdge = 2;  // sunken edge around the video area outside full screen

struct PanelWishes {
  int mapWidth = 240;    // right column (map and file list)
  int mapHeight = 240;   // map panel
  int listHeight = 120;  // group list
};

struct LayoutInput {
  int cx = 0;
  int cy = 0;
  bool mapEnabled = true;
  bool gsensorEnabled = true;
  int gsensorHeight = 0;  // the curve's current height
  PanelWishes wishes;
};

struct ControlPlace {
  int id = 0;
  LayoutRect rect;
};

struct LayoutResult {
  std::vector<ControlPlace> places;  // in the order they are placed
  LayoutRect mapHost;
  std::optional<EdgeRect> rightColumn;  // none when the map is off
  EdgeRect listSplit;
  EdgeRect columnSplit;
  int rightColumnWidth = 0;
  int listHeight = 0;  // the clamped list height
  int videoBottom = 0;
  // Rectangle of a control id; std::nullopt when the layout does not place it.
  std::optional<LayoutRect> Find(int id) const;
};

// Normal-mode layout for a client area of cx x cy.
LayoutResult ComputeLayout(const LayoutInput& input);

// The surface rectangle inside `area` for a picture of vw x vh, of an even
// width; the whole area when the picture size is unknown (0).
LayoutRect FitVideoRect(const LayoutRect& area, int vw, int vh);
// The video background rectangle shrunk by the edge outside full screen.
LayoutRect VideoAreaInside(const LayoutRect& background, bool fullScreen);

enum class WindowSizeCommand { Small, Medium, Large };
// Window rectangle of S, M or L on the given monitor rectangle.
LayoutRect WindowSizeRect(WindowSizeCommand command, const LayoutRect& monitor);

// Window size at the end of a grip drag to client point (x, y).
LayoutRect GripSize(int x, int y);

// Wishes after dragging a gap to client point (x, y) of a cx x cy window.
int MapHeightForDrag(int y);
int ListHeightForDrag(int cy, int y);
int MapWidthForDrag(int cx, int x);

// What a left press on the window's own background starts.
enum class BackgroundHit { None, Grip, MapSplit, ListSplit, ColumnSplit };
BackgroundHit HitTestBackground(int x, int y, int cx, int cy, const std::optional<EdgeRect>& rightColumn,
                                const EdgeRect& listSplit, const EdgeRect& columnSplit);
