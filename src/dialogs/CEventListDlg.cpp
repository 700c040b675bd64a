#include "dialogs/CEventListDlg.h"

#include <QDateTime>
#include <QEvent>
#include <QHeaderView>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "settings/CSettings.h"
#include "settings/Languages.h"
#include "settings/SpeedUnit.h"

namespace {

enum TextId : uint32_t {
  kEventsText = 340,
  kBrakingText = 341,
  kTypeText = 346,
  kTimeText = 347,
  kPeakText = 348,
  kSpeedText = 349,
  kNoSensorText = 350,
  kNoEventText = 356,
  kButtonTipText = 357,
};

constexpr int kIndexRole = Qt::UserRole;

QString Text(uint32_t id) { return QString::fromStdString(LoadText(id)); }

QString SpeedText(double kmh, SpeedUnit unit) {
  return kmh < 0 ? QStringLiteral("–") : QString::number(InSpeedUnit(kmh, unit), 'f', 0);
}

QString TimeText(const DrivingEvent& e) {
  if (e.wallClock != 0) return QDateTime::fromSecsSinceEpoch(e.wallClock).toString(QStringLiteral("HH:mm:ss"));
  const uint32_t seconds = e.offsetMs / 1000;
  return QStringLiteral("+%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

}  // namespace

QColor EventColor(DrivingEventType type) {
  switch (type) {
    case DrivingEventType::HarshBraking:
      return QColor(255, 70, 70);
    case DrivingEventType::HarshAcceleration:
      return QColor(70, 150, 255);
    case DrivingEventType::HarshTurnLeft:
    case DrivingEventType::HarshTurnRight:
      return QColor(255, 165, 0);
    case DrivingEventType::Impact:
      break;
  }
  return QColor(255, 0, 255);
}

QString EventTypeText(DrivingEventType type) { return Text(kBrakingText + static_cast<uint32_t>(type)); }

CEventListDlg::CEventListDlg(QWidget* parent) : QDialog(parent) {
  setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  m_list = new QTreeWidget(this);
  m_list->setRootIsDecorated(false);
  m_list->setColumnCount(4);
  m_list->setUniformRowHeights(true);
  m_list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->addWidget(m_list);
  resize(420, 260);
  connect(m_list, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) { OnItemChosen(item); });
  connect(m_list, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) { OnItemChosen(item); });
  Relabel();
}

CEventListDlg::~CEventListDlg() = default;

void CEventListDlg::SetTrip(const std::vector<RecordingEvents>& trip, const std::vector<std::string>& names) {
  m_trip = trip;
  m_names = names;
  Fill();
}

void CEventListDlg::Relabel() {
  setWindowTitle(Text(kEventsText));
  m_list->setHeaderLabels({Text(kTypeText), Text(kTimeText), Text(kPeakText), Text(kSpeedText)});
  Fill();
}

void CEventListDlg::Fill() {
  m_list->clear();
  // In the unit the speed display shows.
  const SpeedUnit unit = CSettings::Instance().ReadSpeedUnit();
  const QString unitName = unit == SpeedUnit::Mph ? QStringLiteral("mph") : QStringLiteral("km/h");
  int index = 0;
  for (std::size_t r = 0; r < m_trip.size(); ++r) {
    if (m_trip[r].sensor != SensorState::Usable) {
      const QString name = r < m_names.size() ? QString::fromStdString(m_names[r]) : QString();
      auto* note = new QTreeWidgetItem(m_list, {Text(kNoSensorText).arg(name)});
      note->setFirstColumnSpanned(true);
      note->setFlags(Qt::ItemIsEnabled);
      note->setForeground(0, QColor(128, 128, 128));
    }
    for (const DrivingEvent& e : m_trip[r].events) {
      auto* item = new QTreeWidgetItem(
          m_list, {EventTypeText(e.type), TimeText(e), QStringLiteral("%1 g").arg(e.peakG, 0, 'f', 2),
                   QStringLiteral("%1 → %2 %3")
                       .arg(SpeedText(e.speedBeforeKmh, unit), SpeedText(e.speedAfterKmh, unit), unitName)});
      item->setData(0, kIndexRole, index++);
      item->setForeground(0, EventColor(e.type));
    }
  }
  if (index == 0) {
    auto* none = new QTreeWidgetItem(m_list, {Text(kNoEventText)});
    none->setFirstColumnSpanned(true);
    none->setFlags(Qt::ItemIsEnabled);
  }
}

void CEventListDlg::SetCurrentEvent(int index) {
  for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
    QTreeWidgetItem* item = m_list->topLevelItem(i);
    const QVariant data = item->data(0, kIndexRole);
    if (data.isValid() && data.toInt() == index) {
      const QSignalBlocker quiet(m_list);
      m_list->setCurrentItem(item);
      m_list->scrollToItem(item);
      return;
    }
  }
  m_list->clearSelection();
}

void CEventListDlg::OnItemChosen(QTreeWidgetItem* item) {
  const QVariant data = item ? item->data(0, kIndexRole) : QVariant();
  if (data.isValid()) emit EventChosen(data.toInt());
}

CEventsButton::CEventsButton(QWidget* parent) : QToolButton(parent) {
  setFocusPolicy(Qt::NoFocus);
  setAutoRaise(true);
  setStyleSheet(
      QStringLiteral("QToolButton { color: white; background: rgb(80, 80, 80); border: 1px solid "
                     "rgb(130, 130, 130); padding: 0 4px; font-size: 11px; }"));
  if (parent) parent->installEventFilter(this);
  Relabel();
}

void CEventsButton::SetCount(int count) {
  m_count = count;
  Relabel();
}

void CEventsButton::Relabel() {
  setText(QStringLiteral("%1 (%2)").arg(Text(kEventsText)).arg(m_count));
  setToolTip(Text(kButtonTipText));
  Place();
}

bool CEventsButton::eventFilter(QObject* watched, QEvent* event) {
  if (watched == parent() && event->type() == QEvent::Resize) Place();
  return QToolButton::eventFilter(watched, event);
}

void CEventsButton::Place() {
  if (!parentWidget()) return;
  adjustSize();
  const QSize size(sizeHint().width(), 16);
  setGeometry(parentWidget()->width() - size.width() - 3, 2, size.width(), size.height());
  raise();
}
