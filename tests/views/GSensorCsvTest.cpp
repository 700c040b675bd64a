// The G-sensor CSV holds, row by row, the values the curve shows for the same
// recording loaded the way playing it loads it.
#include <gtest/gtest.h>

#include <sstream>

#include "views/CGSensorCtrl.h"
#include "ExportReadBack.h"
#include "TestSupport.h"
#include "export/TrackExport.h"
#include "TrackFixtures.h"

using namespace trk_test;

TEST(GSensorCsv, ValuesEqualTheCurvesConversion) {
  PatternParent window;
  window.resize(600, 100);
  auto* curve = new CGSensorCtrl(&window, 1003);  // owned by the window
  curve->setGeometry(5, 5, 546, 72);
  window.show();

  // X keeps the largest magnitude in every record, so the legend shows the
  // cursor's own record; Y and Z sweep the byte range. Range 3 g, 10 a second.
  RecordingPlan plan;
  plan.gseaValue = 0x030A;
  for (int i = 0; i < 50; ++i)
    plan.gsensor.push_back(
        {static_cast<int8_t>(i % 2 ? 100 : -100), static_cast<int8_t>(i * 4 - 99), static_cast<int8_t>(99 - i * 3)});
  TempFolder dir;
  RecordingLibrary library;
  FillLibrary(library, {WriteRecording(dir.Folder(), plan)}, true);
  const RecordingTrack* track = library.LoadTrack(0);
  ASSERT_NE(track, nullptr);
  curve->ShowTrack(*track);

  std::vector<TrackPart> parts(1);
  ASSERT_TRUE(CurrentTrackPart(library, parts[0]));
  std::ostringstream csv;
  ASSERT_TRUE(WriteGSensorCsv(csv, parts));
  const std::vector<std::vector<std::string>> rows = CsvRows(csv.str());
  ASSERT_EQ(rows.size(), 51u);
  EXPECT_EQ(rows[0], (std::vector<std::string>{"seconds_from_start", "x_g", "y_g", "z_g"}));
  for (std::size_t i = 1; i < rows.size(); ++i) {
    ASSERT_EQ(rows[i].size(), 4u);
    // Half a record after the row's time, so the cursor lies inside the record.
    curve->SetCursor(static_cast<int32_t>(std::stod(rows[i][0]) * 1000.0 + 50.0));
    const std::array<double, 3> shown = curve->ValuesAtCursor();
    for (std::size_t axis = 0; axis < 3; ++axis)
      EXPECT_EQ(std::stod(rows[i][axis + 1]), shown[axis]) << "row " << i << " axis " << axis;
  }
  EXPECT_EQ(rows[2][1], "2.3437500");  // 100 x 3 / 128
}
