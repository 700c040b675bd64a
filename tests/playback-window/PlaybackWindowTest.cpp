// Playback and synchronisation in the real main window: a card of short
// synthesized recordings opened as OPEN opens one, played by the system's
// libvlc into the video surface, with the real map page.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QImageReader>
#include <QTest>
#include <QWindow>
#include <functional>

#include "views/CPngCompassStatic.h"
#include "PlaybackWindowSupport.h"
#include "app/TrkMessageBox.h"
#include "playback/MediaEngine.h"

using namespace playback_test;

namespace {

class PlaybackWindow : public RealWindowTest {
 protected:
  const std::string& MediaPath() const { return m_session->Window().Playback().Engine().GetMediaPath(); }

  // Opens a card as OPEN does after its picker and waits until its first
  // recording plays and reports its time.
  void OpenCard(const std::vector<uint32_t>& durationsMs) {
    m_card = WriteCard(CardFolder(), durationsMs);
    opening().OpenFolderWhenReady(CardFolder());
    ASSERT_TRUE(WaitFor([&] { return MediaPath() == m_card[0].path; }, 60000));
    ASSERT_TRUE(WaitFor([&] { return dlg().ControlAs<CVideoSlider>(IDC_POSITION_SLIDER).GetPos() > 0; }, 30000));
  }

  // Waits until the player's reported time has reached `ms`.
  bool WaitForTime(int64_t ms, int timeoutMs = 30000) {
    return WaitFor([&] { return dlg().ControlAs<CGSensorCtrl>(IDC_GSENSOR).m_cursorMs >= static_cast<double>(ms); },
                   timeoutMs);
  }
};

int PictureFor(const GpsSample& sample) {
  return CPngCompassStatic::PictureForHeading(static_cast<int32_t>(sample.heading) * 2, 8);
}

// Distinct colours in the video surface as the X server shows it.
int SurfaceColours(const CTRKDlg& dlg) {
  const QRect area = dlg.Ui().m_video.geometry().translated(dlg.pos());
  const QImage image = GrabScreen(area);
  QSet<QRgb> colours;
  for (int y = 0; y < image.height(); y += 2)
    for (int x = 0; x < image.width(); x += 2) colours.insert(image.pixel(x, y));
  return colours.size();
}

// The video surface as the X server shows it.
QImage GrabVideo(const CTRKDlg& dlg) {
  return GrabScreen(dlg.Ui().m_video.geometry().translated(dlg.pos())).convertToFormat(QImage::Format_RGB32);
}

// Mean difference of two pictures of the same size, per colour channel (0..255).
double MeanDifference(const QImage& a, const QImage& b) {
  if (a.size() != b.size() || a.isNull()) return 255.0;
  double sum = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) {
      const QRgb p = a.pixel(x, y);
      const QRgb q = b.pixel(x, y);
      sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
    }
  return sum / (3.0 * a.width() * a.height());
}

}  // namespace

