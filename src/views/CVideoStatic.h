#pragma once
// The video surface. The media library draws the pictures into its window
// (winId()); the surface itself paints its dark background and, while a
// folder is scanned, the number of files examined in large glowing figures.
// A double-click asks for full screen (FullScreenToggleRequested).
#include <QBrush>
#include <QImage>
#include <QWidget>
#include <cstdint>

class CVideoStatic : public QWidget {
  Q_OBJECT

 public:
  explicit CVideoStatic(QWidget* parent = nullptr, int controlId = 0);
  ~CVideoStatic() override;

  // The scan's count of files examined: stores it and repaints at once.
  void ShowScanCount(int32_t count);
  // The counter shown while busy.
  int32_t Counter() const { return m_counter; }
  void SetCounter(int32_t count) { m_counter = count; }
  // While busy (a folder is scanned) the counter is painted over the background.
  bool IsBusyPictureShown() const { return m_busyPicture == 1; }
  void SetBusyPicture(bool shown) { m_busyPicture = shown ? 1 : 0; }
  // The picture the media library showed before it gave its output up
  // during a long pause, painted where the library drew it: scaled to fit,
  // centred, on black. A null image takes it off.
  void ShowStill(const QImage& still);
  bool IsStillShown() const { return !m_still.isNull(); }

 signals:
  // A left double-click: full screen on or off.
  void FullScreenToggleRequested();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  QBrush m_brush{QColor(64, 64, 64)};
  int32_t m_busyPicture = 0;
  int32_t m_counter = 0;
  QImage m_still;
  // m_still scaled for the surface's size, made again when that changes.
  QImage m_scaledStill;
};

// The video background: paints nothing (the window's dark background shows
// through) and asks for full screen on a double-click.
class CVideoStaticBg : public QWidget {
  Q_OBJECT

 public:
  explicit CVideoStaticBg(QWidget* parent = nullptr, int controlId = 0);
  ~CVideoStaticBg() override;

 signals:
  void FullScreenToggleRequested();  // as CVideoStatic's

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
};
