// The keys, the wheel and drops on the real main window, with the system's
// libvlc: every key is sent to the window or to whichever of its controls
// has the focus, and what a user would see afterwards is checked: the
// player's state, the position slider and the time, the window's place, the
// volume slider, the rate on the picture, the recording played, the dialogs
// that open and the rectangle saved at the close.
#include <gtest/gtest.h>

#include <QDropEvent>
#include <QKeySequence>
#include <QMimeData>
#include <QProcess>
#include <QTest>
#include <QWebEngineView>
#include <QWheelEvent>
#include <algorithm>
#include <functional>

#include "dialogs/CFolderDialog.h"
#include "settings/Languages.h"
#include "PlaybackWindowSupport.h"
#include "app/TrkMessageBox.h"
#include "playback/MediaEngine.h"

using namespace playback_test;

namespace {

const QRect kPlace(140, 80, 900, 640);
// The test recordings: 25 pictures a second, a key frame every 50.
constexpr int64_t kFrameMs = 40;
constexpr int64_t kKeyFrameMs = 2000;

// Time the player shows while paused and no seek is pending.
int64_t SettledTime(const CTRKDlg& dlg) {
  WaitFor([&] { return dlg.Playback().SeekTarget() == 0; }, 5000);
  Pump(150);
  return PlayerTime(dlg);
}

class WindowInput : public RealWindowTest {
 protected:
  void SetUp() override {
    RealWindowTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    dlg().setGeometry(kPlace);
    ASSERT_TRUE(WaitFor([&] { return dlg().geometry() == kPlace; }));
  }

  bool Plays(int recording) {
    return dlg().Playback().Engine().GetMediaPath() == m_card[static_cast<std::size_t>(recording)].path &&
           dlg().ControlAs<CTrkFileListCtrl>(IDC_FILE_LIST).IsDropHighlighted(recording) &&
           dlg().Playback().Engine().IsPlaying() && busy() == 0;
  }

  // Drops `mime` on `target` as the desktop would; whether it was taken.
  bool Drop(QWidget* target, const QMimeData& mime) {
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    enter.ignore();
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return drop.isAccepted();
  }

  // The card dropped on the window, its first recording playing, then paused.
  void DropCardAndPause(const std::vector<uint32_t>& durationsMs) {
    m_card = WriteCard(CardFolder(), durationsMs);
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(CardFolder())});
    ASSERT_TRUE(Drop(&dlg(), mime));
    ASSERT_TRUE(
        WaitFor([&] { return Plays(0) && dlg().ControlAs<CVideoSlider>(IDC_POSITION_SLIDER).GetPos() > 0; }, 60000));
    Press(dlg(), IDC_PLAY);
    ASSERT_TRUE(WaitFor([&] { return TimeStands(dlg(), 300); }, 10000));
  }

  // The slider and the time after a seek to `expectedMs`: the slider and the
  // curve's cursor at once, the player at the next seek tick. A paused player
  // stands at the key frame at or before the target (every 2 s here).
  void ExpectSeekShown(int64_t expectedMs) {
    const int64_t length = dlg().Playback().Engine().GetLength();
    ASSERT_GT(length, 0);
    EXPECT_NEAR(dlg().ControlAs<CVideoSlider>(IDC_POSITION_SLIDER).GetPos(),
                static_cast<double>(expectedMs) * 1000 / length, 1.0);
    EXPECT_NEAR(dlg().ControlAs<CGSensorCtrl>(IDC_GSENSOR).m_cursorMs, static_cast<double>(expectedMs), 1.0);
    const int64_t time = SettledTime(dlg());
    EXPECT_LE(time, expectedMs + 100);
    EXPECT_GE(time, expectedMs - kKeyFrameMs - 100);
  }
};

// Rejects the next modal dialog of type T and tells whether one came.
template <typename T>
class DialogSeen {
 public:
  DialogSeen() {
    QObject::connect(&m_timer, &QTimer::timeout, [this] {
      auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
      if (dialog == nullptr || !dialog->isVisible()) return;
      m_seen = true;
      dialog->reject();
    });
    m_timer.start(50);
  }
  bool seen() const { return m_seen; }

 private:
  QTimer m_timer;
  bool m_seen = false;
};

enum class Target { Window, FileList, VolumeSlider, Map };