TEST_F(PlaybackWindow, OpenedCardStartsAfterHalfASecondAndTimeReportsDriveEveryDisplay) {
  m_card = WriteCard(CardFolder(), {5000, 3000});
  opening().OpenFolderWhenReady(CardFolder());
  // The lists are filled and the start is armed; nothing plays yet.
  ASSERT_TRUE(WaitFor(
      [&] {
        return dlg().ControlAs<CTrkFileListCtrl>(IDC_FILE_LIST).GetItemCount() == 2 &&
               dlg().Playback().OpenCountdown() == 5;
      },
      60000));
  QElapsedTimer sinceLists;
  sinceLists.start();
  EXPECT_TRUE(MediaPath().empty());
  ASSERT_TRUE(WaitFor([&] { return MediaPath() == m_card[0].path; }, 20000));
  const qint64 startedAfter = sinceLists.elapsed();
  EXPECT_GE(startedAfter, 350) << "the first recording must wait for the lists and the map";
  EXPECT_LE(startedAfter, 5000);
  EXPECT_EQ(dlg().Library().CurrentRecording(), 0);
  EXPECT_EQ(dlg().CurrentFile(), QFile::decodeName(m_card[0].path.c_str()));
  // Neither the window nor the video surface is composed through OpenGL: the
  // map's web view composes in a window of its own.
  EXPECT_EQ(dlg().windowHandle()->surfaceType(), QSurface::RasterSurface);
  EXPECT_EQ(dlg().Ui().m_video.windowHandle()->surfaceType(), QSurface::RasterSurface);

  // Every report moves the displays together: while the curve's cursor shows
  // time t, the GPS icon, speed and compass show sample t x 10 / 1000.
  const std::vector<GpsSample>& gps = m_card[0].gps;
  int sliderLast = 0, observations = 0, withoutFix = 0, withFix = 0;
  bool sliderWentBack = false;
  QElapsedTimer clock;
  clock.start();
  while (dlg().ControlAs<CGSensorCtrl>(IDC_GSENSOR).m_cursorMs < 2600 && clock.elapsed() < 30000) {
    QApplication::processEvents(QEventLoop::AllEvents, 10);
    const double cursor = dlg().ControlAs<CGSensorCtrl>(IDC_GSENSOR).m_cursorMs;
    if (cursor <= 0) continue;
    const auto i = static_cast<size_t>(cursor * kGpsRate / 1000);
    ASSERT_LT(i, gps.size());
    ++observations;
    const int slider = dlg().ControlAs<CVideoSlider>(IDC_POSITION_SLIDER).GetPos();
    sliderWentBack |= slider < sliderLast;
    sliderLast = slider;
    if (Usable(gps[i])) {
      ++withFix;
      EXPECT_EQ(dlg().ControlAs<CPngStatic>(IDC_GPS_ICON).State(), 1) << "at " << cursor;
      EXPECT_EQ(dlg().ControlAs<CSpeedLabelStatic>(IDC_SPEED).m_valid, 1);
      EXPECT_EQ(dlg().ControlAs<CSpeedLabelStatic>(IDC_SPEED).m_speed, gps[i].speed) << "at " << cursor;
      EXPECT_EQ(dlg().ControlAs<CPngCompassStatic>(IDC_COMPASS).Current(), PictureFor(gps[i])) << "at " << cursor;
    } else {
      ++withoutFix;
      EXPECT_EQ(dlg().ControlAs<CPngStatic>(IDC_GPS_ICON).State(), 0) << "at " << cursor;
      EXPECT_EQ(dlg().ControlAs<CSpeedLabelStatic>(IDC_SPEED).m_valid, 0);
      EXPECT_EQ(dlg().ControlAs<CPngCompassStatic>(IDC_COMPASS).Current(), 0);
    }
    if (::testing::Test::HasFailure()) break;
  }
  EXPECT_GT(withoutFix, 0) << "the first second has no fix";
  EXPECT_GT(withFix, 0);
  EXPECT_FALSE(sliderWentBack);
  EXPECT_GE(sliderLast, 400);  // 2.6 s of 5 s
  EXPECT_EQ(dlg().ControlAs<CGSensorCtrl>(IDC_GSENSOR).m_idle, 0);

  // Paused, the map shows the sample of the last report: the marker on it,
  // the driven line made of samples reached so far in order, ending there.
  dlg().Button(IDC_PLAY).click();
  ASSERT_TRUE(WaitFor([&] { return dlg().Playback().Engine().IsPaused() && TimeStands(dlg(), 600); }, 10000));
  Pump(300);
  const auto last = static_cast<size_t>(dlg().ControlAs<CGSensorCtrl>(IDC_GSENSOR).m_cursorMs * kGpsRate / 1000);
  ASSERT_TRUE(Usable(gps[last]));
  EXPECT_TRUE(SamePoint(QJsonValue(JsonArray(dlg(), "marker_position")), gps[last]))
      << Json(dlg(), "marker_position").toStdString();
  const QJsonArray driven = JsonArray(dlg(), "pathdrived_points");
  ASSERT_GE(driven.size(), 2);
  size_t next = 0;
  for (const QJsonValue& point : driven) {
    while (next < gps.size() && !SamePoint(point, gps[next])) ++next;
    ASSERT_LT(next, gps.size()) << "a driven point that is no later sample of the recording";
    EXPECT_TRUE(Usable(gps[next]));
  }
  EXPECT_TRUE(SamePoint(driven.last(), gps[last]));
  int usable = 0;
  for (const GpsSample& s : gps) usable += Usable(s) ? 1 : 0;
  EXPECT_EQ(Eval(dlg(), "path_points.length").toInt(), usable);
}

