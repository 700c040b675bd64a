#pragma once
// Helpers of the widget tests: real mouse events, a parent window that paints a
// known pattern and records what the controls on it emit, and screenshots.
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QWidget>
#include <cstdlib>
#include <string>
#include <vector>

#include "WindowWait.h"

// A signal a control emitted: its name and its row argument (0 without one).
struct EmittedSignal {
  std::string name;
  int row = 0;
};

// A top-level window with a diagonal two-colour pattern, so that any pixel
// taken from it can be told apart from a fixed colour.
class PatternParent : public QWidget {
 public:
  PatternParent() { setAttribute(Qt::WA_DontShowOnScreen, false); }

  static QRgb PatternAt(int x, int y) { return ((x + y) / 3) % 2 == 0 ? qRgb(30, 90, 160) : qRgb(200, 120, 40); }

  std::vector<EmittedSignal> emitted;

  // Records every emission of `signal` (no argument, or the row) under `name`.
  template <class Sender, class... Args>
  void Record(Sender* sender, void (Sender::*signal)(Args...), std::string name) {
    QObject::connect(sender, signal, this, [this, name](Args... args) {
      int row = 0;
      ((row = static_cast<int>(args)), ...);
      emitted.push_back({name, row});
    });
  }

  int CountOf(const std::string& name) const {
    int count = 0;
    for (const EmittedSignal& signal : emitted) count += signal.name == name ? 1 : 0;
    return count;
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QImage pattern(size(), QImage::Format_RGB32);
    for (int y = 0; y < height(); ++y) {
      for (int x = 0; x < width(); ++x) pattern.setPixel(x, y, PatternAt(x, y));
    }
    QPainter painter(this);
    painter.drawImage(0, 0, pattern);
  }
};

inline void SendMouse(QWidget* widget, QEvent::Type type, QPoint pos, Qt::MouseButton button,
                      Qt::MouseButtons buttons) {
  const QPointF local(pos);
  QMouseEvent event(type, local, widget->mapToGlobal(local), button, buttons, Qt::NoModifier);
  QCoreApplication::sendEvent(widget, &event);
}

inline void Press(QWidget* widget, QPoint pos) {
  SendMouse(widget, QEvent::MouseButtonPress, pos, Qt::LeftButton, Qt::LeftButton);
}
inline void Release(QWidget* widget, QPoint pos) {
  SendMouse(widget, QEvent::MouseButtonRelease, pos, Qt::LeftButton, Qt::NoButton);
}
inline void DragTo(QWidget* widget, QPoint pos) {
  SendMouse(widget, QEvent::MouseMove, pos, Qt::NoButton, Qt::LeftButton);
}
inline void DoubleClick(QWidget* widget, QPoint pos) {
  SendMouse(widget, QEvent::MouseButtonDblClick, pos, Qt::LeftButton, Qt::LeftButton);
}

// What the window shows over the rectangle of `child`.
inline QImage ScreenPixels(QWidget* window, const QWidget* child) {
  return window->grab(QRect(child->mapTo(window, QPoint(0, 0)), child->size()))
      .toImage()
      .convertToFormat(QImage::Format_RGB32);
}

inline QImage Pixels(QWidget* widget) { return widget->grab().toImage().convertToFormat(QImage::Format_RGB32); }

// Saves a screenshot under $TRK_ARTIFACT_DIR (nothing when it is not set).
inline void SaveArtifact(const QImage& image, const QString& name) {
  const QByteArray folder = qgetenv("TRK_ARTIFACT_DIR");
  if (folder.isEmpty()) return;
  QDir().mkpath(QString::fromLocal8Bit(folder));
  image.save(QDir(QString::fromLocal8Bit(folder)).filePath(name));
}
