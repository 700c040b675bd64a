#pragma once
// A PNG picture scaled to the control, in colour (state nonzero) or in grey
// (state 0). Without a picture it paints nothing. The owner assigns the
// picture once (SetPicture) and sets the state with SetState, then calls update().
#include <QWidget>
#include <cstdint>
#include <memory>

#include "controls/CGdiPlusBitmapResource.h"

class CPngStatic : public QWidget {
  Q_OBJECT

 public:
  explicit CPngStatic(QWidget* parent = nullptr, int controlId = 0);
  ~CPngStatic() override;

  // Loads PNG `pngId`; false (and no picture) when it fails.
  bool SetPicture(uint32_t pngId);
  bool HasPicture() const { return m_picture != nullptr; }
  int32_t State() const { return m_state; }
  void SetState(int32_t state) { m_state = state; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::unique_ptr<CGdiPlusBitmapResource> m_picture;
  int32_t m_state = 0;
};
