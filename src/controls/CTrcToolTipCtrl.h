#pragma once
// The tooltip window: tools are registered windows; when Qt asks a tool for
// its tooltip (the pointer rests on it), the window shows the tool's text with
// an optional description (a text id) and a 32 x 32 icon (a bitmap id) looked
// up by the tool's control id.
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <vector>

struct TipEntry {
  int controlId = 0;
  uint32_t stringId = 0;      // description text, through LoadText
  uint32_t iconBitmapId = 0;  // 0: no icon
};

class CTrcToolTipCtrl : public QWidget {
  Q_OBJECT

 public:
  explicit CTrcToolTipCtrl(QWidget* owner = nullptr);
  ~CTrcToolTipCtrl() override;

  void Activate(bool active);
  bool IsActive() const { return m_active; }
  // How long a shown tip stays (the automatic delay).
  void SetDelayTime(int milliseconds);
  int DelayTime() const { return m_autoPop.interval(); }

  void RegisterTool(QWidget* tool, const QString& text = QString());
  void UnregisterTool(QWidget* tool);
  void ResetTools();
  int ToolCount() const;
  void SetToolText(QWidget* tool, const QString& text);

  // Prepares the tip of `tool` (control id, description) and returns whether
  // it has anything to show.
  bool OnShowTip(QWidget* tool);
  // Shows the tip of `tool` at once below it.
  void Popup(QWidget* tool);

  QSize GetIconSize() const { return QSize(32, 32); }
  // Draws the icon of m_shownControlId into `rect`; false when there is none.
  bool OnDrawIcon(QPainter& painter, const QRect& rect);

  QString Description() const { return m_description; }
  QString Text() const { return m_text; }

  int m_shownControlId = 0;
  std::vector<QPointer<QWidget>> m_toolWindows;
  std::vector<TipEntry> m_tipEntries;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  struct ToolText {
    QPointer<QWidget> tool;
    QString text;
  };
  const TipEntry* EntryOf(int controlId) const;
  void ShowAt(const QPoint& globalPos);
  QSize ContentSize() const;

  std::vector<ToolText> m_toolTexts;
  QString m_description;
  QString m_text;
  bool m_active = true;
  QTimer m_autoPop;
};