struct KeyCase {
  const char* what;
  Target target;
  int key;
  Qt::KeyboardModifiers modifiers;
  // The button whose tooltip names the key, with its text id (0: none).
  int button;
  uint32_t tipText;
  std::function<void()> before;
  std::function<void()> check;
};

// The pictures of a recording as ffmpeg decodes them, in grey, to tell
// which one the player shows.
std::vector<QImage> DecodedPictures(const std::string& path) {
  QProcess ffmpeg;
  ffmpeg.start(QStringLiteral("ffmpeg"), {"-nostdin", "-loglevel", "error", "-i", QFile::decodeName(path.c_str()), "-f",
                                          "rawvideo", "-pix_fmt", "gray", "-"});
  ffmpeg.waitForFinished(60000);
  const QByteArray all = ffmpeg.readAllStandardOutput();
  std::vector<QImage> pictures;
  for (qsizetype at = 0; at + kWidth * kHeight <= all.size(); at += kWidth * kHeight)
    pictures.push_back(
        QImage(reinterpret_cast<const uchar*>(all.constData() + at), kWidth, kHeight, kWidth, QImage::Format_Grayscale8)
            .copy());
  return pictures;
}

// The number of the picture the player shows (its own snapshot), -1 for none.
int ShownPicture(CTRKDlg& dlg, const std::vector<QImage>& pictures, const QString& path) {
  WaitFor([&] { return dlg.Playback().SeekTarget() == 0; }, 5000);
  Pump(400);
  QFile::remove(path);
  dlg.Playback().TakeSnapshot(QFile::encodeName(path).toStdString());
  WaitFor([&] { return QFile::exists(path); }, 3000);
  const QImage shot = QImage(path).convertToFormat(QImage::Format_Grayscale8);
  if (shot.size() != QSize(kWidth, kHeight)) return -1;
  auto difference = [&](const QImage& picture) {
    int64_t sum = 0;
    for (int y = 0; y < kHeight; y += 3)
      for (int x = 0; x < kWidth; x += 3) sum += std::abs(shot.pixelColor(x, y).red() - picture.pixelColor(x, y).red());
    return sum;
  };
  const auto best = std::min_element(pictures.begin(), pictures.end(),
                                     [&](const QImage& a, const QImage& b) { return difference(a) < difference(b); });
  return static_cast<int>(best - pictures.begin());
}

}  // namespace

TEST_F(WindowInput, FrameStepsGoOnePictureFromThePictureShown) {
  ASSERT_NO_FATAL_FAILURE(DropCardAndPause({12000}));
  const std::vector<QImage> pictures = DecodedPictures(m_card[0].path);
  ASSERT_GT(pictures.size(), 290u);
  const QString snap = m_dir.path() + "/shown.png";
  auto key = [&](Qt::Key k) { QTest::keyClick(&dlg(), k); };
  // Home, Right: a seek between key frames (every 50 pictures); then steps
  // both ways, once more after a pause long enough to give the output up,
  // and from the first picture and from a key frame.
  key(Qt::Key_Home);
  key(Qt::Key_Right);
  int expected = ShownPicture(dlg(), pictures, snap);
  ASSERT_GT(expected, 100);
  const std::pair<Qt::Key, int> steps[] = {
      {Qt::Key_Period, 1}, {Qt::Key_Period, 1}, {Qt::Key_Period, 1}, {Qt::Key_Comma, -1}, {Qt::Key_Comma, -1},
      {Qt::Key_Home, 0},   {Qt::Key_Period, 1}, {Qt::Key_Period, 1}, {Qt::Key_Comma, -1},
  };
  for (const auto& [k, step] : steps) {
    key(k);
    if (k != Qt::Key_Home) {
      EXPECT_EQ(ShownPicture(dlg(), pictures, snap), expected += step) << QKeySequence(k).toString().toStdString();
      EXPECT_TRUE(dlg().Playback().Engine().IsPaused());
      continue;
    }
    EXPECT_LE(expected = ShownPicture(dlg(), pictures, snap), 1);
    Pump(kReleaseOutputAfterPauseMs + 1000);  // the output is given up before the next step
  }
}

