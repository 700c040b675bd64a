// The whole program from outside: trk-viewer is started as a process on the
// test's X server and driven with the pointer and the keyboard; what it did
// is read back from its window's place, the screen, its settings file and the
// files on disk.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QUrl>
#include <algorithm>

#include "E2eCard.h"
#include "settings/Languages.h"
#include "ViewerProcess.h"

using e2e::Eventually;
using e2e::IniValue;
using e2e::Screen;
using e2e::Viewer;

namespace {

// The program's texts in its default language.
QString Japanese(uint32_t id) { return QString::fromStdString(LoadTextForLanguage(id, kLangIdJapanese)); }
const QString kPickerTitle = Japanese(130);
const QString kKmlCaption = Japanese(127);
const QString kDeleteCaption = Japanese(128);
const QString kOverwriteCaption = Japanese(140);

// Places in the client area of a window of size cx x cy (the layout's rules).
struct Places {
  int cx, cy;
  QPoint Open() const { return {32, cy - 26}; }
  QPoint Save() const { return {128, cy - 26}; }
  QPoint Del() const { return {176, cy - 26}; }
  QPoint Slow() const { return {240, cy - 28}; }
  QPoint Stop() const { return {281, cy - 28}; }
  QPoint Play() const { return {326, cy - 32}; }
  QPoint Fast() const { return {371, cy - 28}; }
  QPoint Loop() const { return {cx - 179, cy - 24}; }
  QPoint Kml() const { return {cx - 145, cy - 24}; }
  QPoint Map() const { return {cx - 111, cy - 24}; }
  QPoint Gsr() const { return {cx - 77, cy - 24}; }
  QPoint Lock() const { return {cx - 43, cy - 24}; }
  QPoint Close() const { return {cx - 20, 14}; }
  QPoint Cover() const { return {cx - 47, 14}; }
  QPoint SizeS() const { return {cx - 191, 19}; }
  QPoint SizeM() const { return {cx - 171, 19}; }
  QPoint SizeL() const { return {cx - 151, 19}; }
};
const Places k800{800, 560};

// At 800 x 560 with the curve shown: the position slider's strip, the video
// surface for a 4:3 picture, and the check box of group row r.
constexpr int kSliderLeft = 5, kSliderWidth = 545, kSliderMiddleY = 279;
const QRect kVideo(133, 50, 289, 217);
QPoint GroupCheck(int row) { return {16, 407 + 26 * row}; }

QString ArtifactPath(const QString& name) {
  QString dir = qEnvironmentVariable("TRK_ARTIFACT_DIR");
  if (dir.isEmpty()) dir = QDir::tempPath();
  QDir().mkpath(dir);
  return dir + "/" + name;
}

void SaveShot(const QImage& image, const QString& name) { image.save(ArtifactPath(name)); }

// Where the position slider's green thumb is, 0..1000 (-1: not seen).
int ThumbPermille(const QImage& window) {
  long sum = 0;
  int count = 0;
  for (int x = kSliderLeft; x < kSliderLeft + kSliderWidth; ++x) {
    const QRgb p = window.pixel(x, kSliderMiddleY);
    if (qGreen(p) > 200 && qRed(p) < 150 && qBlue(p) < 150) {
      sum += x;
      ++count;
    }
  }
  if (count == 0) return -1;
  return static_cast<int>((sum / count - kSliderLeft) * 1000 / kSliderWidth);
}

// Pixels of the speed marquee (opaque green text) over the picture's red
// top-left corner.
int MarqueePixels(const QImage& window) {
  int count = 0;
  for (int y = kVideo.top(); y < kVideo.top() + 30; ++y) {
    for (int x = kVideo.left(); x < kVideo.left() + 34; ++x) {
      const QRgb p = window.pixel(x, y);
      if (qGreen(p) > 150 && qRed(p) < 110 && qBlue(p) < 110) ++count;
    }
  }
  return count;
}

QImage VideoOf(const QImage& window) { return window.copy(kVideo); }

// Waits until the video moves and the position slider has left its start.
bool StartsPlaying(const Viewer& viewer) {
  QImage before = VideoOf(viewer.Shot());
  return Eventually(
      [&] {
        const QImage now = VideoOf(viewer.Shot());
        const bool moving = now != before;
        before = now;
        return moving && ThumbPermille(viewer.Shot()) > 0;
      },
      60000, 400);
}

class ViewerE2e : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_root.isValid());
    m_work = m_root.path() + "/work";
    m_home = m_root.path() + "/home";
    QDir().mkpath(m_work);
    QDir().mkpath(m_home);
    // No settings file in the folder it starts in: the user's configuration folder.
    m_ini = m_home + "/.config/trk-viewer/KTR-XM_DireV.ini";
  }

  std::unique_ptr<Viewer> Start(const QStringList& args = {}) {
    auto viewer = std::make_unique<Viewer>(QStringLiteral(TRK_BIN_DIR "/trk-viewer"), m_work, m_home, args);
    EXPECT_TRUE(viewer->Started());
    EXPECT_TRUE(viewer->WaitForWindow()) << "the main window did not appear";
    return viewer;
  }

  // Closes with the X button and waits for the process to end.
  void CloseWithX(Viewer& viewer, const Places& places) {
    viewer.Click(places.Close());
    ASSERT_TRUE(viewer.WaitForExit(60000)) << "X did not end the program";
    EXPECT_EQ(viewer.ExitStatus(), QProcess::NormalExit);
    EXPECT_EQ(viewer.ExitCode(), 0);
  }

  QString Ini(const QString& section, const QString& key) const { return IniValue(m_ini, section, key); }
  QRect SavedRect() const {
    const int left = Ini("WINPOS", "LEFT").toInt(), top = Ini("WINPOS", "TOP").toInt();
    return QRect(left, top, Ini("WINPOS", "RIGHT").toInt() - left, Ini("WINPOS", "BOTTOM").toInt() - top);
  }

  QTemporaryDir m_root;
  QString m_work, m_home, m_ini;
};

}  // namespace

