#pragma once
// The volume slider (range 0..100): shows the window behind it, keeps the
// trackbar's own press handling, puts the thumb under the pointer, and emits
// VolumeChanged on every drag move and on release.
#include <QColor>
#include <QImage>

#include "controls/CSliderCtrl.h"

class CMySliderControl : public CSliderCtrl {
  Q_OBJECT

 public:
  explicit CMySliderControl(QWidget* parent = nullptr, int controlId = 0);
  ~CMySliderControl() override;

 signals:
  // The thumb was dragged or let go: the volume follows its position.
  void VolumeChanged();

 protected:
  void DrawChannel(QPainter& painter, const QRect& channel) override;
  void DrawThumb(QPainter& painter, const QRect& thumb, bool selected) override;
  bool IsThumbSelected() const override { return m_dragging || CSliderCtrl::IsThumbSelected(); }
  void moveEvent(QMoveEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  QImage m_backgroundDC;  // parent's pixels behind the slider; null: none yet
  QColor m_thumbColor{255, 0, 0};
  QColor m_thumbPressedColor{170, 0, 0};
  bool m_dragging = false;
};