TEST_F(PlaybackWindow, SliderDragShowsTheTargetAtOnceAndSeeksAtTheNextTick) {
  ASSERT_NO_FATAL_FAILURE(OpenCard({6000}));
  ASSERT_TRUE(WaitForTime(1200));
  const std::vector<GpsSample>& gps = m_card[0].gps;
  const int64_t length = dlg().Playback().Engine().GetLength();
  ASSERT_GT(length, 5000);

  // A real drag on the slider, ending at about 70 %.
  CVideoSlider& slider = dlg().ControlAs<CVideoSlider>(IDC_POSITION_SLIDER);
  const QRect channel = slider.GetChannelRect();
  const int x = channel.left() + channel.width() * 7 / 10;
  const int y = slider.height() / 2;
  SendMouse(&slider, QEvent::MouseButtonPress, QPoint(channel.left() + channel.width() / 2, y), Qt::LeftButton);
  SendMouse(&slider, QEvent::MouseMove, QPoint(x - 10, y), Qt::LeftButton);
  SendMouse(&slider, QEvent::MouseMove, QPoint(x, y), Qt::LeftButton);
  SendMouse(&slider, QEvent::MouseButtonRelease, QPoint(x, y), Qt::NoButton);
  QElapsedTimer sinceDrag;
  sinceDrag.start();
  const int position = slider.GetPos();
  ASSERT_GT(position, 600);
  const int64_t target = position * (length / 1000);

  // At once: the request is pending and the curve, speed, compass and GPS
  // icon show the target's sample while the video still plays the old time.
  EXPECT_EQ(dlg().Playback().SeekTarget(), target);
  EXPECT_EQ(dlg().ControlAs<CGSensorCtrl>(IDC_GSENSOR).m_cursorMs, static_cast<double>(target));
  const auto i = static_cast<size_t>(target * kGpsRate / 1000);
  ASSERT_TRUE(Usable(gps[i]));
  EXPECT_EQ(dlg().ControlAs<CPngStatic>(IDC_GPS_ICON).State(), 1);
  EXPECT_EQ(dlg().ControlAs<CSpeedLabelStatic>(IDC_SPEED).m_speed, gps[i].speed);
  EXPECT_EQ(dlg().ControlAs<CPngCompassStatic>(IDC_COMPASS).Current(), PictureFor(gps[i]));
  EXPECT_LT(PlayerTime(dlg()), target - 1000);
  EXPECT_TRUE(SamePoint(QJsonValue(JsonArray(dlg(), "marker_position")), gps[i]));

  // Until the 500 ms timer applies it, no report pulls the slider back.
  QElapsedTimer clock;
  clock.start();
  while (dlg().Playback().SeekTarget() != 0 && clock.elapsed() < 10000) {
    ASSERT_EQ(slider.GetPos(), position);
    QApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  ASSERT_EQ(dlg().Playback().SeekTarget(), 0);
  EXPECT_LE(sinceDrag.elapsed(), 3000);
  // The driven line is rebuilt from the samples before the target.
  std::vector<size_t> before;
  for (size_t k = 0; k < i; ++k)
    if (Usable(gps[k])) before.push_back(k);
  const QJsonArray driven = JsonArray(dlg(), "pathdrived_points");
  ASSERT_GE(static_cast<size_t>(driven.size()), before.size());
  for (size_t k = 0; k < before.size(); ++k) EXPECT_TRUE(SamePoint(driven[static_cast<int>(k)], gps[before[k]])) << k;

  // The video has jumped, and the reports go on from the target.
  EXPECT_TRUE(WaitFor([&] { return PlayerTime(dlg()) >= target - 100; }, 5000)) << PlayerTime(dlg());
  EXPECT_TRUE(WaitFor(
      [&] { return dlg().ControlAs<CGSensorCtrl>(IDC_GSENSOR).m_cursorMs > static_cast<double>(target); }, 5000));
  EXPECT_GE(slider.GetPos(), position - 20);
}

TEST_F(PlaybackWindow, FastSlowStepThroughTheRatesWithTheMarqueeAndStopResetsThem) {
  ASSERT_NO_FATAL_FAILURE(OpenCard({6000}));
  // At the normal rate the marquee is off (its text is empty).
  EXPECT_EQ(MarqueeText(dlg()), "");
  EXPECT_EQ(MarqueeInt(dlg(), libvlc_marquee_Size), kHeight / 10);

  for (int k = 0; k < 20; ++k) dlg().Button(IDC_FAST).click();
  EXPECT_EQ(dlg().Playback().RateIndex(), 17);
  EXPECT_FLOAT_EQ(dlg().Playback().Engine().GetRate(), 4.0f);
  EXPECT_EQ(MarqueeText(dlg()), "4.0 X");
  EXPECT_EQ(MarqueeInt(dlg(), libvlc_marquee_Size), kHeight / 10);

  for (int k = 0; k < 20; ++k) dlg().Button(IDC_SLOW).click();
  EXPECT_EQ(dlg().Playback().RateIndex(), 0);
  EXPECT_FLOAT_EQ(dlg().Playback().Engine().GetRate(), 0.3f);
  EXPECT_EQ(MarqueeText(dlg()), "0.3 X");

  for (int k = 0; k < 7; ++k) dlg().Button(IDC_FAST).click();
  EXPECT_EQ(dlg().Playback().RateIndex(), 7);
  EXPECT_FLOAT_EQ(dlg().Playback().Engine().GetRate(), 1.0f);
  EXPECT_EQ(MarqueeText(dlg()), "");

  for (int k = 0; k < 3; ++k) dlg().Button(IDC_FAST).click();
  EXPECT_EQ(MarqueeText(dlg()), "1.6 X");
  // The marquee repeats keep the label of the rate in force.
  Pump(700);
  EXPECT_EQ(MarqueeText(dlg()), "1.6 X");

  dlg().Button(IDC_STOP).click();
  EXPECT_EQ(dlg().Playback().RateIndex(), 7);
  EXPECT_FLOAT_EQ(dlg().Playback().Engine().GetRate(), 1.0f);
  EXPECT_EQ(dlg().ControlAs<CVideoSlider>(IDC_POSITION_SLIDER).GetPos(), 0);
  EXPECT_EQ(dlg().ControlAs<CGSensorCtrl>(IDC_GSENSOR).m_cursorMs, 0.0);
  EXPECT_EQ(dlg().ControlAs<CGSensorCtrl>(IDC_GSENSOR).m_idle, 1);
  EXPECT_FALSE(dlg().Button(IDC_PLAY).ShowsSecond());
  // No report that was under way brings the old position back.
  Pump(800);
  EXPECT_EQ(dlg().ControlAs<CVideoSlider>(IDC_POSITION_SLIDER).GetPos(), 0);
  EXPECT_EQ(dlg().ControlAs<CGSensorCtrl>(IDC_GSENSOR).m_cursorMs, 0.0);
  EXPECT_FALSE(dlg().Playback().Engine().IsPlaying());

  // PLAY starts again from the beginning; the marquee stays off at 1.0.
  dlg().Button(IDC_PLAY).click();
  EXPECT_EQ(dlg().ControlAs<CGSensorCtrl>(IDC_GSENSOR).m_idle, 0);
  ASSERT_TRUE(WaitFor(
      [&] {
        return dlg().Button(IDC_PLAY).ShowsSecond() && dlg().ControlAs<CVideoSlider>(IDC_POSITION_SLIDER).GetPos() > 0;
      },
      20000));
  EXPECT_EQ(MarqueeText(dlg()), "");
  // PLAY pauses and PLAY resumes; the player's own reports set the picture.
  dlg().Button(IDC_PLAY).click();
  EXPECT_TRUE(dlg().Playback().Engine().IsPaused());
  EXPECT_TRUE(WaitFor([&] { return !dlg().Button(IDC_PLAY).ShowsSecond(); }, 10000));
  EXPECT_TRUE(TimeStands(dlg(), 600));
  dlg().Button(IDC_PLAY).click();
  EXPECT_TRUE(dlg().Playback().Engine().IsPlaying());
  EXPECT_TRUE(WaitFor([&] { return dlg().Button(IDC_PLAY).ShowsSecond(); }, 10000));
  EXPECT_FALSE(TimeStands(dlg(), 600));
}

TEST_F(PlaybackWindow, EndOfARecordingPlaysTheNextAndAfterTheLastTheFirstStandsPaused) {
  ASSERT_NO_FATAL_FAILURE(OpenCard({3000, 3000}));
  ASSERT_TRUE(WaitFor([&] { return MediaPath() == m_card[1].path; }, 30000));
  EXPECT_EQ(dlg().Library().CurrentRecording(), 1);
  EXPECT_TRUE(dlg().Playback().Engine().IsPlaying());
  ASSERT_TRUE(WaitFor([&] { return dlg().ControlAs<CVideoSlider>(IDC_POSITION_SLIDER).GetPos() > 0; }, 20000));

  // After the last one: the first, paused at its first picture.
  ASSERT_TRUE(WaitFor([&] { return MediaPath() == m_card[0].path; }, 30000));
  ASSERT_TRUE(WaitFor([&] { return !dlg().Playback().IsRunningSteps(); }, 10000));
  EXPECT_EQ(dlg().Library().CurrentRecording(), 0);
  EXPECT_TRUE(dlg().Playback().Engine().IsPaused());
  // The pause takes effect in the player's own time.
  EXPECT_TRUE(WaitFor([&] { return TimeStands(dlg(), 400); }, 5000));
  EXPECT_TRUE(TimeStands(dlg(), 1000));
  EXPECT_LT(PlayerTime(dlg()), 500);
  EXPECT_LT(dlg().ControlAs<CVideoSlider>(IDC_POSITION_SLIDER).GetPos(), 170);
  EXPECT_FALSE(dlg().Button(IDC_PLAY).ShowsSecond());
  EXPECT_GT(SurfaceColours(dlg()), 16) << "the first picture is shown";
  // It stays there.
  Pump(1500);
  EXPECT_EQ(MediaPath(), m_card[0].path);
  EXPECT_TRUE(TimeStands(dlg(), 500));
}

TEST_F(PlaybackWindow, WithLoopOffTheSameRecordingStandsPausedAtItsStart) {
  ASSERT_NO_FATAL_FAILURE(OpenCard({3000, 3000}));
  QTest::mouseClick(&dlg().Button(IDC_LOOP), Qt::LeftButton);
  EXPECT_FALSE(dlg().Playback().AutoNext());
  EXPECT_TRUE(dlg().Button(IDC_LOOP).ShowsSecond());
  const uint32_t ends = dlg().Playback().EndReports();
  ASSERT_TRUE(WaitFor([&] { return dlg().Playback().EndReports() != ends; }, 30000));
  ASSERT_TRUE(
      WaitFor([&] { return !dlg().Playback().IsRunningSteps() && dlg().Playback().Engine().IsPaused(); }, 10000));
  EXPECT_EQ(MediaPath(), m_card[0].path);
  EXPECT_EQ(dlg().Library().CurrentRecording(), 0);
  EXPECT_TRUE(WaitFor([&] { return TimeStands(dlg(), 400); }, 5000));
  EXPECT_TRUE(TimeStands(dlg(), 1000));
  EXPECT_LT(PlayerTime(dlg()), 500);
  EXPECT_LT(dlg().ControlAs<CVideoSlider>(IDC_POSITION_SLIDER).GetPos(), 170);
  EXPECT_LT(dlg().ControlAs<CGSensorCtrl>(IDC_GSENSOR).m_cursorMs, 500.0);
  EXPECT_GT(SurfaceColours(dlg()), 16) << "the first picture is shown";

  // Loop on again: the end leads on to the next recording.
  QTest::mouseClick(&dlg().Button(IDC_LOOP), Qt::LeftButton);
  EXPECT_TRUE(dlg().Playback().AutoNext());
  dlg().Button(IDC_PLAY).click();
  ASSERT_TRUE(WaitFor([&] { return MediaPath() == m_card[1].path; }, 30000));
}

TEST_F(PlaybackWindow, ListDoubleClicksStopWaitAndPlayButNotDuringTheBusyGuard) {
  ASSERT_NO_FATAL_FAILURE(OpenCard({6000, 6000, 6000}));
  EXPECT_EQ(busy().load(), 0) << "the first time report releases the guard of OPEN";

  // During the guard (an OPEN scan, or another start) double-clicks do nothing.
  busy() = 1;
  emit FileList().FileActivated(2);
  EXPECT_FALSE(dlg().Playback().IsRunningSteps());
  emit dlg().ControlAs<CTrkGroupListCtrl>(IDC_GROUP_LIST).GroupActivated(0);
  EXPECT_FALSE(dlg().Playback().IsRunningSteps());
  Pump(600);
  EXPECT_EQ(MediaPath(), m_card[0].path);
  EXPECT_EQ(dlg().Library().CurrentRecording(), 0);
  EXPECT_TRUE(dlg().Playback().Engine().IsPlaying());
  EXPECT_FALSE(dlg().Playback().IsRunningSteps());
  busy() = 0;

  // A real double-click on the second row: stop, a pause, then the start.
  const QRect row = dlg()
                        .ControlAs<CTrkFileListCtrl>(IDC_FILE_LIST)
                        .visualRect(dlg().ControlAs<CTrkFileListCtrl>(IDC_FILE_LIST).model()->index(1, 1));
  QElapsedTimer clock;
  clock.start();
  QTest::mouseDClick(dlg().ControlAs<CTrkFileListCtrl>(IDC_FILE_LIST).viewport(), Qt::LeftButton, Qt::NoModifier,
                     row.center());
  EXPECT_FALSE(dlg().Playback().Engine().IsPlaying()) << "stopped at once";
  EXPECT_EQ(MediaPath(), m_card[0].path);
  ASSERT_TRUE(WaitFor([&] { return MediaPath() == m_card[1].path; }, 10000));
  EXPECT_GE(clock.elapsed(), 190);
  EXPECT_EQ(dlg().Library().CurrentRecording(), 1);
  EXPECT_TRUE(m_session->Busy().IsTimeoutArmed());
  ASSERT_TRUE(WaitFor([&] { return busy().load() == 0; }, 20000)) << "released by the first time report";

  // A second double-click while the first one waits is held back until the
  // first has started its recording, and then refused by the guard.
  QMetaObject::invokeMethod(
      &FileList(), [this] { emit FileList().FileActivated(2); }, Qt::QueuedConnection);
  QMetaObject::invokeMethod(
      &FileList(), [this] { emit FileList().FileActivated(0); }, Qt::QueuedConnection);
  ASSERT_TRUE(WaitFor([&] { return MediaPath() == m_card[2].path; }, 10000));
  Pump(1000);
  EXPECT_EQ(MediaPath(), m_card[2].path);
  EXPECT_EQ(dlg().Library().CurrentRecording(), 2);
  EXPECT_TRUE(dlg().Playback().Engine().IsPlaying());

  // No row: nothing. A group row: its first recording.
  ASSERT_TRUE(WaitFor([&] { return busy().load() == 0; }, 20000));
  emit FileList().FileActivated(-1);
  EXPECT_FALSE(dlg().Playback().IsRunningSteps());
  emit dlg().ControlAs<CTrkGroupListCtrl>(IDC_GROUP_LIST).GroupActivated(0);
  EXPECT_TRUE(dlg().Playback().IsRunningSteps());
  ASSERT_TRUE(WaitFor([&] { return MediaPath() == m_card[0].path; }, 10000));
  EXPECT_EQ(dlg().Library().CurrentRecording(), 0);
  ASSERT_TRUE(WaitFor(
      [&] { return dlg().ControlAs<CVideoSlider>(IDC_POSITION_SLIDER).GetPos() > 0 && busy().load() == 0; }, 20000));

  // The window closes during the pause: nothing starts afterwards.
  emit FileList().FileActivated(1);
  EXPECT_TRUE(dlg().Playback().IsRunningSteps()) << "stopped, waiting to start the second";
  dlg().close();
  Pump(800);
  EXPECT_EQ(MediaPath(), m_card[0].path);
  EXPECT_FALSE(dlg().Playback().Engine().IsPlaying());
  EXPECT_FALSE(dlg().Playback().IsRunningSteps());
}

TEST_F(PlaybackWindow, AnEndReportQueuedBeforeADoubleClickNeverReplacesTheChosenRecording) {
  ASSERT_NO_FATAL_FAILURE(OpenCard({12000, 12000, 12000}));
  for (const int loop : {1, 0}) {
    SCOPED_TRACE(loop ? "Loop on" : "Loop off");
    if (dlg().Playback().AutoNext() != (loop != 0)) QTest::mouseClick(&dlg().Button(IDC_LOOP), Qt::LeftButton);
    ASSERT_EQ(dlg().Playback().AutoNext(), loop != 0);
    const int32_t chosen = loop ? 2 : 1;
    ASSERT_TRUE(WaitFor([&] { return busy().load() == 0 && !dlg().Playback().IsRunningSteps(); }, 20000));
    // The playing recording ends as the user double-clicks another row: the
    // end report is still queued when the double-click runs.
    libvlc_event_t end{};
    end.type = libvlc_MediaPlayerEndReached;
    CPlaybackController::OnPlayerEvent(&end, &dlg().Playback());
    emit FileList().FileActivated(chosen);
    ASSERT_TRUE(WaitFor([&] { return MediaPath() == m_card[static_cast<std::size_t>(chosen)].path; }, 10000));
    // Started: the steps are over and its first time report has come.
    ASSERT_TRUE(WaitFor([&] { return !dlg().Playback().IsRunningSteps() && busy().load() == 0; }, 20000));
    // The chosen recording goes on playing: the report was for the one before.
    Pump(1500);
    EXPECT_EQ(MediaPath(), m_card[static_cast<std::size_t>(chosen)].path);
    EXPECT_EQ(dlg().Library().CurrentRecording(), chosen);
    EXPECT_TRUE(dlg().Playback().Engine().IsPlaying());
    EXPECT_FALSE(TimeStands(dlg(), 500));
  }
  // A report of the recording that is loaded still leads on to the next.
  QTest::mouseClick(&dlg().Button(IDC_LOOP), Qt::LeftButton);
  ASSERT_TRUE(dlg().Playback().AutoNext());
  libvlc_event_t end{};
  end.type = libvlc_MediaPlayerEndReached;
  CPlaybackController::OnPlayerEvent(&end, &dlg().Playback());
  EXPECT_TRUE(WaitFor([&] { return MediaPath() == m_card[2].path; }, 10000));
}

TEST_F(PlaybackWindow, SnapshotPausesForItsDialogWritesThePictureAndResumes) {
  {
    // Without recordings there is nothing to take.
    MessageBoxWatcher boxes;
    dlg().Button(IDC_SNAP).click();
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_EQ(boxes.seen()[0].text, LoadQText(136));  // "No files in list."
    EXPECT_EQ(boxes.seen()[0].title, LoadQText(145));
  }
  ASSERT_NO_FATAL_FAILURE(OpenCard({6000}));
  ASSERT_TRUE(WaitForTime(500));
  const QString shot = m_dir.path() + "/shot";

  bool pausedDuringDialog = false;
  int64_t timeAtDialog = -1;
  FileDialogAnswer answer([&](QFileDialog& dialog) {
    pausedDuringDialog = dlg().Playback().Engine().IsPaused();
    timeAtDialog = PlayerTime(dlg());
    EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptSave);
    EXPECT_EQ(dialog.nameFilters(), QStringList({"Jpeg File(*.jpg)", "Png File(*.png)"}));
    EXPECT_EQ(dialog.selectedNameFilter(), "Jpeg File(*.jpg)");
    EXPECT_EQ(dialog.defaultSuffix(), "JPG");
    TypeFileName(dialog, shot);
    static_cast<QDialog&>(dialog).accept();
  });
  dlg().Button(IDC_SNAP).click();
  ASSERT_TRUE(answer.answered());
  EXPECT_TRUE(pausedDuringDialog);
  EXPECT_TRUE(WaitFor([&] { return QFile::exists(shot + ".JPG"); }, 5000));
  QImageReader jpeg(shot + ".JPG");
  EXPECT_EQ(jpeg.format(), "jpeg");
  EXPECT_EQ(jpeg.size(), QSize(kWidth, kHeight));
  // Playing again, from where it was.
  EXPECT_TRUE(dlg().Playback().Engine().IsPlaying());
  EXPECT_TRUE(WaitFor([&] { return PlayerTime(dlg()) > timeAtDialog + 200; }, 10000));

  // The same name again: the dialog asks before replacing it. The PNG type
  // gives a name without extension its own.
  QString question;
  FileDialogAnswer again([&](QFileDialog& dialog) {
    QTimer::singleShot(300, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr) return;
      question = box->text();
      box->button(QMessageBox::Yes)->click();
    });
    TypeFileName(dialog, shot + ".JPG");
    static_cast<QDialog&>(dialog).accept();
  });
  dlg().Button(IDC_SNAP).click();
  EXPECT_TRUE(question.contains("shot.JPG")) << question.toStdString();

  // Paused before: paused after.
  dlg().Button(IDC_PLAY).click();
  ASSERT_TRUE(dlg().Playback().Engine().IsPaused());
  ASSERT_TRUE(WaitFor([&] { return TimeStands(dlg(), 400); }, 10000));
  FileDialogAnswer png([&](QFileDialog& dialog) {
    // As the user picks the type: the type box, one down.
    auto* types = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    ASSERT_NE(types, nullptr);
    types->setFocus();
    QTest::keyClick(types, Qt::Key_Down);
    EXPECT_EQ(dialog.selectedNameFilter(), "Png File(*.png)");
    EXPECT_EQ(dialog.defaultSuffix(), "png");
    TypeFileName(dialog, m_dir.path() + "/still");
    static_cast<QDialog&>(dialog).accept();
  });
  dlg().Button(IDC_SNAP).click();
  EXPECT_TRUE(WaitFor([&] { return QFile::exists(m_dir.path() + "/still.png"); }, 5000));
  QImageReader picture(m_dir.path() + "/still.png");
  EXPECT_EQ(picture.format(), "png");
  EXPECT_EQ(picture.size(), QSize(kWidth, kHeight));
  EXPECT_TRUE(dlg().Playback().Engine().IsPaused());
  EXPECT_TRUE(TimeStands(dlg(), 500));

  // Cancelled: nothing written, still paused.
  FileDialogAnswer cancel([&](QFileDialog& dialog) { dialog.reject(); });
  dlg().Button(IDC_SNAP).click();
  EXPECT_TRUE(cancel.answered());
  EXPECT_TRUE(dlg().Playback().Engine().IsPaused());
  EXPECT_EQ(QDir(m_dir.path()).entryList({"shot*", "still*"}, QDir::Files).size(), 2);
}

