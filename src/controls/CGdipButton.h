#pragma once
// A push button that paints a PNG picture from the program's resources: its
// transparent parts show the parent window behind it, a brighter version while
// the pointer rests on it, a version shifted by one pixel while pressed, a grey
// version when dimmed, and for two-state buttons a second picture that a press
// switches to and from.
//
// The button's command is Qt's clicked() signal. Owners switch the picture
// with SetShowSecond and SetDimmed and call update().
#include <QImage>
#include <QPushButton>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <memory>

#include "controls/CGdiPlusBitmapResource.h"
#include "controls/CTrcToolTipCtrl.h"

class CGdipButton : public QPushButton {
  Q_OBJECT

 public:
  explicit CGdipButton(QWidget* parent = nullptr, int controlId = 0);
  ~CGdipButton() override;

  // Normal picture (PNG resource id); false when it did not load.
  bool SetImage(uint32_t pngId);
  // Second picture of a two-state button.
  bool SetSecondImage(uint32_t pngId);
  // Makes a press flip between the two pictures (needs a second picture).
  void EnableToggle();
  void SetTipText(const QString& text, bool activate);

  // Builds the pictures that do not exist yet from the parent's pixels behind
  // the button and the sources; runs before every painting.
  void PreparePictures();

  // Which prepared picture was painted last (null: none).
  const QImage* CurrentPicture() const { return m_picCurrent; }

  // The two-state button shows its second picture (a press flips it).
  bool ShowsSecond() const { return m_showSecond; }
  void SetShowSecond(bool second) { m_showSecond = second; }
  // Grey picture, and a press no longer flips the picture.
  bool IsDimmed() const { return m_dimmed; }
  void SetDimmed(bool dimmed) { m_dimmed = dimmed; }
  // A press flips between the two pictures (EnableToggle was called).
  bool TogglesOnClick() const { return m_toggleOnClick; }
  // The pointer rests on the button (its brighter picture is shown).
  bool IsPointerOver() const { return m_mouseOver; }
  const QString& TipText() const { return m_tipText; }
  // The tooltip, once SetTipText has made it (null before).
  const CTrcToolTipCtrl* Tip() const { return m_tip.get(); }

  // The prepared pictures by state.
  enum class PictureKind { Normal, NormalPressed, NormalHot, Second, SecondPressed, SecondHot, Dimmed };
  const QImage& Picture(PictureKind kind) const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  void DrawItem(QPainter& painter, bool pressed);
  void TrackMouse();
  void OnMouseHover();
  void OnMouseLeave();
  QImage Compose(const QImage& source, const QRect& target) const;

  bool m_hasSecondImage = false;
  bool m_dimmed = false;
  bool m_toggleOnClick = false;
  bool m_mouseOver = false;
  bool m_trackingLeave = false;
  bool m_showSecond = false;
  std::unique_ptr<CGdiPlusBitmapResource> m_secondImage;
  std::unique_ptr<CGdiPlusBitmapResource> m_image;
  QString m_tipText;
  std::unique_ptr<CTrcToolTipCtrl> m_tip;
  QImage m_background;  // null when not captured
  QImage m_picNormal;
  QImage m_picNormalPressed;
  QImage m_picNormalHot;
  QImage m_picSecond;
  QImage m_picSecondPressed;
  QImage m_picSecondHot;
  QImage m_picDimmed;
  const QImage* m_picCurrent = nullptr;

  QTimer m_hoverTimer;
};