TEST_F(WindowInput, ADialogLeavesThePictureAndThePositionAsTheyWere) {
  ASSERT_NO_FATAL_FAILURE(DropCardAndPause({12000, 12000}));
  QTest::keyClick(&dlg(), Qt::Key_Right);
  // Long enough for the output to be given up and the still to stand in.
  ASSERT_TRUE(WaitFor([&] { return dlg().Ui().m_video.IsStillShown(); }, 10000));
  Pump(500);  // the still drawn in place of the output
  const int slider = dlg().ControlAs<CVideoSlider>(IDC_POSITION_SLIDER).GetPos();
  auto videoPicture = [&] { return GrabScreen(dlg().Ui().m_video.geometry().translated(dlg().pos())); };
  const QImage picture = videoPicture();
  DialogSeen<CFolderDialog> picker;
  DialogSeen<QMessageBox> box;
  for (int command : {IDC_OPEN, IDC_SAVE, IDC_DEL, IDC_KML}) {
    SCOPED_TRACE(command);
    Press(dlg(), command);
    EXPECT_TRUE(picker.seen() || box.seen());
    EXPECT_TRUE(dlg().Playback().Engine().IsPaused());
    EXPECT_EQ(dlg().ControlAs<CVideoSlider>(IDC_POSITION_SLIDER).GetPos(), slider);
    EXPECT_TRUE(WaitFor([&] { return videoPicture() == picture; }, 5000)) << "the picture is gone";
  }
  // Space goes on from where it stood.
  QTest::keyClick(&dlg(), Qt::Key_Space);
  EXPECT_TRUE(WaitFor(
      [&] {
        return dlg().Playback().Engine().IsPlaying() &&
               dlg().ControlAs<CVideoSlider>(IDC_POSITION_SLIDER).GetPos() > slider;
      },
      10000));
}

