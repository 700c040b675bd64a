#include <gtest/gtest.h>

#include "LibraryBuilders.h"
#include "LibraryFakes.h"
#include "library/LibraryLists.h"

namespace {

class SelectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Groups {first 0, count 3} and {first 3, count 4}.
    Fill(library, {{100, 10}, {110, 10}, {120, 10}, {1000, 10}, {1010, 10}, {1020, 10}, {1030, 10}});
    lists.Fill();
  }
  RecordingLibrary library;
  FakeGroupList groups;
  FakeFileList files;
  LibraryLists lists{library, &groups, &files};
};

}  // namespace

TEST(ResolutionText, NamesKnownSizesAndFormatsTheRest) {
  EXPECT_EQ(ResolutionText(1920, 1080), "1080p HD");
  EXPECT_EQ(ResolutionText(1440, 1080), "1080p");
  EXPECT_EQ(ResolutionText(2048, 1600), "QXGA");
  EXPECT_EQ(ResolutionText(2048, 1536), "QXGA");
  EXPECT_EQ(ResolutionText(1280, 720), "720P");
  EXPECT_EQ(ResolutionText(1152, 870), "MAC");
  EXPECT_EQ(ResolutionText(320, 240), "CIF");
  EXPECT_EQ(ResolutionText(2304, 1296), "2304x1296");
  EXPECT_EQ(ResolutionText(0, 1080), "");
  EXPECT_EQ(ResolutionText(1920, 0), "");
  EXPECT_EQ(ResolutionText(65535, 65535), "65535x65535");
}

TEST_F(SelectionTest, ResetStartsEmpty) {
  library.SetCurrentRecording(4);
  library.SetCurrentGroup(1);
  library.SetGpsSamples(std::vector<GpsSample>(3), 0);
  library.Reset();
  EXPECT_TRUE(library.Recordings().empty());
  EXPECT_TRUE(library.Groups().empty());
  EXPECT_TRUE(library.Entries().empty());
  EXPECT_TRUE(library.GpsSamples().empty());
  EXPECT_EQ(library.CurrentRecording(), -1);
  EXPECT_EQ(library.CurrentGroup(), 0);
}

TEST_F(SelectionTest, FillListsHandsEveryRowInOrder) {
  ASSERT_EQ(groups.rows.size(), 2u);
  ASSERT_EQ(files.rows.size(), 7u);
  EXPECT_EQ(groups.rows[1].number, 1);
  EXPECT_EQ(groups.rows[1].resolution, "1080p HD");
  EXPECT_EQ(groups.rows[1].durationMs, 4u * 10250u);
  EXPECT_EQ(groups.rows[1].startTime, 1000);
  EXPECT_EQ(files.rows[4].group, 1);
  EXPECT_EQ(files.rows[4].position, 1);
  EXPECT_EQ(files.rows[4].folder, "/card/");  // folder and an empty subfolder
  EXPECT_EQ(files.rows[4].name, "FILE1004.AVI");
  EXPECT_EQ(files.rows[4].size, 1004u);
  EXPECT_EQ(files.rows[4].startTime, 1010);

  // ClearLibrary empties the library, keeps the current group; the lists follow.
  lists.SelectRecording(5);
  library.ClearLibrary();
  lists.Fill();
  EXPECT_TRUE(groups.rows.empty());
  EXPECT_TRUE(files.rows.empty());
  EXPECT_EQ(library.CurrentRecording(), -1);
  EXPECT_EQ(library.CurrentGroup(), 1);

  // Without views nothing is handed out and nothing breaks.
  LibraryLists bare(library, nullptr, nullptr);
  Fill(library, {{1, 1}, {2, 1}});
  bare.Fill();
  EXPECT_TRUE(bare.SelectRecording(1));
  EXPECT_FALSE(bare.TakeChecks());
}

TEST_F(SelectionTest, FindGroupOfAndFindCurrentGroup) {
  EXPECT_EQ(library.FindGroupOf(0), 0);
  EXPECT_EQ(library.FindGroupOf(2), 0);
  EXPECT_EQ(library.FindGroupOf(3), 1);
  EXPECT_EQ(library.FindGroupOf(5), 1);
  EXPECT_EQ(library.FindGroupOf(7), -1);
  EXPECT_EQ(library.FindGroupOf(-1), -1);
  EXPECT_EQ(library.FindGroupOf(-7), -1);
  library.SetCurrentRecording(6);
  EXPECT_EQ(library.FindCurrentGroup(), 1);
  EXPECT_EQ(library.CurrentGroup(), 1);
  library.SetCurrentRecording(9);
  EXPECT_EQ(library.FindCurrentGroup(), -1);
  library.SetCurrentRecording(-1);
  EXPECT_EQ(library.FindCurrentGroup(), -1);
  EXPECT_EQ(library.CurrentGroup(), -1);
}

