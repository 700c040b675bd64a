#pragma once
// Off-screen drawing: everything drawn through dc() lands in an image of the
// area and is copied to the target in one transfer when the object ends.
// Drawing uses the target's coordinates. A printing target is drawn directly.
#include <QImage>
#include <QPainter>
#include <QRect>
#include <optional>

class CMemoryDC {
 public:
  // `area` empty: the target's clip box (or its whole device when unclipped).
  CMemoryDC(QPainter& target, const QRect& area = QRect());
  ~CMemoryDC();
  CMemoryDC(const CMemoryDC&) = delete;
  CMemoryDC& operator=(const CMemoryDC&) = delete;

  QPainter& dc() { return m_offscreen ? *m_painter : *m_targetDC; }
  const QRect& Area() const { return m_area; }
  bool IsOffscreen() const { return m_offscreen; }

 private:
  QImage m_bitmap;          // the off-screen surface
  QPainter* m_targetDC;     // where the result is copied at the end
  QRect m_area;             // covered area in the target's coordinates
  bool m_offscreen = true;  // false while printing
  std::optional<QPainter> m_painter;
};
