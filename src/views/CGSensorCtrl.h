#pragma once
// The G-sensor strip: the recording's three acceleration axes over its whole
// length, a cursor at the play position, scale labels, and one legend box per
// axis showing the value at the cursor; clicking a legend box switches that
// axis's curve on and off.
#include <QColor>
#include <QImage>
#include <QRect>
#include <QWidget>
#include <array>
#include <cstdint>
#include <vector>

#include "container/RecordingTypes.h"
#include "library/RecordingTrack.h"

class CGSensorCtrl : public QWidget {
  Q_OBJECT

 public:
  explicit CGSensorCtrl(QWidget* parent = nullptr, int controlId = 0);
  ~CGSensorCtrl() override;

  // Draws a loaded track's samples (empty when it has none), cursor at 0.
  void ShowTrack(const RecordingTrack& track);
  // The cursor at a play time, painted with what else changed since.
  void ShowPlayTime(int64_t timeMs);

  // Empties the samples, cursor 0, repaints at once.
  void Clear();
  // Schedules a paint of what no longer shows the current state (the whole
  // strip only when the curves themselves changed).
  void Repaint() { UpdateChangedParts(); }
  void SetScale(double fullScale, double range);
  void LoadSamples(int32_t count, const GSensorSample* samples);
  void UpdateTimeAxis();
  void SetCursor(int32_t ms);
  void SetSamplesPerMs(double samplesPerMs) { m_samplesPerMs = samplesPerMs; }
  void SetIdle(bool idle) { m_idle = idle ? 1 : 0; }

  // LoadSamples' result: 1 when samples were appended, 0 for a count of 0.
  int LoadSampleBlock(int32_t count, const GSensorSample* samples);

  // The axis values (g) shown by the legends for the current cursor.
  std::array<double, 3> ValuesAtCursor() const;
  // Pixel column of the cursor line for the current client size.
  int CursorX() const;
  // The recording's time under pixel column x (-1: none, outside the plot
  // or nothing loaded).
  int64_t TimeAtX(int x) const;

 signals:
  // A click on the plot, away from the legends: play from that moment.
  void TimeClicked(int64_t timeMs);

 public:
  // Harsh moments of the recording: a coloured mark above the plot at each
  // time (ms from the recording's start), drawn over the curves.
  struct EventMark {
    double ms = 0;
    QColor color;
  };
  void SetEventMarks(std::vector<EventMark> marks);
  const std::vector<EventMark>& EventMarks() const { return m_eventMarks; }

  std::vector<GSensorSample> m_samples;
  QRect m_plot;
  double m_samplesPerMs = 0.016;
  double m_windowMs = 1000.0;
  double m_durationMs = 0.0;
  double m_windowStartMs = 0.0;
  double m_cursorMs = 0.0;
  int32_t m_tickMs = 200;
  double m_fullScale = 2.0;
  double m_range = 5.0;
  int32_t m_idle = 0;
  std::array<QRect, 3> m_legendRects{};
  std::array<int32_t, 3> m_axisVisible{1, 1, 1};

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  // Everything the cached picture of the curves is drawn from.
  struct CurveInputs {
    QSize size;
    qreal pixelRatio = 1.0;
    uint64_t samplesVersion = 0;
    size_t sampleCount = 0;
    double samplesPerMs = 0;
    double windowStartMs = 0;
    double fullScale = 0;
    double range = 0;
    int32_t idle = 0;
    std::array<int32_t, 3> axisVisible{};
    int32_t tickMs = 0;
    bool operator==(const CurveInputs&) const = default;
  };
  CurveInputs CurrentInputs() const;
  void UpdateChangedParts();
  void RecomputePlot();
  // Background, zero line, time axis and the three curves (no cursor).
  void DrawCurves(QPainter& painter);
  void DrawCursor(QPainter& painter);
  void DrawLabels(QPainter& painter);
  void DrawEventMarks(QPainter& painter);
  // Drawing window W of the current samples, in ms.
  int64_t DrawingWindow() const;
  // Height of the legend row above the plot.
  int LegendRowHeight() const;

  // A time report moves the cursor: the curves are drawn once into this
  // picture and each paint copies it, then draws the cursor and the texts.
  QImage m_curves;
  CurveInputs m_curvesDrawnFrom;
  bool m_curvesValid = false;
  uint64_t m_samplesVersion = 0;  // changes with every change of m_samples
  int m_paintedCursorX = -1;
  std::array<double, 3> m_paintedValues{};
  std::vector<EventMark> m_eventMarks;
};
