#pragma once
// A report-style list view: rows of cells under a header, grid lines, whole
// rows selected, an icon from the list's image list in the first column,
// optional check boxes, and a drop-highlight mark per row that is drawn like a
// selection but is independent of it (the library marks the current row so).
// The rows are never sorted or edited.
#include <QPixmap>
#include <QSize>
#include <QString>
#include <QTableWidget>
#include <memory>
#include <vector>

struct CImageList {
  QSize imageSize;
  std::vector<QPixmap> images;
};

class CListCtrl : public QTableWidget {
  Q_OBJECT

 public:
  explicit CListCtrl(QWidget* parent = nullptr, int controlId = 0);
  ~CListCtrl() override;

  void SetCheckBoxes(bool on) { m_checkBoxes = on; }
  bool HasCheckBoxes() const { return m_checkBoxes; }

  int GetItemCount() const { return rowCount(); }
  // Appends or inserts a row with its first cell and icon; the new row's index
  // or -1 when the row could not be added.
  int InsertItem(int row, const QString& text, int image);
  bool SetItemText(int row, int column, const QString& text);
  QString GetItemText(int row, int column) const;
  int GetItemImage(int row) const;
  void DeleteAllItems();
  bool GetCheck(int row) const;
  void SetCheck(int row, bool checked);
  void SetDropHighlight(int row, bool on);
  bool IsDropHighlighted(int row) const;
  void EnsureVisible(int row);

  // Column set-up.
  void InsertColumn(int column, const QString& header, int width);
  void SetColumnText(int column, const QString& header);
  QString ColumnText(int column) const;

  // Attached by InitListImageList; null until then.
  std::unique_ptr<CImageList> imageList;

  static constexpr int kDropHighlightRole = Qt::UserRole + 1;
  static constexpr int kImageIndexRole = Qt::UserRole + 2;

 private:
  bool m_checkBoxes = false;
};

// Loads the lock-icon strip (bitmap 158, four 24 x 24 pictures, magenta
// transparent) into the list's image list. Always true; a missing bitmap gives
// four empty icons.
bool InitListImageList(CListCtrl& list);

// Formats shared by both lists; a time that cannot be converted (or does not
// fit 128 characters) gives an empty text.
QString FormatLocalTime(int64_t seconds, const char* format);
QString FormatLengthSeconds(uint64_t durationMs);  // " %lld s "
QString FormatSizeMegabytes(uint64_t bytes);       // " %lld MB"
