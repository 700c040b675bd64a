#pragma once
// The real trk-viewer, started as its own process on the test's X server and
// driven as a user would: xdotool moves the pointer, clicks and types; the
// test reads back the window's place (xdotool), the screen (grabbed by the
// test process), the settings file, the files on disk, and what the message
// boxes said (the program logs each box to TRK_MESSAGE_LOG).
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>
#include <QRegularExpression>
#include <QScreen>
#include <QString>
#include <QStringList>
#include <QThread>
#include <functional>

namespace e2e {

// Runs a program to its end; its standard output, trimmed.
inline QString RunProgram(const QString& program, const QStringList& args, int timeoutMs = 20000) {
  QProcess process;
  process.start(program, args);
  if (!process.waitForFinished(timeoutMs)) {
    process.kill();
    process.waitForFinished(2000);
    return QString();
  }
  return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

inline QString XDo(const QStringList& args) { return RunProgram(QStringLiteral("xdotool"), args); }

// Polls `done` until it holds, letting the test process's own events run.
inline bool Eventually(const std::function<bool()>& done, int timeoutMs = 30000, int stepMs = 100) {
  QElapsedTimer clock;
  clock.start();
  for (;;) {
    if (done()) return true;
    if (clock.elapsed() > timeoutMs) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, stepMs);
    QThread::msleep(static_cast<unsigned long>(stepMs));
  }
}

// What the X server shows in a rectangle of the screen.
inline QImage Screen(const QRect& area) {
  return QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(), area.width(), area.height()).toImage();
}

inline QString IniValue(const QString& iniPath, const QString& section, const QString& key) {
  QFile file(iniPath);
  if (!file.open(QIODevice::ReadOnly)) return QString();
  QString current;
  for (const QByteArray& raw : file.readAll().split('\n')) {
    const QString line = QString::fromUtf8(raw).trimmed();
    if (line.startsWith('[') && line.endsWith(']')) {
      current = line.mid(1, line.size() - 2);
    } else if (current.compare(section, Qt::CaseInsensitive) == 0) {
      const qsizetype eq = line.indexOf('=');
      if (eq > 0 && line.left(eq).trimmed().compare(key, Qt::CaseInsensitive) == 0) return line.mid(eq + 1).trimmed();
    }
  }
  return QString();
}

class Viewer {
 public:
  static constexpr const char* kTitle = "KTR-DO Veveze ZariZ";

