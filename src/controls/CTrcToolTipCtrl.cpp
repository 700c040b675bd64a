#include "controls/CTrcToolTipCtrl.h"

#include <QEvent>
#include <QHelpEvent>
#include <QLinearGradient>
#include <QPainter>
#include <algorithm>

#include "controls/CGdiPlusBitmapResource.h"
#include "controls/ControlId.h"
#include "settings/Languages.h"

namespace {
constexpr int kMargin = 6;
}

CTrcToolTipCtrl::CTrcToolTipCtrl(QWidget* owner) : QWidget(owner, Qt::ToolTip | Qt::FramelessWindowHint) {
  setAttribute(Qt::WA_ShowWithoutActivating);
  setFocusPolicy(Qt::NoFocus);
  m_autoPop.setSingleShot(true);
  m_autoPop.setInterval(5000);
  connect(&m_autoPop, &QTimer::timeout, this, &QWidget::hide);
}

CTrcToolTipCtrl::~CTrcToolTipCtrl() { ResetTools(); }

void CTrcToolTipCtrl::Activate(bool active) {
  m_active = active;
  if (!active) hide();
}

void CTrcToolTipCtrl::SetDelayTime(int milliseconds) { m_autoPop.setInterval(std::max(0, milliseconds)); }

void CTrcToolTipCtrl::RegisterTool(QWidget* tool, const QString& text) {
  if (tool == nullptr) return;
  m_toolWindows.emplace_back(tool);
  m_toolTexts.push_back({tool, text});
  tool->installEventFilter(this);
}

void CTrcToolTipCtrl::UnregisterTool(QWidget* tool) {
  auto found = std::find(m_toolWindows.begin(), m_toolWindows.end(), tool);
  if (found != m_toolWindows.end()) m_toolWindows.erase(found);
  auto text = std::find_if(m_toolTexts.begin(), m_toolTexts.end(),
                           [tool](const ToolText& entry) { return entry.tool == tool; });
  if (text != m_toolTexts.end()) m_toolTexts.erase(text);
  const bool stillRegistered = std::find(m_toolWindows.begin(), m_toolWindows.end(), tool) != m_toolWindows.end();
  if (tool != nullptr && !stillRegistered) tool->removeEventFilter(this);
}

void CTrcToolTipCtrl::ResetTools() {
  const std::vector<QPointer<QWidget>> tools = m_toolWindows;
  for (const QPointer<QWidget>& tool : tools) {
    if (tool != nullptr) tool->removeEventFilter(this);
  }
  m_toolWindows.clear();
  m_toolTexts.clear();
  hide();
}

int CTrcToolTipCtrl::ToolCount() const { return static_cast<int>(m_toolWindows.size()); }

void CTrcToolTipCtrl::SetToolText(QWidget* tool, const QString& text) {
  for (ToolText& entry : m_toolTexts) {
    if (entry.tool == tool) {
      entry.text = text;
      return;
    }
  }
}

const TipEntry* CTrcToolTipCtrl::EntryOf(int controlId) const {
  for (const TipEntry& entry : m_tipEntries) {
    if (entry.controlId == controlId) return &entry;
  }
  return nullptr;
}

bool CTrcToolTipCtrl::OnShowTip(QWidget* tool) {
  m_shownControlId = ControlIdOf(tool);
  m_description.clear();
  m_text.clear();
  for (const ToolText& entry : m_toolTexts) {
    if (entry.tool == tool) m_text = entry.text;
  }
  if (const TipEntry* entry = EntryOf(m_shownControlId)) {
    m_description = QString::fromStdString(LoadText(entry->stringId));
  }
  return !m_text.isEmpty() || !m_description.isEmpty();
}

void CTrcToolTipCtrl::Popup(QWidget* tool) {
  if (!m_active || tool == nullptr || !OnShowTip(tool)) return;
  ShowAt(tool->mapToGlobal(QPoint(0, tool->height() + 2)));
}

bool CTrcToolTipCtrl::OnDrawIcon(QPainter& painter, const QRect& rect) {
  const TipEntry* entry = EntryOf(m_shownControlId);
  if (entry == nullptr || entry->iconBitmapId == 0) return false;
  CGdiPlusBitmapResource icon;
  if (!icon.Load(entry->iconBitmapId, "BMP") && !icon.Load(entry->iconBitmapId, "PNG")) return false;
  painter.drawImage(rect, *icon.Bitmap());
  return true;
}

QSize CTrcToolTipCtrl::ContentSize() const {
  const QFontMetrics metrics(font());
  QFont bold = font();
  bold.setBold(true);
  const QFontMetrics boldMetrics(bold);
  int width = std::max(boldMetrics.horizontalAdvance(m_description), metrics.horizontalAdvance(m_text));
  int height = (m_description.isEmpty() ? 0 : boldMetrics.height()) + (m_text.isEmpty() ? 0 : metrics.height());
  const TipEntry* entry = EntryOf(m_shownControlId);
  if (entry != nullptr && entry->iconBitmapId != 0) {
    width += GetIconSize().width() + kMargin;
    height = std::max(height, GetIconSize().height());
  }
  return QSize(width + 2 * kMargin, height + 2 * kMargin);
}

void CTrcToolTipCtrl::ShowAt(const QPoint& globalPos) {
  resize(ContentSize());
  move(globalPos);
  show();
  raise();
  update();
  if (m_autoPop.interval() > 0) m_autoPop.start();
}

bool CTrcToolTipCtrl::eventFilter(QObject* watched, QEvent* event) {
  auto* tool = qobject_cast<QWidget*>(watched);
  if (tool != nullptr && std::find(m_toolWindows.begin(), m_toolWindows.end(), tool) != m_toolWindows.end()) {
    switch (event->type()) {
      case QEvent::ToolTip:
        if (m_active && OnShowTip(tool)) ShowAt(static_cast<QHelpEvent*>(event)->globalPos() + QPoint(12, 18));
        return true;
      case QEvent::Leave:
      case QEvent::MouseButtonPress:
      case QEvent::Hide:
        hide();
        break;
      default:
        break;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void CTrcToolTipCtrl::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  QLinearGradient face(0, 0, 0, height());
  face.setColorAt(0.0, QColor(78, 78, 78));
  face.setColorAt(1.0, QColor(40, 40, 40));
  painter.fillRect(rect(), face);
  painter.setPen(QColor(140, 140, 140));
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
  int x = kMargin;
  if (OnDrawIcon(painter, QRect(QPoint(kMargin, kMargin), GetIconSize()))) x += GetIconSize().width() + kMargin;
  int y = kMargin;
  painter.setPen(QColor(235, 235, 235));
  if (!m_description.isEmpty()) {
    QFont bold = font();
    bold.setBold(true);
    painter.setFont(bold);
    const QFontMetrics metrics(bold);
    painter.drawText(x, y + metrics.ascent(), m_description);
    y += metrics.height();
    painter.setFont(font());
  }
  if (!m_text.isEmpty()) painter.drawText(x, y + QFontMetrics(font()).ascent(), m_text);
}
