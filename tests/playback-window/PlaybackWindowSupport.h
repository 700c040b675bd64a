#pragma once
// A card of short synthesized recordings opened in the real main window, and
// what the tests read back: the map page's variables, the player's marquee
// text (asked from libvlc itself) and the expected samples.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <QCursor>
#include <QFile>
#include <QFileDialog>
#include <QJsonArray>
#include <QLineEdit>
#include <QJsonDocument>
#include <QWebEnginePage>
#include <cmath>
#include <memory>
#include <utility>
#include <string>
#include <vector>

#include "map/CHtmlMapDlg.h"
#include "app/CTRKDlg.h"
#include "app/FolderOpening.h"
#include "app/ViewerSession.h"
#include "MainWindowSupport.h"
#include "container/RecordingTypes.h"
#include "Synth.h"
#include "playback/MediaEngine.h"

namespace playback_test {

constexpr int kWidth = 320;
constexpr int kHeight = 180;
// Ten GPS records a second; the first second has no fix.
constexpr int kGpsRate = 10;
constexpr int kNoFixRecords = 10;

struct CardRecording {
  std::string path;
  uint32_t durationMs = 0;
  std::vector<GpsSample> gps;  // as written
};

// Recordings of one drive (one group), one after the other, in `folder`.
inline std::vector<CardRecording> WriteCard(const QString& folder, const std::vector<uint32_t>& durationsMs) {
  QDir().mkpath(folder);
  std::vector<CardRecording> card;
  int second = 0;
  double drive = 0;
  for (size_t i = 0; i < durationsMs.size(); ++i) {
    SynthOptions o;
    o.durationMs = durationsMs[i];
    o.width = kWidth;
    o.height = kHeight;
    o.hour = 8;
    o.minute = 30;
    o.second = second;
    o.gpsRate = kGpsRate;
    o.noFixRecords = i == 0 ? kNoFixRecords : 0;
    o.driveSeconds = drive;
    char name[64];
    std::snprintf(name, sizeof name, "/FILE240412-0830%02d.AVI", second);
    const std::string path = QFile::encodeName(folder).toStdString() + name;
    const SynthReport report = WriteSynthRecording(path, o);
    card.push_back({path, durationsMs[i], report.gps});
    second += static_cast<int>(durationsMs[i] / 1000);
    drive += durationsMs[i] / 1000.0;
  }
  return card;
}

inline bool Usable(const GpsSample& s) {
  return (s.status & GpsStatusValid) != 0 && !(s.latitude == 0.0 && s.longitude == 0.0) && s.latitude / 100.0 < 200.0 &&
         s.longitude / 100.0 < 200.0;
}

// A sample's position in degrees, as the map page receives it.
inline std::pair<double, double> Degrees(const GpsSample& s) {
  return {NmeaToDegrees(s.latitude / 100.0), NmeaToDegrees(s.longitude / 100.0)};
}
inline bool SamePoint(const QJsonValue& point, const GpsSample& s) {
  const QJsonArray a = point.toArray();
  const auto [lat, lon] = Degrees(s);
  return a.size() == 2 && std::abs(a[0].toDouble() - lat) < 2e-6 && std::abs(a[1].toDouble() - lon) < 2e-6;
}

// The real main window shown with its map page loaded, in a settings folder
// of its own; skipped where the media library is missing.
class RealWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_dir.ok());
    // No button's tip pops up under a pointer left resting where the window opens.
    QCursor::setPos(0, 0);
    m_session = std::make_unique<ViewerSession>();
    dlg().OnInitDialog();
    dlg().show();
    if (!dlg().Playback().Engine().IsLoaded()) GTEST_SKIP() << "no media library on this machine";
    ASSERT_TRUE(WaitFor([&] { return dlg().MapDlg()->IsPageLoaded(); }, 60000));
  }
  void TearDown() override {
    if (m_session) dlg().close();
    m_session.reset();
    QApplication::processEvents();
  }

  CTRKDlg& dlg() { return m_session->Window(); }
  FolderOpening& opening() { return m_session->Opening(); }
  std::atomic<int32_t>& busy() { return m_session->Busy().Flag(); }
  CTrkFileListCtrl& FileList() { return dlg().ControlAs<CTrkFileListCtrl>(IDC_FILE_LIST); }
  QString CardFolder() const { return m_dir.path() + "/card"; }

  ScopedSettingsDir m_dir;
  std::unique_ptr<ViewerSession> m_session;
  std::vector<CardRecording> m_card;
};