TEST_F(ViewerE2e, WindowButtonsPanelsCloseAndRestartAtTheSavedRectangle) {
  std::unique_ptr<Viewer> viewer = Start();
  // No settings file yet: the smallest size at the screen's corner.
  EXPECT_TRUE(viewer->WaitForGeometry(QRect(0, 0, 800, 560))) << viewer->Geometry().x();

  viewer->Click(k800.SizeM());
  EXPECT_TRUE(viewer->WaitForGeometry(QRect(240, 135, 1536, 864)));
  viewer->Click(Places{1536, 864}.SizeL());
  EXPECT_TRUE(viewer->WaitForGeometry(QRect(0, 0, 1920, 1080)));
  viewer->Click(Places{1920, 1080}.SizeS());
  EXPECT_TRUE(viewer->WaitForGeometry(QRect(560, 260, 800, 560)));

  // "[ ]" covers the monitor and, pressed again, restores the place.
  viewer->Click(k800.Cover());
  EXPECT_TRUE(viewer->WaitForGeometry(QRect(0, 0, 1920, 1080)));
  SaveShot(viewer->Shot(), "e2e-covering-the-monitor.png");
  viewer->Click(Places{1920, 1080}.Cover());
  EXPECT_TRUE(viewer->WaitForGeometry(QRect(560, 260, 800, 560)));

  // MAP and GSR write their settings at once, as exactly 0 and 1.
  viewer->Click(k800.Map());
  EXPECT_TRUE(Eventually([&] { return Ini("UI", "MAP_ENABLE") == "0"; }));
  viewer->Click(k800.Gsr());
  EXPECT_TRUE(Eventually([&] { return Ini("UI", "GSNR_ENABLE") == "0"; }));
  SaveShot(viewer->Shot(), "e2e-map-and-curve-off.png");
  viewer->Click(k800.Map());
  EXPECT_TRUE(Eventually([&] { return Ini("UI", "MAP_ENABLE") == "1"; }));
  viewer->Click(k800.Gsr());
  EXPECT_TRUE(Eventually([&] { return Ini("UI", "GSNR_ENABLE") == "1"; }));

  viewer->Click(k800.SizeM());
  ASSERT_TRUE(viewer->WaitForGeometry(QRect(240, 135, 1536, 864)));
  CloseWithX(*viewer, Places{1536, 864});
  EXPECT_EQ(SavedRect(), QRect(240, 135, 1536, 864));

  // The next start takes the saved rectangle and the saved panels.
  viewer = Start();
  EXPECT_TRUE(viewer->WaitForGeometry(QRect(240, 135, 1536, 864)));
  CloseWithX(*viewer, Places{1536, 864});
}