  // Starts the program in `workDir` (where its settings file lives) with
  // `home` as the user's home folder.
  Viewer(const QString& program, const QString& workDir, const QString& home, const QStringList& args = {}) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", home);
    env.remove("XDG_CONFIG_HOME");
    env.insert("QT_QPA_PLATFORM", "xcb");
    env.insert("QTWEBENGINE_DISABLE_SANDBOX", "1");
    if (!env.contains("TRK_LIBVLC_ARGS")) env.insert("TRK_LIBVLC_ARGS", "--aout=dummy");
    m_messageLog = workDir + "/messages.log";
    env.insert("TRK_MESSAGE_LOG", m_messageLog);
    m_process.setProcessEnvironment(env);
    m_process.setWorkingDirectory(workDir);
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.setStandardOutputFile(QProcess::nullDevice());
    m_process.start(program, args);
  }

  ~Viewer() {
    if (m_process.state() != QProcess::NotRunning) {
      m_process.kill();
      m_process.waitForFinished(10000);
    }
  }

  bool Started() { return m_process.waitForStarted(20000); }
  bool Running() const { return m_process.state() == QProcess::Running; }
  bool WaitForExit(int timeoutMs) {
    return Eventually([&] { return m_process.state() == QProcess::NotRunning; }, timeoutMs);
  }
  int ExitCode() const { return m_process.exitCode(); }
  QProcess::ExitStatus ExitStatus() const { return m_process.exitStatus(); }

  // The visible windows whose name is exactly `name`.
  static QStringList FindWindows(const QString& name) {
    QStringList found;
    const QString ids = XDo({"search", "--onlyvisible", "--name", "."});
    for (const QString& id : ids.split('\n', Qt::SkipEmptyParts)) {
      if (XDo({"getwindowname", id}) == name) found << id;
    }
    return found;
  }

  // Waits for the main window to be mapped and laid out.
  bool WaitForWindow(int timeoutMs = 90000) {
    return Eventually(
        [&] {
          for (const QString& id : FindWindows(kTitle)) {
            if (WindowRect(id).width() >= 800) {
              m_window = id;
              return true;
            }
          }
          return false;
        },
        timeoutMs, 250);
  }

  static QRect WindowRect(const QString& id) {
    const QString shell = XDo({"getwindowgeometry", "--shell", id});
    int x = 0, y = 0, w = 0, h = 0;
    for (const QString& line : shell.split('\n')) {
      if (line.startsWith("X=")) x = line.mid(2).toInt();
      if (line.startsWith("Y=")) y = line.mid(2).toInt();
      if (line.startsWith("WIDTH=")) w = line.mid(6).toInt();
      if (line.startsWith("HEIGHT=")) h = line.mid(7).toInt();
    }
    return QRect(x, y, w, h);
  }

  QRect Geometry() const { return WindowRect(m_window); }
  bool WaitForGeometry(const QRect& expected, int timeoutMs = 20000) {
    return Eventually([&] { return Geometry() == expected; }, timeoutMs);
  }

  // Pointer actions at a point of the main window's client area.
  void Click(const QPoint& at) const {
    const QPoint p = Geometry().topLeft() + at;
    XDo({"mousemove", "--sync", QString::number(p.x()), QString::number(p.y())});
    XDo({"click", "1"});
  }
  void DoubleClick(const QPoint& at) const {
    const QPoint p = Geometry().topLeft() + at;
    XDo({"mousemove", "--sync", QString::number(p.x()), QString::number(p.y())});
    XDo({"click", "--repeat", "2", "--delay", "120", "1"});
  }
  void Drag(const QPoint& from, const QPoint& to) const {
    const QPoint a = Geometry().topLeft() + from;
    const QPoint b = Geometry().topLeft() + to;
    XDo({"mousemove", "--sync", QString::number(a.x()), QString::number(a.y())});
    XDo({"mousedown", "1"});
    const QPoint middle = (a + b) / 2;
    XDo({"mousemove", "--sync", QString::number(middle.x()), QString::number(middle.y())});
    XDo({"mousemove", "--sync", QString::number(b.x()), QString::number(b.y())});
    XDo({"mouseup", "1"});
  }

  // The main window's client area as the screen shows it.
  QImage Shot() const { return Screen(Geometry()); }

  // Waits for a dialog with this caption, gives it the keyboard and returns
  // its id (empty when none came).
  static QString WaitForDialog(const QString& caption, int timeoutMs = 30000) {
    QString id;
    Eventually(
        [&] {
          const QStringList found = FindWindows(caption);
          if (found.isEmpty()) return false;
          id = found.front();
          return true;
        },
        timeoutMs, 150);
    if (!id.isEmpty()) XDo({"windowfocus", "--sync", id});
    return id;
  }

  static bool WaitForDialogGone(const QString& id, int timeoutMs = 30000) {
    return Eventually(
        [&] {
          return !XDo({"search", "--onlyvisible", "--name", "."}).split('\n').contains(id);
        },
        timeoutMs, 150);
  }

  // The last message box the program opened, as "caption<TAB>text" (line
  // breaks as "\n"): the program writes each box to TRK_MESSAGE_LOG.
  QString LastMessage() const {
    QFile log(m_messageLog);
    if (!log.open(QIODevice::ReadOnly)) return QString();
    const QList<QByteArray> lines = log.readAll().split('\n');
    for (auto it = lines.rbegin(); it != lines.rend(); ++it)
      if (!it->isEmpty()) return QString::fromUtf8(*it);
    return QString();
  }

  static void Key(const QString& key) { XDo({"key", key}); }
  static void Type(const QString& text) { XDo({"type", "--delay", "4", text}); }

  // Answers the folder picker with `folder`.
  static bool PickFolder(const QString& caption, const QString& folder) {
    const QString id = WaitForDialog(caption);
    if (id.isEmpty()) return false;
    // The path field runs along the bottom, above the OK and Cancel buttons.
    const QRect picker = WindowRect(id);
    const QPoint field = picker.topLeft() + QPoint(picker.width() / 2, picker.height() - 53);
    XDo({"mousemove", "--sync", QString::number(field.x()), QString::number(field.y())});
    XDo({"click", "1"});
    const QString artifacts = qEnvironmentVariable("TRK_ARTIFACT_DIR", QDir::tempPath());
    Screen(picker).save(artifacts + "/e2e-folder-picker.png");
    Key("ctrl+a");
    Type(folder);
    Key("Return");
    return WaitForDialogGone(id);
  }

 private:
  QProcess m_process;
  QString m_window;
  QString m_messageLog;
};

}  // namespace e2e
