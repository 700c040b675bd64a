// QuickTime files with broken atom sizes, oversized children, a missing moov
// and damaged date atoms: the atom walk and the byte scan must end, stay inside
// the file and deliver what the readable part of the file says.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "CheckedSource.h"
#include "container/SampleLoader.h"

namespace {

Bytes Ftyp() { return Atom("ftyp", ByteWriter().Raw("qt  ").U32BE(0).Raw("qt  ").Get()); }  // 20 bytes

Bytes Header(uint32_t size, std::string_view type) { return ByteWriter().U32BE(size).Raw(type).Take(); }

const int64_t kRecordTime = Local(2019, 5, 1, 8, 30, 0);  // clock of GpsRecords(n)[0]

}  // namespace

// Sizes 0 ("to the end"), 2-7 (shorter than a header) and exactly 8: the atom
// is its bare header and the walk goes on with the atom right after it.
TEST(MalformedMov, AtomSizesBelowNineStepOverTheBareHeader) {
  for (const char* type : {"ftyp", "skip", "mdat"}) {
    for (uint32_t size : {0u, 2u, 3u, 4u, 5u, 6u, 7u, 8u}) {
      SCOPED_TRACE(std::string(type) + " size " + std::to_string(size));
      const Bytes file = Concat(
          {Header(size, type), ValueAtom("gpsa", 2), ValueAtom("gsea", 0x0A08), Atom("gps0", GpsRecords(2)), Moov()});
      for (Walk walk : {Walk::Mov, Walk::Scan}) {
        const WalkOutcome out = RunWalk(walk, file);
        EXPECT_WALK_ENDS_INSIDE(out);
        ASSERT_EQ(out.result, 0) << out.reason;
        EXPECT_EQ(out.summary.gpsaValue, 2u);
        EXPECT_EQ(out.summary.gseaValue, 0x0A08u);
        EXPECT_EQ(out.summary.gpsOffset, 8u + 12 + 12 + 8);
        EXPECT_EQ(out.summary.gpsSize, 64u);
        EXPECT_EQ(out.summary.width, 1920);
        EXPECT_EQ(out.summary.height, 1080);
        EXPECT_EQ(out.summary.durationSeconds, 60);
        EXPECT_EQ(out.summary.fileSize, file.size());
      }
    }
  }
}

TEST(MalformedMov, CameraAtomsWithSizesBelowEightHoldNothing) {
  for (uint32_t size : {0u, 1u, 4u, 7u}) {
    SCOPED_TRACE("size " + std::to_string(size));
    // A gps0 and a gsen atom without payload, then a gpsa whose value is cut.
    const Bytes file = Concat(
        {Ftyp(), Header(size, "gps0"), Header(size, "gsen"), Header(size, "gpsa"), ValueAtom("gsea", 0x0A08), Moov()});
    const WalkOutcome out = RunWalk(Walk::Mov, file);
    EXPECT_WALK_ENDS_INSIDE(out);
    ASSERT_EQ(out.result, 0) << out.reason;
    EXPECT_EQ(out.summary.gpsOffset, 28u);
    EXPECT_EQ(out.summary.gpsSize, 0u);
    EXPECT_EQ(out.summary.gsensorOffset, 36u);
    EXPECT_EQ(out.summary.gsensorSize, 0u);
    EXPECT_EQ(out.summary.gpsaValue, 0u);
    EXPECT_EQ(out.summary.gseaValue, 0x0A08u);
    EXPECT_EQ(out.summary.width, 1920);
    EXPECT_EQ(out.summary.startTime, 0);
  }
}