TEST_F(PlaybackWindow, RotateRebuildsThePlayerAndPlaysOnAtTheSameTime) {
  EXPECT_FALSE(dlg().Button(IDC_FLIP).isVisible());
  EXPECT_FALSE(dlg().Button(IDC_FLIP).isEnabled());
  ASSERT_NO_FATAL_FAILURE(OpenCard({6000}));
  ASSERT_TRUE(WaitForTime(1500));
  const int64_t before = PlayerTime(dlg());

  Press(dlg(), IDC_FLIP);
  EXPECT_TRUE(dlg().Playback().IsRotated());
  EXPECT_EQ(dlg().Playback().Engine().GetMode(), EngineMode::Rotated);
  EXPECT_EQ(dlg().Playback().BoundVideoWindow(), static_cast<unsigned long>(dlg().Ui().m_video.winId()));
  EXPECT_TRUE(dlg().Playback().Engine().IsPlaying());
  EXPECT_TRUE(dlg().Button(IDC_PLAY).ShowsSecond());
  EXPECT_EQ(MediaPath(), m_card[0].path);
  EXPECT_TRUE(WaitFor([&] { return PlayerTime(dlg()) >= before + 200; }, 10000)) << PlayerTime(dlg());
  EXPECT_TRUE(WaitFor(
      [&] { return dlg().ControlAs<CGSensorCtrl>(IDC_GSENSOR).m_cursorMs >= static_cast<double>(before); }, 10000));

  // Paused, it turns back and stays paused.
  dlg().Button(IDC_PLAY).click();
  ASSERT_TRUE(WaitFor([&] { return TimeStands(dlg(), 400); }, 10000));
  Press(dlg(), IDC_FLIP);
  EXPECT_FALSE(dlg().Playback().IsRotated());
  EXPECT_EQ(dlg().Playback().Engine().GetMode(), EngineMode::Normal);
  EXPECT_FALSE(dlg().Button(IDC_PLAY).ShowsSecond());
  EXPECT_FALSE(dlg().Playback().Engine().IsPlaying());
}

