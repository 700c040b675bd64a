#include "app/MainLayout.h"

#include <algorithm>

#include "app/TrkControlIds.h"

std::optional<LayoutRect> LayoutResult::Find(int id) const {
  for (const ControlPlace& place : places) {
    if (place.id == id) return place.rect;
  }
  return std::nullopt;
}

namespace {

// A wish larger than `most` becomes `most`, otherwise it is raised to `least`.
// The upper bound wins when the two cross, so a tiny window squeezes a panel
// below its minimum rather than pushing it out of the window.
int ClampWish(int wish, int most, int least) {
  if (wish > most) return most;
  return std::max(wish, least);
}

}  // namespace

LayoutResult ComputeLayout(const LayoutInput& in) {
  LayoutResult out;
  const int cx = in.cx;
  const int cy = in.cy;
  auto place = [&out](int id, int x, int y, int w, int h) { out.places.push_back({id, {x, y, w, h}}); };

  // Title row.
  place(IDC_CLOSE, cx - 32, 2, 25, 25);
  place(IDC_MAXIMIZE, cx - 59, 2, 25, 25);
  place(IDC_MINIMIZE, cx - 86, 2, 25, 25);
  place(IDC_ABOUT, cx - 113, 2, 25, 25);
  place(IDC_SIZE_L, cx - 159, 11, 16, 16);
  place(IDC_SIZE_M, cx - 179, 11, 16, 16);
  place(IDC_SIZE_S, cx - 199, 11, 16, 16);

  // Right column: map and file list.
  const int w = ClampWish(in.wishes.mapWidth, cx - 20, 20);
  const int xr = cx - 5 - w;
  out.rightColumnWidth = w;
  if (in.mapEnabled) {
    const int h = ClampWish(in.wishes.mapHeight, cy - 127, 20);
    out.mapHost = {xr, 48, cx - 5 - xr, h};
    place(IDC_FILE_LIST, xr, h + 53, cx - 5 - xr, (cy - 64) - (h + 53));
    out.rightColumn = EdgeRect{xr, 48, cx - 5, cy - 64};
  } else {
    out.mapHost = {xr, 0, cx - 5 - xr, 0};
    place(IDC_FILE_LIST, xr, 48, cx - 5 - xr, (cy - 64) - 48);
  }

  // Left column: video, position slider, curve and group list.
  out.columnSplit = {xr - 5, 48, xr, cy - 64};
  const int W = xr - 10;
  const int g = in.gsensorEnabled ? in.gsensorHeight : 0;
  const int l = ClampWish(in.wishes.listHeight, cy - 152 - g, 20);
  out.listHeight = l;
  const int vb = cy - 99 - l - g;
  out.videoBottom = vb;
  place(IDC_VIDEO_BG, 5, 48, W, vb - 48);
  place(IDC_PROGRESS_BOARD, 5, vb - 30, W, 30);
  place(IDC_POSITION_SLIDER, 5, vb, W, 20);
  int t = vb + 25;
  if (in.gsensorEnabled) {
    place(IDC_GSENSOR, 5, vb + 25, W, g);
    t = vb + 30 + g;
  }
  place(IDC_GROUP_LIST, 5, t, W, (cy - 64) - t);
  out.listSplit = {5, t - 5, xr - 5, t};

  // Bottom row: file buttons, transport, volume, panel buttons.
  const int fileButtonsX[] = {8, 56, 104, 152};
  const int fileButtons[] = {IDC_OPEN, IDC_SNAP, IDC_SAVE, IDC_DEL};
  for (int i = 0; i < 4; ++i) place(fileButtons[i], fileButtonsX[i], cy - 44, 48, 36);
  place(IDC_SLOW, 220, cy - 48, 40, 40);
  place(IDC_STOP, 261, cy - 48, 40, 40);
  place(IDC_PLAY, 302, cy - 56, 48, 48);
  place(IDC_FAST, 351, cy - 48, 40, 40);
  place(IDC_VOLUME, 402, cy - 40, 12, 24);
  place(IDC_VOLUME_SLIDER, 416, cy - 36, 80, 20);
  const int panelButtons[] = {IDC_LOOP, IDC_KML, IDC_MAP, IDC_GSR, IDC_LOCK};
  for (int i = 0; i < 5; ++i) place(panelButtons[i], cx - 195 + 34 * i, cy - 40, 32, 32);
  return out;
}

LayoutRect VideoAreaInside(const LayoutRect& background, bool fullScreen) {
  if (fullScreen) return background;
  return {background.x + kVideoEdge, background.y + kVideoEdge, background.width - 2 * kVideoEdge,
          background.height - 2 * kVideoEdge};
}

LayoutRect FitVideoRect(const LayoutRect& r, int vw, int vh) {
  if (vw <= 0 || vh <= 0) return r;
  // 64-bit products: a large window times a large picture overflows 32 bits.
  const int64_t rw = r.width;
  const int64_t rh = r.height;
  const int64_t widthByPicture = rw * vh;   // rw x vh
  const int64_t heightByPicture = rh * vw;  // rh x vw
  LayoutRect out = r;
  if (widthByPicture < heightByPicture) {
    out.height = static_cast<int>(rw * vh / vw);
    out.y = r.y + (r.height - out.height) / 2;
  } else if (heightByPicture < widthByPicture) {
    out.width = static_cast<int>(rh * vw / vh);
    out.x = r.x + (r.width - out.width) / 2;
  }
  // The media library scales every picture to the surface's size, and its
  // scaler has fast paths for even widths only: an odd width costs about
  // three times as much per picture. One column less keeps the shape.
  if (out.width > 1 && out.width % 2 != 0) {
    out.width -= 1;
    out.height = static_cast<int>(std::min<int64_t>(out.height, (int64_t{out.width} * vh + vw / 2) / vw));
    out.x = r.x + (r.width - out.width) / 2;
    out.y = r.y + (r.height - out.height) / 2;
  }
  return out;
}

LayoutRect WindowSizeRect(WindowSizeCommand command, const LayoutRect& m) {
  switch (command) {
    case WindowSizeCommand::Small:
      return {m.x + (m.width - kMinWindowWidth) / 2, m.y + (m.height - kMinWindowHeight) / 2, kMinWindowWidth,
              kMinWindowHeight};
    case WindowSizeCommand::Medium:
      return {m.x + m.width / 8, m.y + m.height / 8, std::max(kMinWindowWidth, m.width * 4 / 5),
              std::max(kMinWindowHeight, m.height * 4 / 5)};
    case WindowSizeCommand::Large:
      return m;
  }
  return m;
}

LayoutRect GripSize(int x, int y) { return {0, 0, std::max(x, kMinWindowWidth), std::max(y, kMinWindowHeight)}; }

int MapHeightForDrag(int y) { return y - 48; }
int ListHeightForDrag(int cy, int y) { return cy - y - 74; }
int MapWidthForDrag(int cx, int x) { return cx - x - 10; }

BackgroundHit HitTestBackground(int x, int y, int cx, int cy, const std::optional<EdgeRect>& rightColumn,
                                const EdgeRect& listSplit, const EdgeRect& columnSplit) {
  if (EdgeRect{cx - kGripSize, cy - kGripSize, cx, cy}.Contains(x, y)) return BackgroundHit::Grip;
  if (rightColumn && rightColumn->Contains(x, y)) return BackgroundHit::MapSplit;
  if (listSplit.Contains(x, y)) return BackgroundHit::ListSplit;
  if (columnSplit.Contains(x, y)) return BackgroundHit::ColumnSplit;
  return BackgroundHit::None;
}