TEST_F(ViewerE2e, OpensPlaysAndEveryFileCommandActsOnARealCard) {
  // Recordings long enough to look at them while they play.
  const e2e::TestCard card = e2e::WriteTestCard(m_root.path() + "/card", 16000);
  std::unique_ptr<Viewer> viewer = Start();
  viewer->Click(k800.SizeS());
  ASSERT_TRUE(viewer->WaitForGeometry(QRect(560, 260, 800, 560)));

  // OPEN: the picker, the scan, then the first recording plays by itself.
  viewer->Click(k800.Open());
  ASSERT_TRUE(Viewer::PickFolder(kPickerTitle, card.root)) << "no folder picker";
  EXPECT_TRUE(Eventually([&] { return Ini("UI", "Folder") == card.root; }));
  ASSERT_TRUE(StartsPlaying(*viewer)) << "the first recording did not start";
  QImage before;

  // Loop off: the recording will stop at its end instead of going on.
  viewer->Click(k800.Loop());

  // FAST shows the rate on the picture; back at 1.0 the marquee goes.
  EXPECT_LT(MarqueePixels(viewer->Shot()), 10);
  viewer->Click(k800.Fast());
  EXPECT_TRUE(Eventually([&] { return MarqueePixels(viewer->Shot()) >= 20; }, 10000)) << "no marquee after FAST";
  SaveShot(viewer->Shot(), "e2e-fast-marquee.png");
  viewer->Click(k800.Slow());
  EXPECT_TRUE(Eventually([&] { return MarqueePixels(viewer->Shot()) < 10; }, 10000)) << "marquee stayed at 1.0 X";

  // The seek: drag the thumb to three quarters; the video follows at the
  // next half-second tick and the thumb does not fall back to where the
  // video was. (Far into the recording already: first back to the start.)
  auto dragThumbTo = [&](int permille) {
    const int from = ThumbPermille(viewer->Shot());
    const int fromX = kSliderLeft + std::max(from, 0) * kSliderWidth / 1000;
    viewer->Drag(QPoint(fromX, kSliderMiddleY), QPoint(kSliderLeft + kSliderWidth * permille / 1000, kSliderMiddleY));
  };
  if (ThumbPermille(viewer->Shot()) > 450) {
    dragThumbTo(50);
    ASSERT_TRUE(Eventually([&] { return ThumbPermille(viewer->Shot()) < 300; }, 10000));
  }
  ASSERT_GE(ThumbPermille(viewer->Shot()), 0);
  dragThumbTo(750);
  QElapsedTimer sinceDrag;
  sinceDrag.start();
  bool heldAfterSeek = false;
  Eventually(
      [&] {
        const int now = ThumbPermille(viewer->Shot());
        if (sinceDrag.elapsed() >= 900 && now >= 700) heldAfterSeek = true;
        return heldAfterSeek || sinceDrag.elapsed() > 3500;
      },
      6000, 100);
  EXPECT_TRUE(heldAfterSeek) << "the thumb fell back: the seek was not applied";

  // The end comes soon after; with Loop off the same recording stays,
  // paused at its first picture.
  QImage last;
  int still = 0;
  ASSERT_TRUE(Eventually(
      [&] {
        const QImage window = viewer->Shot();
        const QImage now = VideoOf(window);
        still = (now == last && ThumbPermille(window) <= 20) ? still + 1 : 0;
        last = now;
        return still >= 3;
      },
      40000, 400))
      << "the recording did not stop at its end";

  // KML names the current recording: still the first one.
  viewer->Click(k800.Kml());
  ASSERT_FALSE(Viewer::WaitForDialog(kKmlCaption).isEmpty()) << "no KML message";
  const QString message = viewer->LastMessage();
  const QString kml = m_home + "/Documents/GPSLOG/REC0001_2024_04_12_08-30-00.KML";
  EXPECT_EQ(message, Japanese(127) + "\t" + Japanese(125).replace("%s", kml));
  Viewer::Key("Return");
  EXPECT_TRUE(QFileInfo(kml).isFile());

  // Loop on again and PLAY: it plays.
  viewer->Click(k800.Loop());
  viewer->Click(k800.Play());
  before = VideoOf(viewer->Shot());
  EXPECT_TRUE(Eventually(
      [&] {
        const QImage now = VideoOf(viewer->Shot());
        const bool moving = now != before;
        before = now;
        return moving;
      },
      30000, 400));
  EXPECT_TRUE(Eventually([&] { return ThumbPermille(viewer->Shot()) >= 60; }, 30000));
  SaveShot(viewer->Shot(), "e2e-playing.png");

  // Full screen and back by double-clicks on the video.
  viewer->DoubleClick(kVideo.center());
  EXPECT_TRUE(viewer->WaitForGeometry(QRect(0, 0, 1920, 1080))) << "no full screen";
  SaveShot(viewer->Shot(), "e2e-fullscreen.png");
  viewer->DoubleClick(QPoint(960, 540));
  EXPECT_TRUE(viewer->WaitForGeometry(QRect(560, 260, 800, 560))) << "full screen left at another place";
  Eventually([] { return false; }, 1000);  // the layout settles
  SaveShot(viewer->Shot(), "e2e-after-fullscreen.png");

  // DEL on the event group: Cancel keeps everything, OK keeps only the
  // write-protected event recording.
  viewer->Click(GroupCheck(1));
  viewer->Click(k800.Del());
  ASSERT_FALSE(Viewer::WaitForDialog(kDeleteCaption).isEmpty()) << "no delete question";
  EXPECT_TRUE(viewer->LastMessage().startsWith(kDeleteCaption + "\t" + Japanese(129) + "\\n\\n"));
  Viewer::Key("Escape");
  Eventually([] { return false; }, 1500);
  for (const e2e::CardEntry& entry : card.recordings) EXPECT_TRUE(QFileInfo::exists(entry.path));
  viewer->Click(k800.Del());
  ASSERT_FALSE(Viewer::WaitForDialog(kDeleteCaption).isEmpty());
  Viewer::Key("Return");
  EXPECT_TRUE(Eventually([&] { return !QFileInfo::exists(card.Path(4)); }));
  EXPECT_TRUE(QFileInfo::exists(card.Path(3)));
  EXPECT_TRUE(QFileInfo::exists(card.Path(0)));
  // Each file command ends with its summary.
  auto answerSummary = [&](uint32_t caption, const QString& summary) {
    EXPECT_TRUE(Eventually([&] { return viewer->LastMessage() == Japanese(caption) + "\t" + summary; }));
    Viewer::Key("Return");
  };
  answerSummary(128, Japanese(324).arg(1).arg(1));

  // LOCK on the event group (now the protected recording alone).
  ASSERT_FALSE(e2e::IsWritable(card.Path(3)));
  viewer->Click(GroupCheck(1));
  viewer->Click(k800.Lock());
  answerSummary(194, Japanese(322).arg(1));  // the question first
  answerSummary(194, Japanese(325).arg(1));
  EXPECT_TRUE(Eventually([&] { return e2e::IsWritable(card.Path(3)); })) << "LOCK left the protection";

  // SAVE of the first group into a backup holding one of its files already:
  // the overwrite question comes with the progress board at a third; Cancel
  // keeps the old file, the others are copied into their subfolders.
  const QString backup = m_root.path() + "/backup";
  QDir().mkpath(backup + "/2024/04");
  {
    QFile old(backup + "/2024/04/REC0002.AVI");
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old copy");
  }
  viewer->Click(GroupCheck(0));
  viewer->Click(k800.Save());
  ASSERT_TRUE(Viewer::PickFolder(kPickerTitle, backup));
  const QString question = Viewer::WaitForDialog(kOverwriteCaption);
  ASSERT_FALSE(question.isEmpty()) << "no overwrite question";
  const QString asked = viewer->LastMessage();
  EXPECT_EQ(asked, Japanese(140) + "\t" + Japanese(141).replace("%s", backup + "/2024/04/REC0002.AVI"));
  const QImage atQuestion = viewer->Shot();
  SaveShot(atQuestion, "e2e-save-overwrite-question.png");
  // The progress board over the video area stands at a third: its left
  // part, beside the question, is filled with the bar's green.
  int filled = 0;
  for (int x = 5; x < 135; ++x) {
    const QRgb p = atQuestion.pixel(x, 254);
    filled += qGreen(p) > 150 && qGreen(p) > qRed(p) + 30 && qGreen(p) > qBlue(p) + 40 ? 1 : 0;
  }
  EXPECT_GE(filled, 120) << "no progress board at the overwrite question";
  Viewer::Key("Escape");
  EXPECT_TRUE(Eventually([&] { return QFileInfo::exists(backup + "/2024/05/REC0003.MOV"); }));
  EXPECT_TRUE(Eventually([&] { return e2e::ReadAll(backup + "/2024/05/REC0003.MOV") == e2e::ReadAll(card.Path(2)); }));
  EXPECT_EQ(e2e::ReadAll(backup + "/2024/04/REC0001.AVI"), e2e::ReadAll(card.Path(0)));
  EXPECT_EQ(e2e::ReadAll(backup + "/2024/04/REC0002.AVI"), QByteArray("old copy"));
  EXPECT_FALSE(QFileInfo::exists(backup + "/EVENT"));
  answerSummary(181, Japanese(323).arg(2).arg(1));

  CloseWithX(*viewer, k800);
  EXPECT_EQ(SavedRect(), QRect(560, 260, 800, 560));
}

