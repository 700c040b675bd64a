#include "controls/CTrkGroupListCtrl.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <array>

#include "settings/Languages.h"

namespace {
constexpr std::array<uint32_t, 5> kHeaderIds = {116, 117, 118, 119, 120};
}

CTrkGroupListCtrl::CTrkGroupListCtrl(QWidget* parent, int controlId) : CListCtrl(parent, controlId) {
  SetCheckBoxes(true);
}

CTrkGroupListCtrl::~CTrkGroupListCtrl() = default;

bool CTrkGroupListCtrl::InitColumns() {
  const int columnWidth = width() / 5;
  for (int column = 0; column < static_cast<int>(kHeaderIds.size()); ++column) {
    InsertColumn(column, QString::fromStdString(LoadText(kHeaderIds[static_cast<size_t>(column)])), columnWidth);
  }
  return true;
}

bool CTrkGroupListCtrl::RelabelColumns() {
  for (int column = 0; column < static_cast<int>(kHeaderIds.size()) && column < columnCount(); ++column) {
    SetColumnText(column, QString::fromStdString(LoadText(kHeaderIds[static_cast<size_t>(column)])));
  }
  ClearRowTips();  // in the old language: worked out again when asked for
  return true;
}

void CTrkGroupListCtrl::ClearRowTips() {
  for (int row = 0; row < rowCount(); ++row)
    for (int column = 0; column < columnCount(); ++column)
      if (QTableWidgetItem* cell = item(row, column)) cell->setToolTip(QString());
}

int CTrkGroupListCtrl::AddGroupRow(int32_t number, const std::string& resolution, uint64_t durationMs, uint64_t size,
                                   int iconIndex, int64_t startTime) {
  const int row = InsertItem(GetItemCount(), QStringLiteral("G%1").arg(number), iconIndex);
  if (row < 0) return 0;
  SetItemText(row, 1, QString::fromStdString(resolution));
  SetItemText(row, 2, FormatLocalTime(startTime, "%Y-%m-%d %H:%M:%S"));
  SetItemText(row, 3, FormatLengthSeconds(durationMs));
  SetItemText(row, 4, FormatSizeMegabytes(size));
  return 1;
}

void CTrkGroupListCtrl::mouseDoubleClickEvent(QMouseEvent* event) {
  CListCtrl::mouseDoubleClickEvent(event);
  // Only the left button plays; a right double-click does nothing.
  if (event->button() != Qt::LeftButton) return;
  const QModelIndex index = indexAt(event->position().toPoint());
  const int row = index.isValid() ? index.row() : -1;
  emit GroupActivated(row);
}

QString CTrkGroupListCtrl::RowToolTip(int row) {
  QTableWidgetItem* first = item(row, 0);
  if (first == nullptr) return QString();
  if (first->toolTip().isEmpty() && m_rowTipSource) {
    const QString tip = m_rowTipSource(row);
    for (int column = 0; column < columnCount(); ++column)
      if (QTableWidgetItem* cell = item(row, column)) cell->setToolTip(tip);
  }
  return first->toolTip();
}

bool CTrkGroupListCtrl::viewportEvent(QEvent* event) {
  // Fill the row's tooltip just before the view shows it.
  if (event->type() == QEvent::ToolTip) RowToolTip(indexAt(static_cast<QHelpEvent*>(event)->pos()).row());
  return CListCtrl::viewportEvent(event);
}