TEST_F(PlaybackWindow, VolumeMuteStatesErrorsAndKeyboardSeek) {
  ASSERT_NO_FATAL_FAILURE(OpenCard({6000}));

  // Volume: slider positions 0..100 are libvlc volumes 0..200. The arrows
  // are the window's keys, also on the focused slider: Down is 5 less.
  dlg().ControlAs<CMySliderControl>(IDC_VOLUME_SLIDER).setFocus();
  QTest::keyClick(&dlg().ControlAs<CMySliderControl>(IDC_VOLUME_SLIDER), Qt::Key_Down);
  EXPECT_EQ(dlg().ControlAs<CMySliderControl>(IDC_VOLUME_SLIDER).GetPos(), 95);
  EXPECT_EQ(dlg().Playback().Engine().GetVolume(), 190);
  dlg().ControlAs<CMySliderControl>(IDC_VOLUME_SLIDER).SetPos(37);
  emit dlg().ControlAs<CMySliderControl>(IDC_VOLUME_SLIDER).VolumeChanged();
  EXPECT_EQ(dlg().Playback().Engine().GetVolume(), 74);

  // Vol follows its own picture. (The mute state itself cannot be read
  // back: recordings without sound have no audio output to hold it.)
  QTest::mouseClick(&dlg().Button(IDC_VOLUME), Qt::LeftButton);
  EXPECT_TRUE(dlg().Button(IDC_VOLUME).ShowsSecond());
  QTest::mouseClick(&dlg().Button(IDC_VOLUME), Qt::LeftButton);
  EXPECT_FALSE(dlg().Button(IDC_VOLUME).ShowsSecond());

  // The position slider's own scroll notification (its keys are the
  // window's now): a pending seek, the displays untouched.
  ASSERT_TRUE(WaitForTime(300));
  dlg().Button(IDC_PLAY).click();  // paused, so the target is easy to follow
  ASSERT_TRUE(WaitFor([&] { return TimeStands(dlg(), 400); }, 10000));
  const double cursor = dlg().ControlAs<CGSensorCtrl>(IDC_GSENSOR).m_cursorMs;
  dlg().ControlAs<CVideoSlider>(IDC_POSITION_SLIDER).SetPos(501);
  emit dlg().ControlAs<CVideoSlider>(IDC_POSITION_SLIDER).HScroll(QAbstractSlider::SliderSingleStepAdd);
  const int position = dlg().ControlAs<CVideoSlider>(IDC_POSITION_SLIDER).GetPos();
  EXPECT_EQ(position, 501);
  const int64_t target = position * (dlg().Playback().Engine().GetLength() / 1000);
  EXPECT_EQ(dlg().Playback().SeekTarget(), target);
  EXPECT_EQ(dlg().ControlAs<CGSensorCtrl>(IDC_GSENSOR).m_cursorMs, cursor);
  EXPECT_TRUE(WaitFor([&] { return dlg().Playback().SeekTarget() == 0; }, 5000));
  EXPECT_TRUE(WaitFor([&] { return std::abs(PlayerTime(dlg()) - target) < 100; }, 5000)) << PlayerTime(dlg());

  // The player's state reports set PLAY's picture: 2 and 3 pause, 1 and 4 play.
  dlg().Button(IDC_PLAY).click();
  ASSERT_TRUE(WaitFor([&] { return dlg().Button(IDC_PLAY).ShowsSecond(); }, 5000));
  dlg().Button(IDC_PLAY).SetDimmed(true);
  for (const auto& [state, second] : std::vector<std::pair<int, bool>>{{2, true}, {1, false}, {3, true}, {4, false}}) {
    emit dlg().Playback().StateChanged(static_cast<PlayerState>(state));
    EXPECT_EQ(dlg().Button(IDC_PLAY).ShowsSecond(), second) << state;
    EXPECT_FALSE(dlg().Button(IDC_PLAY).IsDimmed());
  }
  emit dlg().Playback().StateChanged(PlayerState::Playing);
  EXPECT_TRUE(dlg().Button(IDC_PLAY).ShowsSecond());
  // A Playing report from before a pause, arriving after it, leaves PLAY at play.
  dlg().Button(IDC_PLAY).click();
  emit dlg().Playback().StateChanged(PlayerState::Playing);
  EXPECT_FALSE(dlg().Button(IDC_PLAY).ShowsSecond());

  // The error report: text 102 under the program's name.
  MessageBoxWatcher boxes;
  QMetaObject::invokeMethod(
      &dlg().Playback(), [this] { emit dlg().Playback().Failed(); }, Qt::QueuedConnection);
  ASSERT_TRUE(WaitFor([&] { return boxes.seen().size() == 1; }, 5000));
  EXPECT_EQ(boxes.seen()[0].text, LoadQText(102));  // "Media player encountered a error."
  EXPECT_FALSE(boxes.seen()[0].text.isEmpty());
  EXPECT_EQ(boxes.seen()[0].title, "TRK");
}

