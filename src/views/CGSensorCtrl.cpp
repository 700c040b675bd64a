#include "views/CGSensorCtrl.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "controls/CMemoryDC.h"
#include "controls/ControlId.h"
#include "controls/EdgeDrawing.h"
#include "controls/TrkFonts.h"

namespace {

const QColor kBackground(64, 64, 64);
const std::array<QColor, 3> kAxisColors = {QColor(255, 255, 0), QColor(60, 255, 60), QColor(255, 60, 60)};
const std::array<const char*, 3> kAxisNames = {"X", "Y", "Z"};
constexpr double kByteToUnit = 0.0078125;  // 1 / 128
constexpr int64_t kLongestWindowMs = 3600000;

int ByteOf(const GSensorSample& sample, int axis) { return axis == 0 ? sample.x : axis == 1 ? sample.y : sample.z; }

int StrongestByte(const GSensorSample& sample) {
  return std::max({std::abs(static_cast<int>(sample.x)), std::abs(static_cast<int>(sample.y)),
                   std::abs(static_cast<int>(sample.z))});
}

// Text cell drawn like a text output with an opaque background.
void TextOut(QPainter& painter, int x, int y, const QString& text, const QColor& color, const QColor& background) {
  const QFontMetrics metrics(painter.font());
  painter.fillRect(QRect(x, y, metrics.horizontalAdvance(text), metrics.height()), background);
  painter.setPen(color);
  painter.drawText(QPoint(x, y + metrics.ascent()), text);
}

}  // namespace

CGSensorCtrl::CGSensorCtrl(QWidget* parent, int controlId) : QWidget(parent) {
  if (controlId != 0) SetControlId(this, controlId);
  setAttribute(Qt::WA_OpaquePaintEvent, true);
  UpdateTimeAxis();
}

CGSensorCtrl::~CGSensorCtrl() = default;

void CGSensorCtrl::Clear() {
  m_samples.clear();
  ++m_samplesVersion;
  m_cursorMs = 0.0;
  repaint();
}

void CGSensorCtrl::ShowTrack(const RecordingTrack& track) {
  Clear();
  if (!track.gsensorRead) return;
  SetScale(track.gsensorFullScale, 5.0);
  Clear();
  LoadSamples(static_cast<int32_t>(track.gsensor.size()), track.gsensor.data());
  UpdateTimeAxis();
  SetSamplesPerMs(track.gsensorSamplesPerMs);
  UpdateTimeAxis();
}

void CGSensorCtrl::ShowPlayTime(int64_t timeMs) {
  SetIdle(false);
  Repaint();
  // The cursor counts in 32 bits.
  SetCursor(static_cast<int32_t>(static_cast<uint32_t>(timeMs & 0xFFFFFFFF)));
}

void CGSensorCtrl::SetScale(double fullScale, double range) {
  m_fullScale = fullScale == 0.0 ? 8.0 : fullScale;
  m_range = range == 0.0 ? 8.0 : range;
}

void CGSensorCtrl::LoadSamples(int32_t count, const GSensorSample* samples) { LoadSampleBlock(count, samples); }

int CGSensorCtrl::LoadSampleBlock(int32_t count, const GSensorSample* samples) {
  if (count <= 0 || samples == nullptr) return 0;
  // The curve's own copy of a huge block may not fit: the curve then stays
  // as it was and the program goes on.
  try {
    m_samples.insert(m_samples.end(), samples, samples + count);
  } catch (const std::bad_alloc&) {
    return 0;
  }
  ++m_samplesVersion;
  return 1;
}

void CGSensorCtrl::UpdateTimeAxis() {
  // A rate of 0 would make the length infinite; such a curve has no length.
  m_durationMs = m_samplesPerMs > 0.0 ? static_cast<double>(m_samples.size()) / m_samplesPerMs : 0.0;
  m_windowMs = std::clamp(m_durationMs, 1000.0, 3600000.0);
}

void CGSensorCtrl::SetCursor(int32_t ms) {
  m_cursorMs = ms;
  UpdateTimeAxis();
  m_cursorMs = std::min(m_cursorMs, m_durationMs);
  m_cursorMs = std::max(0.0, m_cursorMs);
  const double half = m_windowMs / 2.0;
  if (half > m_cursorMs || m_windowMs > m_durationMs) {
    m_windowStartMs = 0.0;
  } else if (m_cursorMs + half >= m_durationMs) {
    m_windowStartMs = m_durationMs - m_windowMs;
  } else {
    m_windowStartMs = m_cursorMs - half;
  }
  UpdateChangedParts();
}

