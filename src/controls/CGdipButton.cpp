#include "controls/CGdipButton.h"

#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>

#include "controls/ColorMatrix.h"
#include "controls/ControlId.h"
#include "controls/ParentPixels.h"

CGdipButton::CGdipButton(QWidget* parent, int controlId) : QPushButton(parent) {
  if (controlId != 0) SetControlId(this, controlId);
  setMouseTracking(true);
  setFocusPolicy(Qt::NoFocus);
  setFlat(true);
  m_hoverTimer.setSingleShot(true);
  m_hoverTimer.setInterval(1);
  connect(&m_hoverTimer, &QTimer::timeout, this, &CGdipButton::OnMouseHover);
}

CGdipButton::~CGdipButton() = default;

const QImage& CGdipButton::Picture(PictureKind kind) const {
  switch (kind) {
    case PictureKind::NormalPressed:
      return m_picNormalPressed;
    case PictureKind::NormalHot:
      return m_picNormalHot;
    case PictureKind::Second:
      return m_picSecond;
    case PictureKind::SecondPressed:
      return m_picSecondPressed;
    case PictureKind::SecondHot:
      return m_picSecondHot;
    case PictureKind::Dimmed:
      return m_picDimmed;
    case PictureKind::Normal:
      break;
  }
  return m_picNormal;
}

bool CGdipButton::SetImage(uint32_t pngId) {
  m_image = std::make_unique<CGdiPlusBitmapResource>();
  return m_image->Load(pngId, "PNG");
}

bool CGdipButton::SetSecondImage(uint32_t pngId) {
  m_hasSecondImage = true;
  m_secondImage = std::make_unique<CGdiPlusBitmapResource>();
  return m_secondImage->Load(pngId, "PNG");
}

void CGdipButton::EnableToggle() {
  if (!m_hasSecondImage) return;
  m_toggleOnClick = true;
  m_picCurrent = m_picSecond.isNull() ? nullptr : &m_picSecond;
}

void CGdipButton::SetTipText(const QString& text, bool activate) {
  if (text.isEmpty()) return;
  if (!m_tip) {
    m_tip = std::make_unique<CTrcToolTipCtrl>(this);
    m_tip->Activate(true);
  }
  m_tipText = text;
  if (m_tip->ToolCount() == 0) m_tip->RegisterTool(this, text);
  m_tip->SetToolText(this, text);
  m_tip->SetDelayTime(2000);
  m_tip->Activate(activate);
}

QImage CGdipButton::Compose(const QImage& source, const QRect& target) const {
  QImage picture = m_background.copy();
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
  if (!source.isNull()) painter.drawImage(target, source);
  return picture;
}

void CGdipButton::PreparePictures() {
  if (!m_image || m_image->IsEmpty()) return;
  const QSize size = this->size();
  if (size.isEmpty()) return;
  m_background = CaptureParentPixels(this);
  if (m_background.isNull()) {
    m_background = QImage(size, QImage::Format_ARGB32_Premultiplied);
    m_background.fill(Qt::transparent);
  }
  const QRect whole(QPoint(0, 0), size);
  const QRect shifted(QPoint(1, 1), size);

  if (m_picNormal.isNull()) {
    const QImage& source = *m_image->Bitmap();
    m_picNormal = Compose(source, whole);
    if (m_picNormalPressed.isNull()) m_picNormalPressed = Compose(source, shifted);
    if (m_picNormalHot.isNull()) m_picNormalHot = Compose(ApplyColorMatrix(BrighteningMatrix(), source), whole);
    if (m_picDimmed.isNull()) m_picDimmed = Compose(ApplyColorMatrix(GreyMatrix(), source), whole);
  }
  if (m_picSecond.isNull() && m_hasSecondImage) {
    const QImage empty;
    const QImage& source = (m_secondImage && !m_secondImage->IsEmpty()) ? *m_secondImage->Bitmap() : empty;
    m_picSecond = Compose(source, whole);
    if (m_picSecondPressed.isNull()) m_picSecondPressed = Compose(source, shifted);
    if (m_picSecondHot.isNull()) {
      m_picSecondHot = Compose(source.isNull() ? source : ApplyColorMatrix(BrighteningMatrix(), source), whole);
    }
  }
  if (m_picCurrent == nullptr) m_picCurrent = &m_picNormal;
  // The background is captured again before the next painting.
  m_background = QImage();
}

void CGdipButton::mousePressEvent(QMouseEvent* event) {
  // A press flips a two-state button once, before the pressed picture is
  // painted, so that repaints during a held press cannot flip it again.
  if (event->button() == Qt::LeftButton && hitButton(event->position().toPoint()) && !m_dimmed && m_toggleOnClick) {
    m_showSecond = !m_showSecond;
  }
  QPushButton::mousePressEvent(event);
}

void CGdipButton::DrawItem(QPainter& painter, bool pressed) {
  const QImage* current = nullptr;
  if (m_dimmed) {
    current = &m_picDimmed;
  } else if (pressed) {
    current = m_showSecond ? &m_picSecondPressed : &m_picNormalPressed;
  } else if (m_mouseOver) {
    current = m_showSecond ? &m_picSecondHot : &m_picNormalHot;
  } else {
    current = m_showSecond ? &m_picSecond : &m_picNormal;
  }
  m_picCurrent = current;
  if (current->isNull()) return;
  painter.setCompositionMode(QPainter::CompositionMode_Source);
  painter.drawImage(QPoint(0, 0), *current);
}

void CGdipButton::paintEvent(QPaintEvent*) {
  PreparePictures();
  QPainter painter(this);
  DrawItem(painter, isDown());
}

void CGdipButton::TrackMouse() {
  if (m_trackingLeave) return;
  m_trackingLeave = true;
  m_hoverTimer.start();
}

void CGdipButton::enterEvent(QEnterEvent* event) {
  TrackMouse();
  QPushButton::enterEvent(event);
}

void CGdipButton::mouseMoveEvent(QMouseEvent* event) {
  TrackMouse();
  QPushButton::mouseMoveEvent(event);
}

void CGdipButton::OnMouseHover() {
  m_mouseOver = true;
  update();
  m_tip.reset();
  SetTipText(m_tipText, true);
  if (m_tip) m_tip->Popup(this);
}

void CGdipButton::leaveEvent(QEvent* event) {
  OnMouseLeave();
  QPushButton::leaveEvent(event);
}

void CGdipButton::OnMouseLeave() {
  m_hoverTimer.stop();
  m_trackingLeave = false;
  m_mouseOver = false;
  update();
}

void CGdipButton::mouseDoubleClickEvent(QMouseEvent* event) {
  // A double-click acts as a second press, so two quick clicks are two clicks.
  mousePressEvent(event);
}
