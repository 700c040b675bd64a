#include <gtest/gtest.h>

#include <QFile>
#include <QImage>

#include "map/CHtmlMapDlg.h"
#include "app/CTRKDlg.h"
#include "app/DisplayOpenGl.h"
#include "app/FolderOpening.h"
#include "app/ViewerSession.h"
#include "MainWindowSupport.h"
#include "Synth.h"
#include "playback/MediaEngine.h"

namespace {

bool IsBackground(QRgb pixel) { return qRed(pixel) == 64 && qGreen(pixel) == 64 && qBlue(pixel) == 64; }

int CountNonBackground(const QImage& image, const QRect& area) {
  int count = 0;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) count += IsBackground(image.pixel(x, y)) ? 0 : 1;
  }
  return count;
}

int CountColours(const QImage& image, const QRect& area) {
  QSet<QRgb> colours;
  for (int y = area.top(); y <= area.bottom(); y += 2) {
    for (int x = area.left(); x <= area.right(); x += 2) colours.insert(image.pixel(x, y));
  }
  return colours.size();
}

// What every screenshot of the normal window must show.
void CheckSkin(const QImage& shot, const CTRKDlg& dlg) {
  const int cx = shot.width();
  const int cy = shot.height();
  ASSERT_EQ(QSize(cx, cy), dlg.size());
  // Dark background in a gap of the title row.
  EXPECT_TRUE(IsBackground(shot.pixel(cx - 230, 30)));
  // The resize grip's lines.
  EXPECT_EQ(shot.pixel(cx - 6, cy - 4), qRgb(150, 150, 150));
  EXPECT_EQ(shot.pixel(cx - 12, cy - 8), qRgb(150, 150, 150));
  // The title is painted (between x 50 and 300 of the title row).
  EXPECT_GT(CountNonBackground(shot, QRect(50, 8, 250, 24)), 600);
  // The video surface, before anything plays, shows the window's dark colour
  // (not black: its platform window is painted); once the first recording
  // of an opened folder plays, it shows the picture.
  const QPoint video = dlg.Ui().m_video.geometry().center();
  if (dlg.Playback().Engine().IsPlaying()) {
    EXPECT_GT(CountColours(shot, dlg.Ui().m_video.geometry()), 16);
  } else {
    EXPECT_TRUE(IsBackground(shot.pixel(video))) << std::hex << shot.pixel(video);
  }
  // Pictures on the buttons.
  for (const CGdipButton* button :
       {&dlg.Button(IDC_PLAY), &dlg.Button(IDC_OPEN), &dlg.Button(IDC_CLOSE), &dlg.Button(IDC_LOCK)}) {
    EXPECT_GT(CountNonBackground(shot, button->geometry()), button->width() * button->height() / 8)
        << "button " << button->objectName().toStdString();
  }
  // The car picture.
  EXPECT_GT(CountNonBackground(shot, dlg.ControlAs<CPngStatic>(IDC_CAR).geometry()), 200);
  // The map page is drawn (not a flat or black panel).
  EXPECT_GT(CountColours(shot, dlg.MapDlg()->geometry()), 8);
  // The G-sensor strip and the lists are drawn.
  EXPECT_GT(CountColours(shot, dlg.ControlAs<CGSensorCtrl>(IDC_GSENSOR).geometry()), 3);
  EXPECT_GT(CountColours(shot, dlg.ControlAs<CTrkGroupListCtrl>(IDC_GROUP_LIST).geometry()), 3);
  EXPECT_GT(CountColours(shot, dlg.ControlAs<CTrkFileListCtrl>(IDC_FILE_LIST).geometry()), 3);
}

// The window as the X server shows it. The demo recordings are short: a
// grab may fall between two of them, while the player opens the next one and
// the surface has no picture yet, so a playing surface gets a few moments.
QImage GrabShown(const CTRKDlg& dlg) {
  QImage shot = GrabScreen(dlg.geometry());
  for (int tries = 0; tries < 25; ++tries) {
    if (!dlg.Playback().Engine().IsPlaying() || CountColours(shot, dlg.Ui().m_video.geometry()) > 16) break;
    Pump(200);
    shot = GrabScreen(dlg.geometry());
  }
  return shot;
}

}  // namespace