TEST_F(PlaybackWindow, ALongPauseGivesTheVideoOutputUpAndEveryCommandBringsItBack) {
  constexpr int64_t kRecordingMs = 6000;
  ASSERT_NO_FATAL_FAILURE(OpenCard({kRecordingMs}));
  ASSERT_TRUE(WaitForTime(1000));
  const MediaEngine& engine = dlg().Playback().Engine();
  CVideoSlider& slider = dlg().ControlAs<CVideoSlider>(IDC_POSITION_SLIDER);
  const auto snapshot = [&](const QString& name) {
    FileDialogAnswer answer([&](QFileDialog& dialog) {
      TypeFileName(dialog, m_dir.path() + "/" + name);
      static_cast<QDialog&>(dialog).accept();
    });
    dlg().Button(IDC_SNAP).click();
    EXPECT_TRUE(answer.answered());
    return QImageReader(m_dir.path() + "/" + name + ".JPG").size();
  };

  // Paused by the user: the picture a moment later, then without the output.
  dlg().Button(IDC_PLAY).click();
  ASSERT_TRUE(WaitFor([&] { return engine.IsPaused() && TimeStands(dlg(), 300); }, 10000));
  ASSERT_TRUE(engine.HasVideoOutput()) << "released before the pause had lasted a second";
  const QImage live = GrabVideo(dlg());
  const int64_t pausedAt = PlayerTime(dlg());
  const int pausedPosition = slider.GetPos();
  ASSERT_TRUE(WaitFor([&] { return !engine.HasVideoOutput(); }, 5000));
  EXPECT_TRUE(engine.IsVideoOutputReleased());
  EXPECT_TRUE(dlg().Ui().m_video.IsStillShown());
  Pump(300);
  const QImage still = GrabVideo(dlg());
  EXPECT_GT(SurfaceColours(dlg()), 16) << "the picture, not the empty surface";
  EXPECT_LT(MeanDifference(live, still), 6.0) << SaveArtifact(live, "paused-live.png").toStdString() << " "
                                              << SaveArtifact(still, "paused-still.png").toStdString();
  EXPECT_TRUE(TimeStands(dlg(), 500));
  EXPECT_EQ(PlayerTime(dlg()), pausedAt);
  EXPECT_EQ(slider.GetPos(), pausedPosition);
  EXPECT_FALSE(dlg().Button(IDC_PLAY).ShowsSecond());

  // The snapshot writes the picture shown, at its own size, and leaves the
  // output given up.
  const QSize releasedShot = snapshot("released");
  EXPECT_EQ(releasedShot, QSize(kWidth, kHeight));
  EXPECT_TRUE(engine.IsVideoOutputReleased());

  // A seek brings the output back, with the picture at the target.
  slider.SetPos(600);
  emit slider.HScroll(QAbstractSlider::SliderSingleStepAdd);
  const int64_t target = dlg().Playback().SeekTarget();
  ASSERT_GT(target, 0);
  ASSERT_TRUE(WaitFor([&] { return dlg().Playback().SeekTarget() == 0; }, 5000));
  EXPECT_FALSE(engine.IsVideoOutputReleased());
  EXPECT_FALSE(dlg().Ui().m_video.IsStillShown());
  EXPECT_TRUE(WaitFor([&] { return engine.HasVideoOutput(); }, 5000));
  EXPECT_TRUE(WaitFor([&] { return std::abs(PlayerTime(dlg()) - target) < 100; }, 5000)) << PlayerTime(dlg());
  EXPECT_EQ(slider.GetPos(), 600);
  EXPECT_FALSE(dlg().Button(IDC_PLAY).ShowsSecond());
  // An output like the first: paused on, it is given up again.
  EXPECT_TRUE(WaitFor([&] { return engine.IsVideoOutputReleased(); }, 5000));
  EXPECT_EQ(slider.GetPos(), 600);

  // PLAY plays on from there: no report goes back.
  const int64_t from = PlayerTime(dlg());
  dlg().Button(IDC_PLAY).click();
  EXPECT_TRUE(engine.IsPlaying());
  int lowest = slider.GetPos();
  EXPECT_TRUE(WaitFor(
      [&] {
        lowest = std::min(lowest, slider.GetPos());
        return PlayerTime(dlg()) > from + 500;
      },
      10000));
  EXPECT_GE(lowest, 600);
  EXPECT_TRUE(dlg().Button(IDC_PLAY).ShowsSecond());
  EXPECT_TRUE(engine.HasVideoOutput());

  // A snapshot of the live output has the released one's size.
  EXPECT_EQ(snapshot("live"), releasedShot);

  // Paused close to the end, the output stays: bringing it back would play
  // into the end.
  ASSERT_TRUE(WaitFor([&] { return PlayerTime(dlg()) > kRecordingMs - 1800; }, 10000));
  dlg().Button(IDC_PLAY).click();
  ASSERT_TRUE(WaitFor([&] { return engine.IsPaused() && TimeStands(dlg(), 300); }, 10000));
  Pump(kReleaseOutputAfterPauseMs + 500);
  EXPECT_FALSE(engine.IsVideoOutputReleased());
  EXPECT_TRUE(engine.HasVideoOutput());
}

