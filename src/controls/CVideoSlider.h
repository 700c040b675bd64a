#pragma once
// The playback position slider (range 0..1000): a press puts the thumb under
// the pointer, dragging follows it, and every move and the release emit
// SeekRequested. The trackbar's own press handling
// is not used.
#include <QColor>
#include <optional>
#include <vector>

#include "controls/CSliderCtrl.h"

class CVideoSlider : public CSliderCtrl {
  Q_OBJECT

 public:
  explicit CVideoSlider(QWidget* parent = nullptr, int controlId = 0);

  // A press on the slider is held (the thumb follows the pointer).
  bool IsDragging() const { return m_dragging; }

  // Harsh moments of the recording: a coloured tick in the trough at each
  // fraction (0..1) of its length.
  struct Mark {
    double fraction = 0;
    QColor color;
  };
  void SetMarks(std::vector<Mark> marks);
  const std::vector<Mark>& Marks() const { return m_marks; }

  // The clip's start (I) and end (O) as fractions of this recording: a
  // bracket where a mark lies within it, and the span between shaded. A mark
  // of another recording of the trip lies below 0 or above 1, so that only
  // the shading reaches the edge.
  struct ClipMarks {
    std::optional<double> start;
    std::optional<double> end;
    bool operator==(const ClipMarks&) const = default;
  };
  void SetClipMarks(const ClipMarks& marks);
  const ClipMarks& GetClipMarks() const { return m_clipMarks; }
  static QColor ClipMarkColor() { return {255, 255, 255}; }

 signals:
  // The thumb was dragged or let go: playback seeks to its position.
  void SeekRequested();

 protected:
  void DrawChannel(QPainter& painter, const QRect& channel) override;
  void DrawThumb(QPainter& painter, const QRect& thumb, bool selected) override;
  void DrawClipMarks(QPainter& painter, const QRect& travel) const;
  bool IsThumbSelected() const override { return m_dragging || CSliderCtrl::IsThumbSelected(); }
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  bool m_dragging = false;
  QColor m_thumbPressedColor{240, 0, 180};
  QColor m_thumbColor{100, 250, 100};
  std::vector<Mark> m_marks;
  ClipMarks m_clipMarks;
};