TEST_F(ViewerE2e, OpenWithARecordingPlaysItAndRefusesWhatIsNoRecording) {
  // One folder, two drives of two recordings each: the second drive's second
  // recording is named as a file:// URI, as a file manager hands it over.
  const QString folder = m_root.path() + "/card/DCIM";
  QDir().mkpath(folder);
  const struct {
    const char* name;
    int hour, index;
  } plans[] = {{"REC0001.AVI", 8, 0}, {"REC0002.AVI", 8, 1}, {"REC0003.AVI", 9, 0}, {"REC0004.mp4", 9, 1}};
  double drive = 0;
  for (const auto& plan : plans) {
    SynthOptions o;
    o.width = 320;
    o.height = 240;
    o.fps = 15;
    o.durationMs = 16000;
    o.hour = plan.hour;
    o.minute = 0;
    o.second = plan.index * 16;
    o.gpsRate = 5;
    o.noFixRecords = 0;
    o.driveSeconds = drive;
    drive += 16;
    WriteSynthRecording(QFile::encodeName(folder + "/" + plan.name).toStdString(), o);
  }
  // The texts compared below are Japanese ones.
  QDir().mkpath(QFileInfo(m_ini).path());
  {
    QFile ini(m_ini);
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[UI]\nLANGID=JPN\n");
  }

  // MP4, as many cameras and copies name it: read as QuickTime.
  std::unique_ptr<Viewer> viewer = Start({QUrl::fromLocalFile(folder + "/REC0004.mp4").toString()});
  ASSERT_TRUE(viewer->WaitForGeometry(QRect(0, 0, 800, 560)));
  EXPECT_TRUE(Eventually([&] { return Ini("UI", "Folder") == folder; })) << "the folder was not opened";
  ASSERT_TRUE(StartsPlaying(*viewer)) << "nothing started playing";
  SaveShot(viewer->Shot(), "e2e-open-with-recording.png");
  // KML exports the current recording: the one named, not the first.
  viewer->Click(k800.Kml());
  ASSERT_FALSE(Viewer::WaitForDialog(kKmlCaption).isEmpty()) << "no KML message";
  const QString kml = m_home + "/Documents/GPSLOG/REC0004_2024_04_12_09-00-16.KML";
  EXPECT_EQ(viewer->LastMessage(), kKmlCaption + "\t" + Japanese(125).replace("%s", kml));
  Viewer::Key("Return");
  CloseWithX(*viewer, k800);

  // What is no recording, or not there: the window opens, a message names
  // the path and why, and nothing else changes.
  QFile text(m_root.path() + "/notes.txt");
  ASSERT_TRUE(text.open(QIODevice::WriteOnly));
  text.write("not a recording");
  text.close();
  QFile broken(m_root.path() + "/BROKEN.AVI");
  ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
  broken.write("RIFF....AVI LIST");
  broken.close();
  const struct {
    QString path;
    uint32_t reason;
  } refused[] = {
      {m_root.path() + "/notes.txt", 291},
      {m_root.path() + "/BROKEN.AVI", 292},
      {m_root.path() + "/no/such/REC0009.AVI", 290},
  };
  for (const auto& c : refused) {
    SCOPED_TRACE(c.path.toStdString());
    viewer = Start({c.path});
    ASSERT_FALSE(Viewer::WaitForDialog(Japanese(131)).isEmpty()) << "no message";
    EXPECT_EQ(viewer->LastMessage(), Japanese(131) + "\t" + Japanese(c.reason).replace("%s", c.path));
    Viewer::Key("Return");
    Eventually([] { return false; }, 1000);
    const QImage still = VideoOf(viewer->Shot());
    Eventually([] { return false; }, 1500);
    EXPECT_EQ(VideoOf(viewer->Shot()), still) << "something plays";
    CloseWithX(*viewer, k800);
    EXPECT_EQ(Ini("UI", "Folder"), folder);
  }
}