TEST_F(PlaybackWindow, AClickOnTheCurveOrOnTheRoutePlaysFromThatMoment) {
  ASSERT_NO_FATAL_FAILURE(OpenCard({8000}));
  CGSensorCtrl& curve = dlg().ControlAs<CGSensorCtrl>(IDC_GSENSOR);
  const int x = curve.width() * 3 / 4;
  // The route's point 20 is the 21st fix, after the second without one.
  const std::pair<std::function<void()>, int64_t> clicks[] = {
      {[&] { QTest::mouseClick(&curve, Qt::LeftButton, {}, QPoint(x, curve.height() / 2)); }, curve.TimeAtX(x)},
      {[&] { Eval(dlg(), "route_clicked(path_points[20][0], path_points[20][1] + 1e-6)"); },
       (kNoFixRecords + 20) * 1000 / kGpsRate},
  };
  for (const auto& [click, expectedMs] : clicks) {
    Press(dlg(), IDC_PLAY);  // paused: the click plays
    ASSERT_TRUE(WaitFor([&] { return dlg().Playback().Engine().IsPaused() && TimeStands(dlg(), 300); }, 10000));
    const int64_t before = PlayerTime(dlg());
    ASSERT_GT(std::abs(before - expectedMs), 1500);
    click();
    EXPECT_TRUE(WaitFor(
        [&] {
          const int64_t t = PlayerTime(dlg());
          return dlg().Playback().Engine().IsPlaying() && t >= expectedMs - 200 && t < expectedMs + 1500;
        },
        10000))
        << expectedMs << " " << PlayerTime(dlg());
  }
}
