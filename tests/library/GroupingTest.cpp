#include <gtest/gtest.h>

#include <climits>

#include "LibraryBuilders.h"
#include "LibraryFakes.h"
#include "library/LibraryLists.h"

namespace {
constexpr int64_t kTen = 1556700000;  // some day at 10:00:00
}

TEST(MarkGroupStarts, RecordingsWithinTwoSecondsOfTheEndJoinTheGroup) {
  RecordingLibrary library;
  Fill(library, {{kTen, 60}, {kTen + 61, 60}, {kTen + 124, 60}});
  EXPECT_EQ(GroupCounts(library), (std::vector<int32_t>{2, 1}));
  EXPECT_EQ(library.Recordings()[1].groupStart, 0);
  EXPECT_EQ(library.Recordings()[2].groupStart, 1);

  // Exactly 2 s late or 2 s early joins; 3 s either way starts a new group.
  Fill(library, {{kTen, 60}, {kTen + 62, 60}, {kTen + 122 - 2, 60}, {kTen + 180 - 3, 60}, {kTen + 237 + 3, 10}});
  EXPECT_EQ(GroupCounts(library), (std::vector<int32_t>{3, 1, 1}));
}

TEST(MarkGroupStarts, GroupsAndEntriesDescribeTheRecordings) {
  RecordingLibrary library;
  Fill(library, {{kTen, 60, RecordingFlagLocked}, {kTen + 60, 30, RecordingFlagEvent}, {kTen + 500, 10}});
  ASSERT_EQ(library.Groups().size(), 2u);
  const RecordingGroup& g0 = library.Groups()[0];
  EXPECT_EQ(g0.number, 0);
  EXPECT_EQ(g0.first, 0);
  EXPECT_EQ(g0.count, 2);
  EXPECT_EQ(g0.durationMs, 60250u + 30250u);
  EXPECT_EQ(g0.size, 1000u + 1001u);
  EXPECT_EQ(g0.flags, RecordingFlagLocked | RecordingFlagEvent);
  EXPECT_EQ(g0.checked, 0);
  EXPECT_EQ(library.Groups()[1].number, 1);
  EXPECT_EQ(library.Groups()[1].first, 2);
  EXPECT_EQ(library.Groups()[1].flags, 0);
  ASSERT_EQ(library.Entries().size(), 3u);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(library.Entries()[i].recording, i);
  EXPECT_EQ(library.Entries()[1].group, 0);
  EXPECT_EQ(library.Entries()[1].position, 1);
  EXPECT_EQ(library.Entries()[2].group, 1);
  EXPECT_EQ(library.Entries()[2].position, 0);
  EXPECT_EQ(library.Entries()[2].size, 1002u);
  EXPECT_EQ(library.Entries()[2].durationMs, 10250u);

  // Marks already set stay set when grouping runs again.
  std::vector<RecordingInfo> marked = library.Recordings();
  marked[1].groupStart = 1;
  library.SetRecordings(marked);
  library.MarkGroupStarts();
  EXPECT_EQ(GroupCounts(library), (std::vector<int32_t>{1, 1, 1}));
  library.SetRecordings({});
  library.MarkGroupStarts();
  EXPECT_TRUE(library.Groups().empty());
  EXPECT_TRUE(library.Entries().empty());
}

TEST(MarkGroupStarts, AnyStartTimeIsGroupedAndListed) {
  // Start times that no calendar can show, or whose sums overflow 64 bits,
  // still give one row each and never stop the listing.
  RecordingLibrary library;
  FakeGroupList groups;
  FakeFileList files;
  Fill(library, {{INT64_MIN, INT64_MAX},
                 {INT64_MIN + 5, -1},
                 {-1, 1},
                 {0, 0},
                 {1, 0},
                 {INT64_MAX - 1, INT64_MAX},
                 {INT64_MAX, 5}});
  LibraryLists(library, &groups, &files).Fill();
  EXPECT_EQ(library.Entries().size(), 7u);
  EXPECT_EQ(files.rows.size(), 7u);
  EXPECT_EQ(groups.rows.size(), library.Groups().size());
  // 0 and 1 follow -1 without a gap; the end of INT64_MAX - 1 lies beyond 64 bits.
  EXPECT_EQ(library.Recordings()[3].groupStart, 0);
  EXPECT_EQ(library.Recordings()[4].groupStart, 0);
  EXPECT_EQ(library.Recordings()[6].groupStart, 1);
  EXPECT_EQ(files.rows[6].startTime, INT64_MAX);
  EXPECT_EQ(files.rows[0].startTime, INT64_MIN);
}
