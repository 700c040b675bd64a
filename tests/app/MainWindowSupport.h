#pragma once
// Helpers for driving the real main window under an X server.
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPixmap>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

#include "ScopedSettingsDir.h"
#include "app/CTRKDlg.h"
#include "settings/CSettings.h"
#include "WindowWait.h"

// Answers every message box that becomes the active modal window and
// remembers what it said.
class MessageBoxWatcher {
 public:
  struct Seen {
    QString text;
    QString title;
    bool laidOut = false;  // whatever `probe` said at that moment
  };
  explicit MessageBoxWatcher(std::function<bool()> probe = {}) : m_probe(std::move(probe)) {
    QObject::connect(&m_timer, &QTimer::timeout, [this] { Poll(); });
    m_timer.start(30);
  }
  const std::vector<Seen>& seen() const { return m_seen; }

 private:
  void Poll() {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr || !box->isVisible()) return;
    m_seen.push_back({box->text(), box->windowTitle(), m_probe ? m_probe() : false});
    if (QAbstractButton* ok = box->button(QMessageBox::Ok)) {
      ok->click();
    } else {
      box->reject();
    }
  }
  QTimer m_timer;
  std::function<bool()> m_probe;
  std::vector<Seen> m_seen;
};

// What the X server shows in a rectangle of the screen (every window and
// native surface included).
inline QImage GrabScreen(const QRect& area) {
  QScreen* screen = QGuiApplication::primaryScreen();
  return screen->grabWindow(0, area.x(), area.y(), area.width(), area.height()).toImage();
}

inline QString SaveArtifact(const QImage& image, const QString& name) {
  QString dir = qEnvironmentVariable("TRK_ARTIFACT_DIR");
  if (dir.isEmpty()) dir = QDir::tempPath();
  QDir().mkpath(dir);
  const QString path = dir + "/" + name;
  image.save(path);
  return path;
}

// A press of the window's button `id` as a click delivers it (the hidden,
// disabled ones too).
inline void Press(const CTRKDlg& dlg, int id) { emit dlg.Button(id).clicked(); }

inline void SendMouse(QWidget* target, QEvent::Type type, const QPoint& at, Qt::MouseButtons buttons) {
  const QPointF local(at);
  const QPointF global(target->mapToGlobal(at));
  QMouseEvent event(type, local, global, type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons,
                    Qt::NoModifier);
  QApplication::sendEvent(target, &event);
}

inline void Drag(QWidget* target, const QPoint& from, const QPoint& to) {
  SendMouse(target, QEvent::MouseButtonPress, from, Qt::LeftButton);
  const QPoint middle = (from + to) / 2;
  SendMouse(target, QEvent::MouseMove, middle, Qt::LeftButton);
  SendMouse(target, QEvent::MouseMove, to, Qt::LeftButton);
  SendMouse(target, QEvent::MouseButtonRelease, to, Qt::NoButton);
}