TEST_F(SelectionTest, SelectRecordingMovesTheHighlightAndScrolls) {
  EXPECT_EQ(lists.SelectRecording(-1), 0);
  EXPECT_EQ(lists.SelectRecording(7), 0);
  EXPECT_EQ(library.CurrentRecording(), -1);
  EXPECT_EQ(groups.highlightCalls + files.highlightCalls, 0);

  EXPECT_EQ(lists.SelectRecording(1), 1);
  EXPECT_EQ(library.CurrentRecording(), 1);
  EXPECT_EQ(library.CurrentGroup(), 0);
  EXPECT_EQ(groups.highlighted, (std::set<int>{0}));
  EXPECT_EQ(files.highlighted, (std::set<int>{1}));
  EXPECT_EQ(files.visible.back(), 1);
  EXPECT_EQ(groups.visible.back(), 0);

  EXPECT_EQ(lists.SelectRecording(4), 1);
  EXPECT_EQ(library.CurrentGroup(), 1);
  EXPECT_EQ(groups.highlighted, (std::set<int>{1}));
  EXPECT_EQ(files.highlighted, (std::set<int>{4}));
}

TEST_F(SelectionTest, SelectGroupMakesItsFirstRecordingCurrent) {
  lists.SelectRecording(1);
  const std::size_t scrolled = files.visible.size();
  EXPECT_EQ(lists.SelectGroup(2), 0);
  EXPECT_EQ(lists.SelectGroup(-1), 0);
  EXPECT_EQ(lists.SelectGroup(1), 1);
  EXPECT_EQ(library.CurrentGroup(), 1);
  EXPECT_EQ(library.CurrentRecording(), 3);
  EXPECT_EQ(groups.highlighted, (std::set<int>{1}));
  EXPECT_EQ(files.highlighted, (std::set<int>{3}));
  EXPECT_EQ(files.visible.size(), scrolled);  // no scrolling

  // A current group left over from a longer list (after a deletion) does not
  // stop a group from being selected.
  library.SetCurrentGroup(5);
  EXPECT_EQ(lists.SelectGroup(0), 1);
  EXPECT_EQ(library.CurrentRecording(), 0);
  EXPECT_EQ(files.highlighted, (std::set<int>{0}));
}

TEST_F(SelectionTest, PathsAndFrameSize) {
  std::vector<RecordingInfo> recordings = library.Recordings();
  recordings[2].subfolder = "2019/05/";
  library.SetRecordings(recordings);
  EXPECT_EQ(library.GetRecordingPath(2), "/card/2019/05/FILE1002.AVI");
  EXPECT_EQ(library.GetRecordingPath(0), "/card/FILE1000.AVI");
  EXPECT_EQ(library.GetRecordingPath(7), "");
  EXPECT_EQ(library.GetRecordingPath(-1), "");
  EXPECT_EQ(library.GetCurrentRecordingPath(), "");
  recordings[0].folder = "/no-slash";
  library.SetRecordings(recordings);
  EXPECT_EQ(library.GetRecordingPath(0), "/no-slash/FILE1000.AVI");

  uint16_t w = 0;
  uint16_t h = 0;
  EXPECT_EQ(library.GetCurrentFrameSize(&w, &h), 0);  // nothing current
  recordings.resize(4);
  recordings[3].summary.width = 1280;
  recordings[3].summary.height = 720;
  library.SetRecordings(recordings);
  library.SetCurrentRecording(9);
  EXPECT_EQ(library.GetCurrentFrameSize(&w, &h), 1);
  EXPECT_EQ(library.CurrentRecording(), 3);
  EXPECT_EQ(w, 1280);
  EXPECT_EQ(h, 720);
  EXPECT_EQ(library.GetCurrentFrameSize(nullptr, nullptr), 1);
  library.SetRecordings({});
  EXPECT_EQ(library.GetCurrentFrameSize(&w, &h), 0);
}