TEST_F(WindowInput, EveryKeyDoesWhatItsButtonDoesWhateverHasTheFocus) {
  ASSERT_NO_FATAL_FAILURE(DropCardAndPause({12000, 12000, 12000}));
  const int64_t length = dlg().Playback().Engine().GetLength();
  ASSERT_GT(length, 10000);
  int64_t from = 0;
  QImage picture;
  auto videoPicture = [&] { return GrabScreen(dlg().Ui().m_video.geometry().translated(dlg().pos())); };
  auto noteTime = [&] { from = SettledTime(dlg()); };
  auto seekShown = [&](int64_t delta) {
    return [&, delta] { ExpectSeekShown(std::clamp<int64_t>(from + delta, 1, length - kFrameMs)); };
  };
  auto volumeShown = [&](int position) {
    return [&, position] {
      EXPECT_EQ(dlg().ControlAs<CMySliderControl>(IDC_VOLUME_SLIDER).GetPos(), position);
      EXPECT_EQ(dlg().Playback().Engine().GetVolume(), 2 * position);
    };
  };
  auto rateShown = [&](std::string label) { return [&, label] { EXPECT_EQ(MarqueeText(dlg()), label); }; };
  auto fullScreen = [&](bool on) {
    return [&, on] {
      EXPECT_EQ(dlg().Frame().IsFullScreen(), on);
      EXPECT_EQ(dlg().geometry(), on ? dlg().Frame().MonitorRect() : kPlace);
      EXPECT_EQ(dlg().Button(IDC_PLAY).isVisible(), !on);
      EXPECT_TRUE(dlg().isVisible());
    };
  };
  auto pointerOver = [&](QWidget* widget) {
    return [widget] { QCursor::setPos(widget->mapToGlobal(widget->rect().center())); };
  };
  auto plays = [&](int recording) {
    return [&, recording] { EXPECT_TRUE(WaitFor([&] { return Plays(recording); }, 30000)); };
  };
  DialogSeen<QFileDialog> snapshotDialog;
  DialogSeen<CFolderDialog> folderPicker;

  const KeyCase cases[] = {
      {"Space plays",
       Target::Window,
       Qt::Key_Space,
       Qt::NoModifier,
       IDC_PLAY,
       134,
       {},
       [&] {
         EXPECT_TRUE(WaitFor([&] { return dlg().Button(IDC_PLAY).ShowsSecond(); }, 10000));
         EXPECT_FALSE(TimeStands(dlg(), 400));
       }},
      {"Space pauses",
       Target::FileList,
       Qt::Key_Space,
       Qt::NoModifier,
       0,
       0,
       {},
       [&] {
         EXPECT_TRUE(WaitFor([&] { return !dlg().Button(IDC_PLAY).ShowsSecond(); }, 10000));
         EXPECT_TRUE(WaitFor([&] { return TimeStands(dlg(), 400); }, 5000));
       }},
      {"Home seeks to the start", Target::Window, Qt::Key_Home, Qt::NoModifier, 0, 0, noteTime,
       [&] { ExpectSeekShown(1); }},
      {"Right seeks 5 s", Target::Window, Qt::Key_Right, Qt::NoModifier, 0, 0, noteTime, seekShown(5000)},
      {"Shift+Right seeks 1 s", Target::FileList, Qt::Key_Right, Qt::ShiftModifier, 0, 0, noteTime, seekShown(1000)},
      {"Left seeks 5 s back", Target::VolumeSlider, Qt::Key_Left, Qt::NoModifier, 0, 0, noteTime, seekShown(-5000)},
      // The first step after a seek may show the picture the seek decoded.
      {"period steps forward, still paused", Target::Window, Qt::Key_Period, Qt::NoModifier, 0, 0,
       [&] {
         Pump(500);
         picture = videoPicture();
       },
       [&] {
         Pump(300);
         EXPECT_FALSE(dlg().Playback().Engine().IsPlaying());
         EXPECT_TRUE(dlg().Playback().Engine().IsPaused());
       }},
      {"period again: the picture has moved on",
       Target::Window,
       Qt::Key_Period,
       Qt::NoModifier,
       0,
       0,
       {},
       [&] {
         EXPECT_TRUE(WaitFor([&] { return videoPicture() != picture; }, 5000));
         EXPECT_FALSE(dlg().Playback().Engine().IsPlaying());
       }},
      {"comma seeks one picture back", Target::Window, Qt::Key_Comma, Qt::NoModifier, 0, 0, noteTime,
       [&] {
         ExpectSeekShown(from - kFrameMs);
         EXPECT_FALSE(dlg().Playback().Engine().IsPlaying());
       }},
      {"Ctrl+Right seeks 30 s, clamped to the last picture", Target::Map, Qt::Key_Right, Qt::ControlModifier, 0, 0,
       noteTime, seekShown(30000)},
      {"Shift+Left seeks 1 s back", Target::Window, Qt::Key_Left, Qt::ShiftModifier, 0, 0, noteTime, seekShown(-1000)},
      {"Ctrl+Left seeks 30 s back, clamped to the start", Target::Window, Qt::Key_Left, Qt::ControlModifier, 0, 0,
       noteTime, seekShown(-30000)},
      {"End seeks to the last picture", Target::Window, Qt::Key_End, Qt::NoModifier, 0, 0, noteTime,
       [&] { ExpectSeekShown(length - kFrameMs); }},
      {"Down turns the volume down", Target::VolumeSlider, Qt::Key_Down, Qt::NoModifier, 0, 0, {}, volumeShown(95)},
      {"Up turns it up", Target::FileList, Qt::Key_Up, Qt::NoModifier, 0, 0, {}, volumeShown(100)},
      {"Up stops at the top", Target::Window, Qt::Key_Up, Qt::NoModifier, 0, 0, {}, volumeShown(100)},
      {"M mutes",
       Target::Window,
       Qt::Key_M,
       Qt::NoModifier,
       IDC_VOLUME,
       188,
       {},
       [&] { EXPECT_TRUE(dlg().Button(IDC_VOLUME).ShowsSecond()); }},
      {"M unmutes",
       Target::Window,
       Qt::Key_M,
       Qt::NoModifier,
       0,
       0,
       {},
       [&] { EXPECT_FALSE(dlg().Button(IDC_VOLUME).ShowsSecond()); }},
      {"] is FAST", Target::Window, Qt::Key_BracketRight, Qt::NoModifier, IDC_FAST, 186, {}, rateShown("1.2 X")},
      {"[ is SLOW", Target::Window, Qt::Key_BracketLeft, Qt::NoModifier, IDC_SLOW, 184, {}, rateShown("")},
      {"[ again", Target::FileList, Qt::Key_BracketLeft, Qt::NoModifier, 0, 0, {}, rateShown("0.9 X")},
      {"] back to the normal rate", Target::Window, Qt::Key_BracketRight, Qt::NoModifier, 0, 0, {}, rateShown("")},
      {"F enters full screen", Target::Window, Qt::Key_F, Qt::NoModifier, 0, 0, {}, fullScreen(true)},
      {"Esc leaves it", Target::Window, Qt::Key_Escape, Qt::NoModifier, 0, 0, {}, fullScreen(false)},
      {"Esc outside full screen does nothing",
       Target::FileList,
       Qt::Key_Escape,
       Qt::NoModifier,
       0,
       0,
       {},
       fullScreen(false)},
      {"Enter away from the video does nothing", Target::Window, Qt::Key_Return, Qt::NoModifier, 0, 0,
       pointerOver(&dlg().ControlAs<CTrkFileListCtrl>(IDC_FILE_LIST)), fullScreen(false)},
      {"Enter on the video enters full screen", Target::Window, Qt::Key_Return, Qt::NoModifier, 0, 0,
       pointerOver(dlg().Control(IDC_VIDEO)), fullScreen(true)},
      {"Enter in full screen leaves it",
       Target::Window,
       Qt::Key_Enter,
       Qt::KeypadModifier,
       0,
       0,
       {},
       fullScreen(false)},
      {"Home again", Target::Window, Qt::Key_Home, Qt::NoModifier, 0, 0, noteTime, [&] { ExpectSeekShown(1); }},
      {"Space plays from there", Target::Window, Qt::Key_Space, Qt::NoModifier, 0, 0, {}, plays(0)},
      {"Page Down while a recording starts does nothing", Target::Window, Qt::Key_PageDown, Qt::NoModifier, 0, 0,
       [&] { busy() = 1; },
       [&] {
         Pump(500);
         busy() = 0;
         plays(0)();
       }},
      {"Page Down plays the next recording", Target::FileList, Qt::Key_PageDown, Qt::NoModifier, 0, 0, {}, plays(1)},
      {"Page Up plays the one before", Target::Window, Qt::Key_PageUp, Qt::NoModifier, 0, 0, {}, plays(0)},
      {"Ctrl+S is SNAP",
       Target::Window,
       Qt::Key_S,
       Qt::ControlModifier,
       IDC_SNAP,
       180,
       {},
       [&] {
         EXPECT_TRUE(WaitFor([&] { return snapshotDialog.seen(); }, 10000));
         EXPECT_TRUE(WaitFor([&] { return dlg().Playback().Engine().IsPlaying(); }, 10000));
       }},
      {"Ctrl+O is OPEN",
       Target::Window,
       Qt::Key_O,
       Qt::ControlModifier,
       IDC_OPEN,
       179,
       {},
       [&] { EXPECT_TRUE(WaitFor([&] { return folderPicker.seen(); }, 10000)); }},
      {"Ctrl+Q closes and saves the rectangle",
       Target::Window,
       Qt::Key_Q,
       Qt::ControlModifier,
       IDC_CLOSE,
       195,
       {},
       [&] {
         EXPECT_TRUE(WaitFor([&] { return !dlg().isVisible(); }, 10000));
         EXPECT_TRUE(m_dir.IniText().contains("[WINPOS]\nLEFT=140\nTOP=80\nRIGHT=1040\nBOTTOM=720\n"))
             << m_dir.IniText().constData();
       }},
  };

  for (const KeyCase& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.button != 0) {
      // The button's tooltip names the key, in both languages.
      const QString key =
          "(" + QKeySequence(QKeyCombination(c.modifiers, Qt::Key(c.key))).toString(QKeySequence::PortableText) + ")";
      EXPECT_EQ(dlg().Button(c.button).TipText(), LoadQText(c.tipText));
      for (uint16_t language : {kLangIdEnglish, kLangIdJapanese})
        EXPECT_TRUE(QString::fromStdString(LoadTextForLanguage(c.tipText, language)).contains(key)) << language;
    }
    if (c.before) c.before();
    QWidget* target = &dlg();
    switch (c.target) {
      case Target::Window:
        break;
      case Target::FileList:
        target = &dlg().ControlAs<CTrkFileListCtrl>(IDC_FILE_LIST);
        break;
      case Target::VolumeSlider:
        target = &dlg().ControlAs<CMySliderControl>(IDC_VOLUME_SLIDER);
        break;
      case Target::Map:
        target = dlg().MapDlg()->View();
        break;
    }
    target->setFocus();
    QTest::keyClick(target, Qt::Key(c.key), c.modifiers);
    c.check();
  }
}