// Size 1 announces a 64-bit size, which the walks do not interpret: the atom
// walk steps through the content 4 bytes at a time, the scan byte by byte.
TEST(MalformedMov, SizeOneWithRoomForTheLargeSize) {
  const Bytes aligned =
      Concat({Ftyp(), ByteWriter().U32BE(1).Raw("mdat").U64BE(56).Zeros(40).Take(), ValueAtom("gpsa", 1), Moov()});
  for (Walk walk : {Walk::Mov, Walk::Scan}) {
    const WalkOutcome out = RunWalk(walk, aligned);
    EXPECT_WALK_ENDS_INSIDE(out);
    ASSERT_EQ(out.result, 0) << out.reason;
    EXPECT_EQ(out.summary.gpsaValue, 1u);
    EXPECT_EQ(out.summary.width, 1920);
  }

  // Content of 41 bytes puts the next atoms off the atom walk's 4-byte grid;
  // only the byte scan finds them.
  const Bytes odd = Concat({Ftyp(), ByteWriter().U32BE(1).Raw("mdat").U64BE(57).Zeros(41).Take(), ValueAtom("gpsa", 1),
                            ValueAtom("gsea", 0x0A08), Moov()});
  const WalkOutcome walked = RunWalk(Walk::Mov, odd);
  EXPECT_WALK_ENDS_INSIDE(walked);
  ASSERT_EQ(walked.result, 0);
  EXPECT_EQ(walked.summary.gpsaValue, 0u);
  EXPECT_EQ(walked.summary.width, 0);
  const WalkOutcome scanned = RunWalk(Walk::Scan, odd);
  EXPECT_WALK_ENDS_INSIDE(scanned);
  ASSERT_EQ(scanned.result, 0);
  EXPECT_EQ(scanned.summary.gpsaValue, 1u);
  EXPECT_EQ(scanned.summary.gseaValue, 0x0A08u);
  EXPECT_EQ(scanned.summary.width, 1920);
  EXPECT_EQ(scanned.summary.durationSeconds, 60);
  // No date text before the gpsa atom: the file time stands in.
  EXPECT_EQ(scanned.summary.startTime, FromFileTime(kFileTime));
}

TEST(MalformedMov, SizeOneWithoutRoomForTheLargeSize) {
  for (std::size_t extra : {0u, 3u, 7u}) {
    SCOPED_TRACE("bytes after the type: " + std::to_string(extra));
    const Bytes file = Concat({Ftyp(), Moov(), Header(1, "mdat"), Bytes(extra, 0)});
    for (Walk walk : {Walk::Mov, Walk::Scan}) {
      const WalkOutcome out = RunWalk(walk, file);
      EXPECT_WALK_ENDS_INSIDE(out);
      ASSERT_EQ(out.result, 0) << out.reason;
      EXPECT_EQ(out.summary.fileSize, file.size());
      EXPECT_EQ(out.summary.width, 1920);
    }
  }
}

TEST(MalformedMov, ChildLargerThanItsParent) {
  // The movie header claims 64 KiB inside a moov of 216 bytes: its fields are
  // read, the track after it is not, and the walk resumes after the moov.
  const Bytes moov = Atom("moov", Concat({Atom("mvhd", MovieHeader(600, 36000), 0x10000),
                                          Atom("trak", Atom("tkhd", TrackHeader(1280, 720)))}));
  const Bytes file = Concat({Ftyp(), moov, ValueAtom("gpsa", 3)});
  for (Walk walk : {Walk::Mov, Walk::Scan}) {
    const WalkOutcome out = RunWalk(walk, file);
    EXPECT_WALK_ENDS_INSIDE(out);
    ASSERT_EQ(out.result, 0) << out.reason;
    EXPECT_EQ(out.summary.durationSeconds, 60);
    EXPECT_EQ(out.summary.durationMs, 60000u);
    EXPECT_EQ(out.summary.gpsaValue, 3u);
  }
  EXPECT_EQ(RunWalk(Walk::Mov, file).summary.width, 0);
}

TEST(MalformedMov, ChildLargerThanTheFile) {
  // A moov claiming 2 GiB: its headers are read, nothing after it is.
  const Bytes bigMoov = Moov();
  Bytes file = Concat({Ftyp(), bigMoov, ValueAtom("gpsa", 3)});
  ByteWriter patch;
  patch.Append(file);
  patch.PatchU32BE(20, 0x7FFFFFFF);
  file = patch.Take();
  const WalkOutcome out = RunWalk(Walk::Mov, file);
  EXPECT_WALK_ENDS_INSIDE(out);
  ASSERT_EQ(out.result, 0) << out.reason;
  EXPECT_EQ(out.summary.width, 1920);
  EXPECT_EQ(out.summary.durationSeconds, 60);
  EXPECT_EQ(out.summary.gpsaValue, 0u);

  // A track header cut off by the end of the file: no frame size.
  const Bytes cut = Concat(
      {Ftyp(), Atom("moov", Concat({Atom("mvhd", MovieHeader(600, 36000)),
                                    ByteWriter().U32BE(92).Raw("trak").U32BE(84).Raw("tkhd").Zeros(20).Take()}))});
  for (Walk walk : {Walk::Mov, Walk::Scan}) {
    const WalkOutcome o = RunWalk(walk, cut);
    EXPECT_WALK_ENDS_INSIDE(o);
    ASSERT_EQ(o.result, 0) << o.reason;
    EXPECT_EQ(o.summary.width, 0);
    EXPECT_EQ(o.summary.height, 0);
    EXPECT_EQ(o.summary.durationSeconds, 60);
  }
}

