#include "controls/CListCtrl.h"

#include <QHeaderView>
#include <QPainter>
#include <QStyledItemDelegate>
#include <cstdio>
#include <ctime>

#include "controls/CGdiPlusBitmapResource.h"
#include "controls/ControlId.h"

namespace {

constexpr int kIconSide = 24;

// Paints the drop-highlight mark and the selection, one row at a time. Like
// the platform's list, the selection is shown only while the list has the
// focus; the mark stands in for it otherwise, so that moving the selection
// (keys, a right-click) never leaves two rows highlighted.
class CListCtrlDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QStyleOptionViewItem shown(option);
    const auto* view = qobject_cast<const QAbstractItemView*>(option.widget);
    const bool marked = index.sibling(index.row(), 0).data(CListCtrl::kDropHighlightRole).toBool();
    const bool focused = view != nullptr && view->hasFocus();
    const bool selectionShown = focused && view->selectionModel() != nullptr && view->selectionModel()->hasSelection();
    shown.state &= ~QStyle::State_HasFocus;
    if (selectionShown) {
      // the selection as the view has it
    } else if (marked) {
      shown.state |= QStyle::State_Selected | QStyle::State_Active;
    } else {
      shown.state &= ~QStyle::State_Selected;
    }
    QStyledItemDelegate::paint(painter, shown, index);
  }
};

}  // namespace

CListCtrl::CListCtrl(QWidget* parent, int controlId) : QTableWidget(parent) {
  if (controlId != 0) SetControlId(this, controlId);
  setItemDelegate(new CListCtrlDelegate(this));
  setShowGrid(true);
  setGridStyle(Qt::SolidLine);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSortingEnabled(false);
  setWordWrap(false);
  setTextElideMode(Qt::ElideRight);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  setIconSize(QSize(kIconSide, kIconSide));
  setFrameShape(QFrame::Box);
  verticalHeader()->hide();
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(std::max(kIconSide + 2, fontMetrics().height() + 6));
  QHeaderView* header = horizontalHeader();
  header->setSectionsClickable(false);
  header->setHighlightSections(false);
  header->setStretchLastSection(false);
  header->setSectionResizeMode(QHeaderView::Interactive);
  header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  header->setMinimumSectionSize(0);
}

CListCtrl::~CListCtrl() = default;

int CListCtrl::InsertItem(int row, const QString& text, int image) {
  const int count = rowCount();
  if (row < 0 || row > count || columnCount() == 0) return -1;
  insertRow(row);
  if (rowCount() != count + 1) return -1;
  auto* item = new QTableWidgetItem(text);  // the table owns its items
  Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  if (m_checkBoxes) flags |= Qt::ItemIsUserCheckable;
  item->setFlags(flags);
  if (m_checkBoxes) item->setCheckState(Qt::Unchecked);
  item->setData(kImageIndexRole, image);
  if (imageList && image >= 0 && static_cast<size_t>(image) < imageList->images.size()) {
    item->setData(Qt::DecorationRole, imageList->images[static_cast<size_t>(image)]);
  }
  setItem(row, 0, item);
  return row;
}

bool CListCtrl::SetItemText(int row, int column, const QString& text) {
  if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount()) return false;
  QTableWidgetItem* cell = item(row, column);
  if (cell == nullptr) {
    cell = new QTableWidgetItem(text);  // the table owns its items
    cell->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    setItem(row, column, cell);
  } else {
    cell->setText(text);
  }
  return true;
}

QString CListCtrl::GetItemText(int row, int column) const {
  const QTableWidgetItem* cell = item(row, column);
  return cell != nullptr ? cell->text() : QString();
}

int CListCtrl::GetItemImage(int row) const {
  const QTableWidgetItem* cell = item(row, 0);
  return cell != nullptr ? cell->data(kImageIndexRole).toInt() : -1;
}

void CListCtrl::DeleteAllItems() { setRowCount(0); }

bool CListCtrl::GetCheck(int row) const {
  const QTableWidgetItem* cell = item(row, 0);
  return cell != nullptr && cell->checkState() == Qt::Checked;
}

void CListCtrl::SetCheck(int row, bool checked) {
  if (QTableWidgetItem* cell = item(row, 0)) cell->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

void CListCtrl::SetDropHighlight(int row, bool on) {
  QTableWidgetItem* cell = item(row, 0);
  if (cell == nullptr) return;
  cell->setData(kDropHighlightRole, on);
  viewport()->update();
}

bool CListCtrl::IsDropHighlighted(int row) const {
  const QTableWidgetItem* cell = item(row, 0);
  return cell != nullptr && cell->data(kDropHighlightRole).toBool();
}

void CListCtrl::EnsureVisible(int row) {
  if (QTableWidgetItem* cell = item(row, 0)) scrollToItem(cell, QAbstractItemView::EnsureVisible);
}

void CListCtrl::InsertColumn(int column, const QString& header, int width) {
  insertColumn(column);
  auto* headerItem = new QTableWidgetItem(header);  // the table owns its items
  headerItem->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  setHorizontalHeaderItem(column, headerItem);
  horizontalHeader()->resizeSection(column, width);
}

void CListCtrl::SetColumnText(int column, const QString& header) {
  if (QTableWidgetItem* headerItem = horizontalHeaderItem(column)) headerItem->setText(header);
}

QString CListCtrl::ColumnText(int column) const {
  const QTableWidgetItem* headerItem = horizontalHeaderItem(column);
  return headerItem != nullptr ? headerItem->text() : QString();
}

bool InitListImageList(CListCtrl& list) {
  auto images = std::make_unique<CImageList>();
  images->imageSize = QSize(kIconSide, kIconSide);
  CGdiPlusBitmapResource strip;
  const bool loaded = strip.Load(158, "BMP");
  for (int index = 0; index < 4; ++index) {
    QPixmap icon(kIconSide, kIconSide);
    icon.fill(Qt::transparent);
    if (loaded && strip.Width() >= (index + 1) * kIconSide && strip.Height() >= kIconSide) {
      QImage part = strip.Bitmap()->copy(index * kIconSide, 0, kIconSide, kIconSide);
      for (int y = 0; y < part.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(part.scanLine(y));
        for (int x = 0; x < part.width(); ++x) {
          // Magenta is the strip's transparent colour.
          line[x] = (line[x] & 0x00FFFFFFu) == 0x00FF00FFu ? 0u : (line[x] | 0xFF000000u);
        }
      }
      icon = QPixmap::fromImage(part);
    }
    images->images.push_back(icon);
  }
  list.imageList = std::move(images);
  list.setIconSize(list.imageList->imageSize);
  return true;
}

QString FormatLocalTime(int64_t seconds, const char* format) {
  const std::time_t time = static_cast<std::time_t>(seconds);
  std::tm local{};
  if (localtime_r(&time, &local) == nullptr) return QString();
  char buffer[128];
  const std::size_t length = std::strftime(buffer, sizeof buffer, format, &local);
  if (length == 0) return QString();
  return QString::fromLocal8Bit(buffer, static_cast<qsizetype>(length));
}

QString FormatLengthSeconds(uint64_t durationMs) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, " %lld s ", static_cast<long long>(durationMs / 1000));
  return QString::fromLatin1(buffer);
}

QString FormatSizeMegabytes(uint64_t bytes) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, " %lld MB", static_cast<long long>(bytes >> 20));
  return QString::fromLatin1(buffer);
}
