// Harsh moments in the real window: a trip of three recordings, the last
// without a G-sensor block; its events are listed, marked on the curve and
// the slider, counted in the group's tooltip and reached by N and Shift+N
// and by choosing them in the list.
#include <QDir>
#include <QTest>
#include <QTreeWidget>
#include <QWebEnginePage>
#include <memory>

#include "map/CHtmlMapDlg.h"
#include "CommandsSupport.h"
#include "playback/MediaEngine.h"

namespace {

class EventsWindow : public e2e::WindowTest {
 protected:
  // Three recordings of 30 s that follow each other: a braking at 12 s and
  // an impact at 24 s, then an acceleration at 8 s and a left turn at 20 s,
  // then a recording whose camera wrote no G-sensor block.
  QString WriteTrip() {
    return e2e::WriteTrip(m_dir.path() + "/trip", [](int i, SynthOptions& o) {
      if (i == 0) o.brakeAt = {12};
      if (i == 0) o.impactAt = {24};
      if (i == 1) o.accelerateAt = {8};
      if (i == 1) o.leftTurnAt = {20};
      if (i == 2) o.layout = "hdrl,gpsa,gsea,gps0,movi,idx1";
    });
  }

  bool PlaysWithin(int32_t recording, int64_t fromMs, int64_t toMs) {
    return WaitFor(
        [&] {
          const int64_t t = dlg().Playback().Engine().GetTime();
          return dlg().Library().CurrentRecording() == recording && dlg().Playback().Engine().IsPlaying() &&
                 busy() == 0 && t >= fromMs && t <= toMs;
        },
        30000);
  }
};

}  // namespace

TEST_F(EventsWindow, EventsAreListedMarkedAndReachedByKey) {
  opening().OpenFolder(WriteTrip());
  ASSERT_TRUE(PlaysWithin(0, 0, 30000));

  using T = DrivingEventType;
  const std::vector<std::pair<T, int32_t>> expected = {
      {T::HarshBraking, 0}, {T::Impact, 0}, {T::HarshAcceleration, 1}, {T::HarshTurnLeft, 1}};
  ASSERT_EQ(dlg().Events().TripEvents().size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(dlg().Events().TripEvents()[i].type, expected[i].first) << i;
    EXPECT_EQ(dlg().Events().TripEvents()[i].recording, expected[i].second) << i;
  }

  // Marks of the playing recording, in their types' colours.
  const auto& curveMarks = dlg().ControlAs<CGSensorCtrl>(IDC_GSENSOR).EventMarks();
  ASSERT_EQ(curveMarks.size(), 2u);
  EXPECT_NEAR(curveMarks[0].ms, 12000, 1000);
  EXPECT_EQ(curveMarks[1].color, EventColor(T::Impact));
  const auto& sliderMarks = dlg().ControlAs<CVideoSlider>(IDC_POSITION_SLIDER).Marks();
  ASSERT_EQ(sliderMarks.size(), 2u);
  EXPECT_NEAR(sliderMarks[1].fraction, 0.8, 0.04);
  const QImage strip = dlg().ControlAs<CGSensorCtrl>(IDC_GSENSOR).grab().toImage();
  const int plotLeft = 24, plotWidth = strip.width() - 2 - plotLeft;
  const int markX = plotLeft + static_cast<int>(curveMarks[1].ms * plotWidth / 30000.0);
  int marked = 0;
  for (int y = 30; y < strip.height() - 10; ++y) marked += strip.pixelColor(markX, y) == EventColor(T::Impact);
  EXPECT_GE(marked, (strip.height() - 40) / 3);
  // The whole trip's moments along the route, in the same colours.
  QString colours;
  for (const auto& e : expected) colours += (colours.isEmpty() ? "[\"" : ",\"") + EventColor(e.first).name() + "\"";
  colours += "]";
  auto onPage = std::make_shared<QString>();
  EXPECT_TRUE(WaitFor(
      [&] {
        dlg().MapDlg()->FlushScripts();
        dlg().MapDlg()->Page()->runJavaScript(
            QStringLiteral("JSON.stringify(event_marks.map(function (m) { return m[2]; }))"),
            [onPage](const QVariant& v) { *onPage = v.toString(); });
        return *onPage == colours;
      },
      15000))
      << onPage->toStdString();

  // The group's tooltip counts them.
  EXPECT_TRUE(dlg()
                  .ControlAs<CTrkGroupListCtrl>(IDC_GROUP_LIST)
                  .RowToolTip(0)
                  .contains(e2e::Text(351).arg(1).arg(1).arg(1).arg(1)));

  // The list, one click away: four events and the recording without sensor data.
  QTest::mouseClick(dlg().Events().EventsButton(), Qt::LeftButton);
  ASSERT_TRUE(WaitFor([&] { return dlg().Events().EventList()->isVisible(); }));
  QTreeWidget* list = dlg().Events().EventList()->List();
  ASSERT_EQ(list->topLevelItemCount(), 5);
  EXPECT_EQ(list->topLevelItem(0)->text(0), e2e::Text(341));
  EXPECT_EQ(list->headerItem()->text(2), e2e::Text(348));
  EXPECT_EQ(list->topLevelItem(4)->text(0), e2e::Text(350).arg(QStringLiteral("FILE2.AVI")));

  // N from the start: the braking, 5 s before it; N again the impact; N the
  // acceleration in the next recording; Shift+N back to the impact.
  QTest::keyClick(&dlg(), Qt::Key_N);
  EXPECT_TRUE(PlaysWithin(0, 6500, 11500));
  QTest::keyClick(&dlg(), Qt::Key_N);
  EXPECT_TRUE(PlaysWithin(0, 18500, 23500));
  QTest::keyClick(&dlg(), Qt::Key_N);
  EXPECT_TRUE(PlaysWithin(1, 2500, 7500));
  QTest::keyClick(&dlg(), Qt::Key_N, Qt::ShiftModifier);
  EXPECT_TRUE(PlaysWithin(0, 18500, 23500));
  EXPECT_EQ(dlg().ControlAs<CGSensorCtrl>(IDC_GSENSOR).EventMarks().size(), 2u);

  // Choosing the turn in the list plays it.
  QTreeWidgetItem* turn = list->topLevelItem(3);
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(turn).center());
  EXPECT_TRUE(PlaysWithin(1, 14500, 19500));
  EXPECT_EQ(dlg().ControlAs<CGSensorCtrl>(IDC_GSENSOR).EventMarks().size(), 2u);
}