TEST(MainWindowScreens, DemoCardAtTheStartSizeAndLarge) {
  ScopedSettingsDir dir;
  ASSERT_TRUE(dir.ok());
  const std::string card = QFile::encodeName(dir.path() + "/card").toStdString();
  SynthCardOptions options;
  options.cheapVideo = true;
  const std::vector<SynthCardFile> files = WriteSynthCard(card, options);
  int recordings = 0;
  for (const SynthCardFile& file : files) recordings += file.recording && !file.hidden ? 1 : 0;
  ASSERT_GT(recordings, 0);

  ViewerSession dlgSession;

  CTRKDlg& dlg = dlgSession.Window();
  dlg.OnInitDialog();
  dlg.show();
  dlgSession.Opening().OpenFolderWhenReady(dir.path() + "/card");
  ASSERT_TRUE(
      WaitFor([&] { return dlg.Library().CurrentRecording() == 0 && dlg.Playback().OpenCountdown() == 0; }, 30000));
  EXPECT_EQ(static_cast<int>(dlg.Library().Recordings().size()), recordings);
  EXPECT_EQ(dlg.ControlAs<CTrkFileListCtrl>(IDC_FILE_LIST).GetItemCount(), recordings);
  EXPECT_GT(dlg.ControlAs<CTrkGroupListCtrl>(IDC_GROUP_LIST).GetItemCount(), 0);
  EXPECT_EQ(dlg.CurrentFolder(), dir.path() + "/card");
  EXPECT_TRUE(dir.IniText().contains("Folder=")) << dir.IniText().constData();
  // The surface fits the first recording's 640 x 360 picture into the area
  // inside the edge (541 x 217): 385 wide at full height, one column less for
  // an even width and the height that keeps the shape, centred.
  EXPECT_EQ(dlg.Ui().m_video.geometry(), QRect(7 + (541 - 384) / 2, 50, 384, 216));
  EXPECT_GT(dlg.ControlAs<CGSensorCtrl>(IDC_GSENSOR).m_samples.size(), 0u);
  Pump(2500);  // the map draws the group's paths, the curve its samples

  const QImage start = GrabShown(dlg);
  SaveArtifact(start, "main-window-800x560.png");
  CheckSkin(start, dlg);

  dlg.Button(IDC_SIZE_L).click();
  ASSERT_TRUE(WaitFor([&] { return dlg.geometry() == QRect(0, 0, 1920, 1080); }));
  Pump(2500);
  const QImage large = GrabShown(dlg);
  SaveArtifact(large, "main-window-large.png");
  CheckSkin(large, dlg);
  // Drawn, map and video, without Mesa's CPU renderer and its LLVM mapped.
  if (ProcessWithoutOpenGl()) {
    QFile maps(QStringLiteral("/proc/self/maps"));
    ASSERT_TRUE(maps.open(QIODevice::ReadOnly));
    const QByteArray mapped = maps.readAll();
    EXPECT_FALSE(mapped.contains("libLLVM") || mapped.contains("_dri.so"));
  }
  dlg.close();
}

TEST(MainWindowScreens, TheMediaLibraryDrawsIntoTheVideoSurface) {
  ScopedSettingsDir dir;
  ASSERT_TRUE(dir.ok());
  SynthOptions options;
  options.durationMs = 4000;
  const std::string path = QFile::encodeName(dir.path() + "/FILE240412-083000.AVI").toStdString();
  WriteSynthRecording(path, options);

  ViewerSession dlgSession;

  CTRKDlg& dlg = dlgSession.Window();
  dlg.OnInitDialog();
  dlg.show();
  if (!dlg.Playback().Engine().IsLoaded()) GTEST_SKIP() << "no media library on this machine";
  ASSERT_TRUE(WaitFor([&] { return dlg.MapDlg()->IsPageLoaded(); }, 30000));
  const QImage before = GrabScreen(dlg.Ui().m_video.geometry().translated(dlg.pos()));
  EXPECT_EQ(CountColours(before, before.rect()), 1);  // the dark surface alone

  dlg.Playback().Engine().Open(path);
  dlg.Playback().Engine().Play();
  QImage playing;
  const bool drawn = WaitFor(
      [&] {
        playing = GrabScreen(dlg.Ui().m_video.geometry().translated(dlg.pos()));
        return CountColours(playing, playing.rect()) > 16;
      },
      15000);
  SaveArtifact(playing, "video-surface-playing.png");
  EXPECT_TRUE(drawn) << "the surface shows no picture";
  // The window id handed over at start-up is still the surface's.
  EXPECT_EQ(dlg.Ui().m_video.winId(), dlg.Playback().BoundVideoWindow());
  dlg.close();
}
