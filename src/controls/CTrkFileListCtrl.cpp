#include "controls/CTrkFileListCtrl.h"

#include <QFile>
#include <QHelpEvent>
#include <QMouseEvent>
#include <array>

#include "settings/Languages.h"

namespace {
constexpr std::array<uint32_t, 6> kHeaderIds = {121, 122, 118, 123, 120, 124};
enum FileColumn { kNameColumn = 1, kFolderColumn = 5 };
// Room beside a cell's text: the style's margins and the grid line.
constexpr int kCellPadding = 16;

// File names are bytes as the file system gives them.
QString FileSystemText(const std::string& bytes) {
  return QFile::decodeName(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
}
}  // namespace

CTrkFileListCtrl::CTrkFileListCtrl(QWidget* parent, int controlId) : CListCtrl(parent, controlId) {}

CTrkFileListCtrl::~CTrkFileListCtrl() = default;

bool CTrkFileListCtrl::InitColumns() {
  const int columnWidth = width() * 3 / 10;
  for (int column = 0; column < static_cast<int>(kHeaderIds.size()); ++column) {
    InsertColumn(column, QString::fromStdString(LoadText(kHeaderIds[static_cast<size_t>(column)])), columnWidth);
  }
  return true;
}

bool CTrkFileListCtrl::RelabelColumns() {
  for (int column = 0; column < static_cast<int>(kHeaderIds.size()) && column < columnCount(); ++column) {
    SetColumnText(column, QString::fromStdString(LoadText(kHeaderIds[static_cast<size_t>(column)])));
  }
  return true;
}

int CTrkFileListCtrl::AddFileRow(int32_t group, int32_t position, const std::string& folderText,
                                 const std::string& name, uint32_t durationMs, uint64_t size, int iconIndex,
                                 int64_t startTime) {
  const int row = InsertItem(GetItemCount(), QStringLiteral("G%1-%2").arg(group).arg(position), iconIndex);
  if (row < 0) return 0;
  const QString shownName = FileSystemText(name);
  SetItemText(row, kNameColumn, shownName);
  // The whole name is shown, whatever the control's width.
  const int nameWidth = fontMetrics().horizontalAdvance(shownName) + kCellPadding;
  if (nameWidth > columnWidth(kNameColumn)) setColumnWidth(kNameColumn, nameWidth);
  SetItemText(row, 2, FormatLocalTime(startTime, "%H:%M:%S"));
  int64_t endTime = 0;
  const bool endFits = !__builtin_add_overflow(startTime, static_cast<int64_t>(durationMs / 1000u), &endTime);
  SetItemText(row, 3, endFits ? FormatLocalTime(endTime, "%H:%M:%S") : QString());
  SetItemText(row, 4, FormatSizeMegabytes(size));
  SetItemText(row, kFolderColumn, FileSystemText(folderText));
  return 1;
}

void CTrkFileListCtrl::mouseDoubleClickEvent(QMouseEvent* event) {
  CListCtrl::mouseDoubleClickEvent(event);
  // Only the left button plays; a right double-click does nothing.
  if (event->button() != Qt::LeftButton) return;
  const QModelIndex index = indexAt(event->position().toPoint());
  const int row = index.isValid() ? index.row() : -1;
  emit FileActivated(row);
}

QString CTrkFileListCtrl::RowToolTip(int row) const {
  if (row < 0 || row >= rowCount()) return QString();
  return GetItemText(row, kNameColumn) + QLatin1Char('\n') + GetItemText(row, kFolderColumn);
}

bool CTrkFileListCtrl::viewportEvent(QEvent* event) {
  // Set on the hovered cell just before the view shows it: thousands of rows
  // keep no tooltip text of their own.
  if (event->type() == QEvent::ToolTip) {
    const QModelIndex index = indexAt(static_cast<QHelpEvent*>(event)->pos());
    if (QTableWidgetItem* cell = index.isValid() ? item(index.row(), index.column()) : nullptr)
      if (cell->toolTip().isEmpty()) cell->setToolTip(RowToolTip(index.row()));
  }
  return CListCtrl::viewportEvent(event);
}