TEST(MalformedMov, AtomSizesNear4GiB) {
  // A gps0 atom claiming 4 GiB holding two records: the start time comes from
  // the records that are there, and the loader refuses the block.
  const Bytes gps = Concat({Ftyp(), Header(0xFFFFFFFF, "gps0"), GpsRecords(2)});
  const WalkOutcome out = RunWalk(Walk::Mov, gps);
  EXPECT_WALK_ENDS_INSIDE(out);
  ASSERT_EQ(out.result, 0);
  EXPECT_EQ(out.summary.gpsOffset, 28u);
  EXPECT_EQ(out.summary.gpsSize, 0xFFFFFFF7u);
  EXPECT_EQ(out.summary.startTime, kRecordTime);
  MemoryByteSource source(gps);
  const LoadedBlocks blocks = LoadRecordingBlocks(source, out.summary);
  EXPECT_FALSE(blocks.gpsRead);
  EXPECT_TRUE(blocks.gps.empty());

  for (uint32_t size : {0x80000000u, 0xFFFFFFF0u, 0xFFFFFFFFu}) {
    SCOPED_TRACE(size);
    const Bytes skipped = Concat({Ftyp(), Moov(), Header(size, "mdat"), Bytes(64, 0), ValueAtom("gpsa", 1)});
    for (Walk walk : {Walk::Mov, Walk::Scan}) {
      const WalkOutcome o = RunWalk(walk, skipped);
      EXPECT_WALK_ENDS_INSIDE(o);
      ASSERT_EQ(o.result, 0);
      EXPECT_EQ(o.summary.gpsaValue, 0u);
      EXPECT_EQ(o.summary.width, 1920);
    }
  }

  // Durations that do not fit the summary saturate instead of wrapping.
  const WalkOutcome longest = RunWalk(Walk::Mov, Concat({Ftyp(), Moov(1, 0xFFFFFFFF)}));
  ASSERT_EQ(longest.result, 0);
  EXPECT_EQ(longest.summary.durationSeconds, 0xFFFFFFFFll);
  EXPECT_EQ(longest.summary.durationMs, std::numeric_limits<uint32_t>::max());
  Bytes v1 = ByteWriter().U8(1).Zeros(3).U64BE(0).U64BE(0).U32BE(1).U64BE(uint64_t{1} << 63).Zeros(80).Take();
  const WalkOutcome version1 = RunWalk(Walk::Mov, Concat({Ftyp(), Atom("moov", Atom("mvhd", v1))}));
  ASSERT_EQ(version1.result, 0);
  EXPECT_EQ(version1.summary.durationSeconds, 0xFFFFFFFFll);
  EXPECT_EQ(version1.summary.durationMs, std::numeric_limits<uint32_t>::max());
}

TEST(MalformedMov, MissingMoov) {
  MovLayout layout;
  layout.moov = false;
  const Bytes file = MakeMov(layout);
  for (Walk walk : {Walk::Mov, Walk::Scan}) {
    const WalkOutcome out = RunWalk(walk, file);
    EXPECT_WALK_ENDS_INSIDE(out);
    ASSERT_EQ(out.result, 0) << out.reason;
    EXPECT_EQ(out.summary.width, 0);
    EXPECT_EQ(out.summary.height, 0);
    EXPECT_EQ(out.summary.durationSeconds, 0);
    EXPECT_EQ(out.summary.durationMs, 0u);
    EXPECT_EQ(out.summary.startTime, kRecordTime);  // from the date atom
    EXPECT_EQ(out.summary.gpsOffset, 20u + 28 + 12 + 12 + 8);
    EXPECT_EQ(out.summary.gpsSize, 4u * 32);
    EXPECT_EQ(out.summary.gsensorSize, 30u);
    EXPECT_EQ(out.summary.fileSize, file.size());
  }
}

