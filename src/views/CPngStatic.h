#pragma once
// A PNG picture scaled to the control, in colour (m_state nonzero) or in grey
// (m_state 0). Without a picture it paints nothing. The owner assigns the
// picture once (SetPicture) and writes m_state directly, then calls update().
#include <QWidget>
#include <cstdint>
#include <memory>

#include "CGdiPlusBitmapResource.h"

class CPngStatic : public QWidget {
  Q_OBJECT

 public:
  explicit CPngStatic(QWidget* parent = nullptr, int controlId = 0);
  ~CPngStatic() override;

  // Loads PNG `pngId` into m_picture; false (and no picture) when it fails.
  bool SetPicture(uint32_t pngId);

  std::unique_ptr<CGdiPlusBitmapResource> m_picture;
  int32_t m_state = 0;

 protected:
  void paintEvent(QPaintEvent* event) override;
};