CGSensorCtrl::CurveInputs CGSensorCtrl::CurrentInputs() const {
  CurveInputs inputs;
  inputs.size = size();
  inputs.pixelRatio = devicePixelRatioF();
  inputs.samplesVersion = m_samplesVersion;
  inputs.sampleCount = m_samples.size();
  inputs.samplesPerMs = m_samplesPerMs;
  inputs.windowStartMs = m_windowStartMs;
  inputs.fullScale = m_fullScale;
  inputs.range = m_range;
  inputs.idle = m_idle;
  inputs.axisVisible = m_axisVisible;
  inputs.tickMs = m_tickMs;
  return inputs;
}

int CGSensorCtrl::LegendRowHeight() const {
  // The boxes reach 3 pixels below the text cell when active.
  return QFontMetrics(CellHeightFont(ArialFont(13), 13)).height() + 4;
}

void CGSensorCtrl::UpdateChangedParts() {
  // Painted at once, as the cursor always was: the playback steps around a
  // pause (stop, play, pause at the first picture) depend on that timing.
  if (!m_curvesValid || !(m_curvesDrawnFrom == CurrentInputs())) {
    repaint();
    return;
  }
  // The cursor's old and new strips (a 2-pixel pen), and the legends when
  // their values changed.
  QRegion changed;
  const int x = CursorX();
  if (x != m_paintedCursorX) {
    changed += QRect(m_paintedCursorX - 2, 0, 5, height());
    changed += QRect(x - 2, 0, 5, height());
  }
  if (ValuesAtCursor() != m_paintedValues) changed += QRect(0, 0, width(), LegendRowHeight());
  if (!changed.isEmpty()) repaint(changed);
}

void CGSensorCtrl::RecomputePlot() {
  const QRect client = rect();
  m_plot = QRect(QPoint(client.left() + 24, client.top() + 20), QPoint(client.right() - 2, client.bottom() - 8));
}

int64_t CGSensorCtrl::DrawingWindow() const {
  int64_t window = 0;
  if (m_samplesPerMs != 0.0) {
    const double exact = static_cast<double>(m_samples.size()) / m_samplesPerMs;
    window = std::isfinite(exact) && std::fabs(exact) < 9.0e15 ? static_cast<int64_t>(exact) : 0;
  }
  if (window <= 0) return 20000;
  // A recording longer than an hour shows the hour around the cursor and
  // scrolls with it (the window start follows the cursor); shorter ones show
  // their whole length.
  return std::min<int64_t>(window, kLongestWindowMs);
}

int CGSensorCtrl::CursorX() const {
  const QRect client = rect();
  const int left = client.left() + 24;
  const int width = (client.right() - 2) - left + 1;
  const double window = static_cast<double>(DrawingWindow());
  return static_cast<int>((m_cursorMs - m_windowStartMs) * width / window) + left;
}

void CGSensorCtrl::SetEventMarks(std::vector<EventMark> marks) {
  m_eventMarks = std::move(marks);
  update();
}

void CGSensorCtrl::DrawEventMarks(QPainter& painter) {
  // A dashed line through the plot under a small downward triangle.
  const int left = rect().left() + 24;
  const int width = (rect().right() - 2) - left + 1;
  const double window = static_cast<double>(DrawingWindow());
  const int top = rect().top() + 20;
  const int bottom = rect().bottom() - 8;
  for (const EventMark& mark : m_eventMarks) {
    const int x = static_cast<int>((mark.ms - m_windowStartMs) * width / window) + left;
    if (x < left || x >= left + width) continue;
    painter.setPen(QPen(mark.color, 1, Qt::DashLine));
    painter.drawLine(x, top, x, bottom);
    const QPoint triangle[3] = {{x - 4, top - 6}, {x + 4, top - 6}, {x, top}};
    painter.setPen(Qt::NoPen);
    painter.setBrush(mark.color);
    painter.drawPolygon(triangle, 3);
    painter.setBrush(Qt::NoBrush);
  }
}

