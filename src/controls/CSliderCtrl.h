#pragma once
// A horizontal trackbar with the geometry and behaviour the skinned sliders
// build on: a channel between x = 8 and width - 8, a 12-pixel round thumb
// centred on the position, custom drawing of channel and thumb, and the
// trackbar's own mouse handling (a press on the thumb drags it, a press beside
// it pages towards the pointer).
//
// HScroll(action) is the trackbar's scroll notification: emitted after a
// keyboard, wheel, paging or thumb-drag action has been applied. Setting the
// position from code (SetPos) does not notify.
#include <QAbstractSlider>
#include <QColor>
#include <QSlider>

class CSliderCtrl : public QSlider {
  Q_OBJECT

 public:
  explicit CSliderCtrl(QWidget* parent = nullptr, int controlId = 0);

  static constexpr int kThumbWidth = 12;
  static constexpr int kChannelHeight = 4;

  QRect GetChannelRect() const;  // right edge exclusive: left() + width()
  QRect GetThumbRect() const;
  int GetRangeMin() const { return minimum(); }
  int GetRangeMax() const { return maximum(); }
  void SetRange(int minimumValue, int maximumValue, bool redraw = true);
  int GetPos() const { return value(); }
  void SetPos(int position);  // clamped to the range, redrawn, no notification

  // Puts the thumb under x: (x - channel left) * (max - min) / channel width,
  // truncated toward zero, then clamped by the range. A channel of no width
  // leaves the position unchanged.
  void PositionFromX(int x);

 signals:
  void HScroll(int action);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void sliderChange(SliderChange change) override;
#if QT_CONFIG(wheelevent)
  void wheelEvent(QWheelEvent* event) override;
#endif

  // Custom-draw stages.
  virtual void DrawChannel(QPainter& painter, const QRect& channel);
  virtual void DrawThumb(QPainter& painter, const QRect& thumb, bool selected);
  virtual bool IsThumbSelected() const { return m_thumbTracking; }
  // Fills the ellipse inscribed in `thumb`; a colour of 0 (black) means the
  // system's button colour (highlight colour while selected).
  void PaintRoundThumb(QPainter& painter, const QRect& thumb, bool selected, const QColor& color,
                       const QColor& pressedColor) const;

  // The trackbar's own handling of the mouse.
  void TrackbarMousePress(QMouseEvent* event);
  void TrackbarMouseMove(QMouseEvent* event);
  void TrackbarMouseRelease(QMouseEvent* event);

  bool IsThumbTracking() const { return m_thumbTracking; }

 private:
  void RunAction(QAbstractSlider::SliderAction action);
  void OnActionTriggered(int action);

  bool m_thumbTracking = false;
  QRect m_paintedThumb;  // where the last paint put the thumb
  int m_lastAction = QAbstractSlider::SliderNoAction;
};