TEST_F(WindowInput, ButtonsShowTheirTipsWithTheirKeys) {
  // The tips are set again, in the language in force, after a language change.
  dlg().OnLanguageChanged();
  QEnterEvent enter(QPointF(5, 5), dlg().Button(IDC_PLAY).mapToGlobal(QPointF(5, 5)),
                    dlg().Button(IDC_PLAY).mapToGlobal(QPointF(5, 5)));
  QApplication::sendEvent(&dlg().Button(IDC_PLAY), &enter);
  ASSERT_TRUE(WaitFor([&] { return dlg().Button(IDC_PLAY).Tip() && dlg().Button(IDC_PLAY).Tip()->isVisible(); }, 5000));
  EXPECT_EQ(dlg().Button(IDC_PLAY).Tip()->Text(), LoadQText(134));
}

TEST_F(WindowInput, TheWheelTurnsTheVolumeOverTheVideoAndSeeksOverThePositionSlider) {
  ASSERT_NO_FATAL_FAILURE(DropCardAndPause({12000}));
  auto turn = [&](QWidget* over, int delta) {
    const QPointF at = QRect(QPoint(0, 0), over->size()).center();
    QWheelEvent wheel(at, over->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(over, &wheel);
  };
  struct Turn {
    const char* what;
    QWidget* over;
    int delta;
    int volume;           // volume slider afterwards
    int64_t seekNotches;  // whole notches of 5 s on the position slider (0: no seek)
  };
  const Turn turns[] = {
      {"down two notches on the picture", dlg().Control(IDC_VIDEO), -240, 90, 0},
      {"up one on the background", &dlg().ControlAs<CVideoStaticBg>(IDC_VIDEO_BG), 120, 95, 0},
      {"half a notch does nothing yet", dlg().Control(IDC_VIDEO), 60, 95, 0},
      {"the other half makes it one", dlg().Control(IDC_VIDEO), 60, 100, 0},
      {"the top holds", dlg().Control(IDC_VIDEO), 120, 100, 0},
      {"the file list scrolls, no volume change", &dlg().ControlAs<CTrkFileListCtrl>(IDC_FILE_LIST), -120, 100, 0},
      {"up on the position slider: 5 s on", &dlg().ControlAs<CVideoSlider>(IDC_POSITION_SLIDER), 120, 100, 1},
      {"down two: 10 s back, clamped", &dlg().ControlAs<CVideoSlider>(IDC_POSITION_SLIDER), -240, 100, -2},
  };
  for (const Turn& t : turns) {
    SCOPED_TRACE(t.what);
    const int64_t from = SettledTime(dlg());
    turn(t.over, t.delta);
    EXPECT_EQ(dlg().ControlAs<CMySliderControl>(IDC_VOLUME_SLIDER).GetPos(), t.volume);
    EXPECT_EQ(dlg().Playback().Engine().GetVolume(), 2 * t.volume);
    if (t.seekNotches != 0) {
      ExpectSeekShown(std::clamp<int64_t>(from + t.seekNotches * 5000, 1, dlg().Playback().Engine().GetLength() - 40));
    } else {
      EXPECT_EQ(dlg().Playback().SeekTarget(), 0);
    }
  }
}

TEST_F(WindowInput, AFolderDroppedOnTheWindowOpensAsOpenWould) {
  m_card = WriteCard(CardFolder(), {3000, 3000});
  // Something that is neither a folder nor a recording is refused.
  const QString note = m_dir.path() + "/note.txt";
  QFile file(note);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("x");
  file.close();
  QMimeData refused;
  refused.setUrls({QUrl::fromLocalFile(note), QUrl(QStringLiteral("https://example.org/"))});
  EXPECT_FALSE(Drop(&dlg(), refused));
  Pump(300);
  EXPECT_EQ(dlg().ControlAs<CTrkFileListCtrl>(IDC_FILE_LIST).GetItemCount(), 0);

  // The folder dropped on the map page: the window takes it, not the page.
  const QUrl page = dlg().MapDlg()->View()->url();
  QMimeData folder;
  folder.setUrls({QUrl::fromLocalFile(CardFolder())});
  ASSERT_TRUE(Drop(dlg().MapDlg()->View(), folder));
  ASSERT_TRUE(WaitFor([&] { return dlg().ControlAs<CTrkFileListCtrl>(IDC_FILE_LIST).GetItemCount() == 2; }, 60000));
  EXPECT_TRUE(WaitFor([&] { return Plays(0); }, 30000));
  EXPECT_TRUE(m_dir.IniText().contains(QFile::encodeName(CardFolder()))) << m_dir.IniText().constData();
  EXPECT_EQ(dlg().MapDlg()->View()->url(), page);
}