int64_t CGSensorCtrl::TimeAtX(int x) const {
  const QRect client = rect();
  const int left = client.left() + 24;
  const int width = (client.right() - 2) - left + 1;
  if (m_samples.empty() || m_durationMs <= 0.0 || width <= 0 || x < left || x >= left + width) return -1;
  const double t = static_cast<double>(x - left) * static_cast<double>(DrawingWindow()) / width + m_windowStartMs;
  return static_cast<int64_t>(std::clamp(t, 0.0, m_durationMs));
}

std::array<double, 3> CGSensorCtrl::ValuesAtCursor() const {
  std::array<double, 3> values{0.0, 0.0, 0.0};
  const double index = std::trunc(std::trunc(m_cursorMs) * m_samplesPerMs);
  const double count = static_cast<double>(m_samples.size());
  if (!(index >= 0.0) || index >= count) return values;
  const auto c = static_cast<size_t>(index);
  const int m = StrongestByte(m_samples[c]);
  const int before = c == 0 ? m : StrongestByte(m_samples[c - 1]);
  const int after = c + 1 == m_samples.size() ? m : StrongestByte(m_samples[c + 1]);
  size_t shown = c + 1;
  if (m >= before && m >= after) {
    shown = c;
  } else if (before >= m && before >= after) {
    shown = c - 1;
  }
  for (int axis = 0; axis < 3; ++axis) {
    values[static_cast<size_t>(axis)] = ByteOf(m_samples[shown], axis) * m_fullScale * kByteToUnit;
  }
  return values;
}

void CGSensorCtrl::paintEvent(QPaintEvent*) {
  RecomputePlot();
  m_windowMs = static_cast<double>(DrawingWindow());
  const CurveInputs inputs = CurrentInputs();
  if (!m_curvesValid || !(m_curvesDrawnFrom == inputs)) {
    m_curves = QImage(size() * inputs.pixelRatio, QImage::Format_ARGB32_Premultiplied);
    m_curves.setDevicePixelRatio(inputs.pixelRatio);
    m_curves.fill(Qt::transparent);
    QPainter curves(&m_curves);
    DrawCurves(curves);
    m_curvesDrawnFrom = inputs;
    m_curvesValid = true;
  }
  QPainter target(this);
  CMemoryDC memory(target, rect());
  QPainter& painter = memory.dc();
  painter.drawImage(QPoint(0, 0), m_curves);
  DrawEventMarks(painter);
  DrawCursor(painter);
  DrawLabels(painter);
  m_paintedCursorX = CursorX();
  m_paintedValues = ValuesAtCursor();
}

void CGSensorCtrl::DrawCurves(QPainter& painter) {
  painter.fillRect(rect(), kBackground);
  RecomputePlot();
  const int64_t window = DrawingWindow();
  m_windowMs = static_cast<double>(window);

  const int left = m_plot.left();
  const int top = m_plot.top();
  const int width = m_plot.right() + 1 - left;
  const int height = m_plot.bottom() + 1 - top;
  const int bottom = top + height;
  const int mid = top + height / 2;

  painter.setPen(QPen(QColor(255, 255, 255), 1));
  painter.drawLine(left, mid, left + width, mid);

  painter.setPen(QPen(QColor(102, 102, 102), 1));
  painter.drawLine(left, top, left, bottom);
  const int64_t ticks = window / m_tickMs;
  for (int64_t i = 0; i < ticks; ++i) {
    const int x = static_cast<int>(width * i / ticks + left);
    const int h = i % 10 == 0 ? 6 : i % 10 == 5 ? 4 : 2;
    for (const int y : {top, mid, bottom}) painter.drawLine(x, y - h, x, y);
  }

  std::array<QPoint, 3> previous;
  previous.fill(QPoint(left, mid));
  const int64_t count = static_cast<int64_t>(m_samples.size());
  for (int p = 0; p < width; ++p) {
    const int64_t t = static_cast<int64_t>(static_cast<double>(p * window / width) + m_windowStartMs);
    const double exactIndex = std::trunc(static_cast<double>(t) * m_samplesPerMs);
    if (!(exactIndex < static_cast<double>(count))) break;
    if (exactIndex < 0.0) continue;
    const GSensorSample& sample = m_samples[static_cast<size_t>(exactIndex)];
    for (int axis = 0; axis < 3; ++axis) {
      double g = ByteOf(sample, axis) * m_fullScale * kByteToUnit;
      g = std::clamp(g, -m_range, m_range);
      const int y = static_cast<int>(mid - g * height / (2.0 * m_range));
      if (m_axisVisible[static_cast<size_t>(axis)] != 0 && m_idle == 0) {
        painter.setPen(QPen(kAxisColors[static_cast<size_t>(axis)], 1));
        painter.drawLine(previous[static_cast<size_t>(axis)], QPoint(left + p, y));
        previous[static_cast<size_t>(axis)] = QPoint(left + p, y);
      }
    }
  }
}

