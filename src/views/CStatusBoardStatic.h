#pragma once
// The progress board shown while files are copied: the left percentage of the
// bar tiled with the pattern bitmap (or filled with the bar colour), the rest
// in the background colour, the text centred over it, and a raised frame. The
// copy sets percentage and text with SetProgress and repaints.
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

  // Splitting point of the bar for the current width and Percent().
  int SplitX() const;

  int32_t Percent() const { return m_percent; }
  const QString& Text() const { return m_text; }
  // What the copy shows; the owner repaints.
  void SetProgress(int32_t percent, const QString& text) {
    m_percent = percent;
    m_text = text;
  }
  // Bitmap resource the bar is tiled with (0: filled with the bar colour).
  uint16_t PatternBitmap() const { return m_patternBitmap; }
  void SetPatternBitmap(uint16_t bitmapId) { m_patternBitmap = bitmapId; }
  void SetBarColor(const QColor& color) { m_barColor = color; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void timerEvent(QTimerEvent* event) override;

 private:
  int32_t m_percent = 0;
  QString m_text;
  QColor m_backColor{64, 64, 64};
  QColor m_textColor{64, 64, 64};
  QColor m_barColor{64, 64, 64};
  uint16_t m_patternBitmap = 0;
  QBasicTimer m_timer;  // id 200 of the board: 200 ms ticks that change nothing
};