TEST(MalformedMov, DateAtomCutOffAtTheEnd) {
  // The date atom's header ends the file: its text reads as zeros, which is
  // invalid, so the file time less the duration already read stands in.
  const Bytes file = Concat({Ftyp(), Moov(), Header(28, "IDIT")});
  const WalkOutcome out = RunWalk(Walk::Mov, file);
  EXPECT_WALK_ENDS_INSIDE(out);
  ASSERT_EQ(out.result, 0);
  EXPECT_EQ(out.summary.startTime, FromFileTime(kFileTime - 60));

  // Without a file time the invalid text cannot become a time: the walk fails.
  const WalkOutcome noTime = RunWalk(Walk::Mov, file, std::nullopt);
  EXPECT_EQ(noTime.result, -1);
  EXPECT_FALSE(noTime.reason.empty());
  EXPECT_EQ(noTime.summary.fileSize, 0xDEADBEEFu) << "a failed walk wrote its summary target";
}

TEST(MalformedMov, DateAtomsLongerThanTheirText) {
  // The walks read 20 bytes of text whatever the atom's size says.
  const Bytes text = ByteWriter().Text("2019-05-01 08:30:00", 20).Take();
  const Bytes idit64 = Atom("IDIT", Concat({text, Bytes(44, 0)}));
  const Bytes file = Concat({Ftyp(), idit64, ValueAtom("gpsa", 5), Moov()});
  for (Walk walk : {Walk::Mov, Walk::Scan}) {
    const WalkOutcome out = RunWalk(walk, file);
    EXPECT_WALK_ENDS_INSIDE(out);
    ASSERT_EQ(out.result, 0);
    EXPECT_EQ(out.summary.startTime, kRecordTime);
    EXPECT_EQ(out.summary.gpsaValue, 5u);
    EXPECT_EQ(out.summary.width, 1920);
  }

  // 65,535 bytes of payload: the atom walk gives up inside it (unknown codes
  // far into the file), the scan still finds the atoms behind it.
  const Bytes idit65535 = Atom("IDIT", Concat({text, Bytes(65535 - 20, 0)}));
  const Bytes big = Concat({Ftyp(), idit65535, ValueAtom("gpsa", 5), Moov()});
  const WalkOutcome walked = RunWalk(Walk::Mov, big);
  EXPECT_WALK_ENDS_INSIDE(walked);
  ASSERT_EQ(walked.result, 0);
  EXPECT_EQ(walked.summary.startTime, kRecordTime);
  EXPECT_EQ(walked.summary.gpsaValue, 0u);
  const WalkOutcome scanned = RunWalk(Walk::Scan, big);
  EXPECT_WALK_ENDS_INSIDE(scanned);
  ASSERT_EQ(scanned.result, 0);
  EXPECT_EQ(scanned.summary.startTime, kRecordTime);
  EXPECT_EQ(scanned.summary.gpsaValue, 5u);
  EXPECT_EQ(scanned.summary.width, 1920);
}

TEST(MalformedMov, GpsBlockLargerThanTheFile) {
  const Bytes file =
      Concat({Ftyp(), ValueAtom("gsea", 0x0A08), Atom("gsen", GSensorRecords(6)), Header(4096, "gps0"), GpsRecords(2)});
  const WalkOutcome out = RunWalk(Walk::Mov, file);
  EXPECT_WALK_ENDS_INSIDE(out);
  ASSERT_EQ(out.result, 0);
  EXPECT_EQ(out.summary.gpsSize, 4088u);
  EXPECT_EQ(out.summary.startTime, kRecordTime);
  MemoryByteSource source(file);
  const LoadedBlocks blocks = LoadRecordingBlocks(source, out.summary);
  EXPECT_FALSE(blocks.gpsRead);
  EXPECT_TRUE(blocks.gps.empty());
  EXPECT_TRUE(blocks.gsensorRead);
  ASSERT_EQ(blocks.gsensor.size(), 6u);
  EXPECT_EQ(blocks.gsensor[5].x, 5);
  EXPECT_EQ(blocks.gsensor[5].y, -5);
}
