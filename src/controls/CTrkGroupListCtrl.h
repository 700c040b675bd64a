#pragma once
// The group list: one row per group of recordings that follow each other,
// with a check box, the lock icon and five equal columns. A double-click sends
// WM_PLAY_GROUP to the parent with the clicked row (-1: no row).
#include "CListCtrl.h"
#include "LibraryViews.h"

class CTrkGroupListCtrl : public CListCtrl, public IGroupListView {
  Q_OBJECT

 public:
  explicit CTrkGroupListCtrl(QWidget* parent = nullptr, int controlId = 0);
  ~CTrkGroupListCtrl() override;

  // Five columns, each width() / 5 wide, headers 116..120 through LoadText.
  bool InitColumns();
  // Loads the headers again (language change); widths and rows stay.
  bool RelabelColumns();

  // IGroupListView
  int AddGroupRow(int32_t number, const std::string& resolution, uint64_t durationMs, uint64_t size,
                  int iconIndex, int64_t startTime) override;
  void DeleteAllRows() override { DeleteAllItems(); }
  void SetRowHighlighted(int row, bool highlighted) override { SetDropHighlight(row, highlighted); }
  void EnsureRowVisible(int row) override { EnsureVisible(row); }
  bool IsRowChecked(int row) const override { return GetCheck(row); }

 protected:
  void mouseDoubleClickEvent(QMouseEvent* event) override;
};
