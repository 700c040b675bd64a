#pragma once
// The compass: one of eight pictures of a compass rose turned to the vehicle's
// heading (picture k has north (k - 1) x 45 degrees clockwise from the top),
// or picture 1 in grey when there is no heading.
#include <QImage>
#include <QPainter>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <vector>

#include "controls/CGdiPlusBitmapResource.h"

// One compass picture over `area`, in grey for "no heading". The widget and
// the shareable clip's overlay both paint through it.
void PaintCompassPicture(QPainter& painter, const QRect& area, const QImage& picture, bool grey);

class CPngCompassStatic : public QWidget {
  Q_OBJECT

 public:
  explicit CPngCompassStatic(QWidget* parent = nullptr, int controlId = 0);
  ~CPngCompassStatic() override;

  bool AddPicture(uint32_t pngId);
  int SetHeading(int32_t heading);
  void ClearHeading();

  // 1-based picture for a heading among `count` pictures (0 when there are none).
  static int32_t PictureForHeading(int32_t heading, int32_t count);

  // Shows picture `picture` (0: grey; beyond the pictures: nothing),
  // repainting only when it changes.
  void ShowPicture(int32_t picture);
  // The picture shown (0: picture 1 in grey).
  int32_t Current() const { return m_current; }
  int32_t PictureCount() const { return static_cast<int32_t>(m_pictures.size()); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::vector<std::unique_ptr<CGdiPlusBitmapResource>> m_pictures;
  int32_t m_current = 0;
};