void CGSensorCtrl::DrawCursor(QPainter& painter) {
  const int top = m_plot.top();
  const int bottom = top + m_plot.bottom() + 1 - top;
  QPen cursor(QColor(0, 0, 255), 2);
  cursor.setCapStyle(Qt::FlatCap);
  painter.setPen(cursor);
  const int x = CursorX();
  painter.drawLine(x, top - 4, x, bottom + 4);
}

void CGSensorCtrl::DrawLabels(QPainter& painter) {
  painter.setFont(CellHeightFont(ArialFont(10), 10));
  const QColor white(255, 255, 255);
  const int step = (height() - 20) / 6;
  char text[64];
  std::snprintf(text, sizeof text, " %1.0fG", m_range);
  TextOut(painter, 4, step + 10, QString::fromLatin1(text), white, kBackground);
  std::snprintf(text, sizeof text, " %0.0fG", 0.0);
  TextOut(painter, 4, 3 * step + 10, QString::fromLatin1(text), white, kBackground);
  std::snprintf(text, sizeof text, "-%1.0fG", m_range);
  TextOut(painter, 4, 5 * step + 10, QString::fromLatin1(text), white, kBackground);

  const std::array<double, 3> values = ValuesAtCursor();
  painter.setFont(CellHeightFont(ArialFont(13), 13));
  const QFontMetrics metrics(painter.font());
  int x = 40;
  for (int axis = 0; axis < 3; ++axis) {
    const auto a = static_cast<size_t>(axis);
    std::snprintf(text, sizeof text, "%s: %0.4f G    ", kAxisNames[a], values[a]);
    const QString legend = QString::fromLatin1(text);
    const int cx = metrics.horizontalAdvance(legend);
    const int cy = metrics.height();
    QRect box(x - 1, 1, cx + 2, cy + 2);
    const bool active = m_idle == 0 && m_axisVisible[a] != 0 && m_durationMs != 0.0;
    int offset = 0;
    QColor textColor(160, 160, 160);
    if (active) {
      textColor = kAxisColors[a];
      box.translate(1, 1);
      Draw3dRect(painter, box, QColor(130, 130, 130), QColor(80, 80, 80));
      offset = 1;
    } else {
      Draw3dRect(painter, box, QColor(100, 100, 100), QColor(50, 50, 50));
    }
    m_legendRects[a] = QRect(x + offset, 2 + offset, cx, cy);
    TextOut(painter, x + offset, 2 + offset, legend, textColor, QColor(0, 0, 0));
    x += cx + 8;
  }
}

void CGSensorCtrl::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  RecomputePlot();
  UpdateTimeAxis();
}

void CGSensorCtrl::mousePressEvent(QMouseEvent* event) {
  // The mouse stays with the strip until the release (implicit grab).
  event->accept();
}

void CGSensorCtrl::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    const QPoint point = event->position().toPoint();
    bool onLegend = false;
    for (size_t axis = 0; axis < m_legendRects.size() && !onLegend; ++axis) {
      onLegend = m_legendRects[axis].contains(point);
      if (onLegend) m_axisVisible[axis] = m_axisVisible[axis] != 0 ? 0 : 1;
    }
    const int64_t time = onLegend || !rect().contains(point) ? -1 : TimeAtX(point.x());
    if (time >= 0) emit TimeClicked(time);
  }
  update();
  event->accept();
}

void CGSensorCtrl::mouseMoveEvent(QMouseEvent* event) {
  if (event->buttons() & Qt::LeftButton) update();
  event->accept();
}

void CGSensorCtrl::mouseDoubleClickEvent(QMouseEvent* event) { event->accept(); }
