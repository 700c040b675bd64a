#pragma once
// The progress board shown while files are copied: the left m_percent of the
// bar tiled with the pattern bitmap (or filled with m_barColor), the rest in
// m_backColor, m_text centred over it, and a raised frame. The copy writes
// m_percent and m_text directly and repaints.
#include <QBasicTimer>
#include <QColor>
#include <QString>
#include <QWidget>
#include <cstdint>

// `text` when it stands out from `background`, else a light or dark grey that does.
QColor ReadableTextColor(const QColor& text, const QColor& background);

class CStatusBoardStatic : public QWidget {
  Q_OBJECT

 public:
  explicit CStatusBoardStatic(QWidget* parent = nullptr, int controlId = 0);
  ~CStatusBoardStatic() override;

  // Splitting point of the bar for the current width and m_percent.
  int SplitX() const;

  int32_t m_percent = 0;
  QString m_text;
  QColor m_backColor{64, 64, 64};
  QColor m_textColor{64, 64, 64};
  QColor m_barColor{64, 64, 64};
  uint16_t m_patternBitmap = 0;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void timerEvent(QTimerEvent* event) override;

 private:
  QBasicTimer m_timer;  // id 200 of the board: 200 ms ticks that change nothing
};