// Runs the map host's queued calls, then `script` in the page; its value.
inline QVariant Eval(CTRKDlg& dlg, const QString& script) {
  dlg.MapDlg()->FlushScripts();
  bool done = false;
  QVariant value;
  dlg.MapDlg()->Page()->runJavaScript(script, [&](const QVariant& result) {
    value = result;
    done = true;
  });
  if (!WaitFor([&] { return done; }, 15000)) ADD_FAILURE() << "script did not answer: " << script.toStdString();
  return value;
}
inline QString Json(CTRKDlg& dlg, const QString& expression) {
  return Eval(dlg, "JSON.stringify(" + expression + ")").toString();
}
inline QJsonArray JsonArray(CTRKDlg& dlg, const QString& expression) {
  return QJsonDocument::fromJson(Json(dlg, expression).toUtf8()).array();
}

// The marquee text the player holds now (libvlc's own getter).
inline std::string MarqueeText(const CTRKDlg& dlg) {
  using GetString = char* (*)(libvlc_media_player_t*, unsigned);
  using Free = void (*)(void*);
  auto get = reinterpret_cast<GetString>(dlsym(dlg.Playback().Engine().Module(), "libvlc_video_get_marquee_string"));
  auto release = reinterpret_cast<Free>(dlsym(dlg.Playback().Engine().Module(), "libvlc_free"));
  if (get == nullptr || release == nullptr || dlg.Playback().Engine().Player() == nullptr) return "<none>";
  char* text = get(dlg.Playback().Engine().Player(), libvlc_marquee_Text);
  std::string result = text != nullptr ? text : "";
  if (text != nullptr) release(text);
  return result;
}
inline int MarqueeInt(const CTRKDlg& dlg, unsigned option) {
  using GetInt = int (*)(libvlc_media_player_t*, unsigned);
  auto get = reinterpret_cast<GetInt>(dlsym(dlg.Playback().Engine().Module(), "libvlc_video_get_marquee_int"));
  return get != nullptr && dlg.Playback().Engine().Player() != nullptr ? get(dlg.Playback().Engine().Player(), option)
                                                                       : -999;
}
// The time that the player reports (window thread).
inline int64_t PlayerTime(const CTRKDlg& dlg) { return dlg.Playback().Engine().GetTime(); }

// True when the player's time does not move over `ms`.
inline bool TimeStands(const CTRKDlg& dlg, int ms) {
  const int64_t before = PlayerTime(dlg);
  Pump(ms);
  return PlayerTime(dlg) == before;
}

// Types a name into the dialog's name box as the user would (selectFile
// leaves the box alone while it has the focus).
inline void TypeFileName(QFileDialog& dialog, const QString& path) {
  const QFileInfo info(path);
  dialog.setDirectory(info.absolutePath());
  auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
  if (name != nullptr) name->setText(info.fileName());
}

// Answers the file dialog that becomes the active modal window with `answer`
// (called with the dialog), one dialog only. The dialog is given a moment to settle first
// (its folder view fills in after it shows), and is answered again when it
// is still open a while later.
class FileDialogAnswer {
 public:
  explicit FileDialogAnswer(std::function<void(QFileDialog&)> answer) : m_answer(std::move(answer)) {
    QObject::connect(&m_timer, &QTimer::timeout, [this] { Poll(); });
    m_timer.start(50);
  }
  int answers() const { return m_answers; }
  bool answered() const { return m_answers > 0; }

 private:
  void Poll() {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr || !dialog->isVisible()) {
      // Once its dialog has closed, the answer is spent.
      if (m_answers > 0) m_timer.stop();
      m_seen = nullptr;
      return;
    }
    if (dialog != m_seen) {
      m_seen = dialog;
      m_clock.start();
      m_answeredAt = -1;
      return;
    }
    const qint64 now = m_clock.elapsed();
    if (now < 300 || (m_answeredAt >= 0 && now - m_answeredAt < 1500) || m_answers >= 5) return;
    m_answeredAt = now;
    ++m_answers;
    m_answer(*dialog);
  }
  QTimer m_timer;
  QElapsedTimer m_clock;
  QFileDialog* m_seen = nullptr;
  qint64 m_answeredAt = -1;
  int m_answers = 0;
  std::function<void(QFileDialog&)> m_answer;
};

}  // namespace playback_test
