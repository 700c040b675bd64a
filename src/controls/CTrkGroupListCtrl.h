#pragma once
// The group list: one row per group of recordings that follow each other,
// with a check box, the lock icon and five equal columns. A double-click emits
// GroupActivated with the clicked row (-1: no row). A row's
// tooltip comes from the tip source the first time it is asked for (working
// it out reads the group's files) and is kept until the rows are refilled.
#include <functional>

#include "controls/CListCtrl.h"
#include "library/LibraryViews.h"

class CTrkGroupListCtrl : public CListCtrl, public IGroupListView {
  Q_OBJECT

 public:
  explicit CTrkGroupListCtrl(QWidget* parent = nullptr, int controlId = 0);
  ~CTrkGroupListCtrl() override;

  // Five columns, each width() / 5 wide, headers 116..120 through LoadText.
  bool InitColumns();
  // Loads the headers again (language change); widths and rows stay.
  bool RelabelColumns();

  // The text of a row's tooltip (the owner reads the group's trip figures).
  void SetRowTipSource(std::function<QString(int row)> source) { m_rowTipSource = std::move(source); }
  // The tooltip of the row, worked out now when it has none yet.
  QString RowToolTip(int row);
  // Forgets every row's tooltip (language or unit changed).
  void ClearRowTips();

  // IGroupListView
  int AddGroupRow(int32_t number, const std::string& resolution, uint64_t durationMs, uint64_t size, int iconIndex,
                  int64_t startTime) override;
  void DeleteAllRows() override { DeleteAllItems(); }
  void SetRowHighlighted(int row, bool highlighted) override { SetDropHighlight(row, highlighted); }
  void EnsureRowVisible(int row) override { EnsureVisible(row); }
  bool IsRowChecked(int row) const override { return GetCheck(row); }

 signals:
  // A left double-click on row `row` (-1: below the rows).
  void GroupActivated(int row);

 protected:
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  bool viewportEvent(QEvent* event) override;

 private:
  std::function<QString(int row)> m_rowTipSource;
};
