#pragma once
// The file list: one row per recording, the lock icon and six columns each
// 3/10 of the control's width (the list scrolls sideways); the name column
// grows to the longest name, and a row's tooltip is its name and folder. A
// double-click emits FileActivated with the clicked row (-1: no row).
#include "controls/CListCtrl.h"
#include "library/LibraryViews.h"

class CTrkFileListCtrl : public CListCtrl, public IFileListView {
  Q_OBJECT

 public:
  explicit CTrkFileListCtrl(QWidget* parent = nullptr, int controlId = 0);
  ~CTrkFileListCtrl() override;

  // Six columns, each width() * 3 / 10 wide, headers 121, 122, 118, 123, 120, 124.
  bool InitColumns();
  bool RelabelColumns();

  // IFileListView
  int AddFileRow(int32_t group, int32_t position, const std::string& folderText, const std::string& name,
                 uint32_t durationMs, uint64_t size, int iconIndex, int64_t startTime) override;
  void DeleteAllRows() override { DeleteAllItems(); }
  void SetRowHighlighted(int row, bool highlighted) override { SetDropHighlight(row, highlighted); }
  void EnsureRowVisible(int row) override { EnsureVisible(row); }

  // The row's name and, on a line of its own, its folder.
  QString RowToolTip(int row) const;

 signals:
  // A left double-click on row `row` (-1: below the rows).
  void FileActivated(int row);

 protected:
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  bool viewportEvent(QEvent* event) override;
};
