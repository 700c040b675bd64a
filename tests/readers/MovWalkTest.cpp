#include <gtest/gtest.h>

#include "fileio/ByteSource.h"
#include "container/RecordingFile.h"
#include "TestBytes.h"

namespace {

constexpr int64_t kModified = 1700000000;

struct Walk {
  int result;
  RecordingSummary s;
  std::string failure;
};

Walk RunMov(const ByteWriter& file, bool scan, std::optional<int64_t> modified = kModified) {
  MemoryByteSource source(file.Get(), modified);
  Walk w;
  RecordingFile reader(&w.s);
  w.result = scan ? reader.ScanMov(source) : reader.ParseMov(source);
  w.failure = reader.FailureReason() ? reader.FailureReason() : "";
  return w;
}

ByteWriter Ftyp() { return Atom("ftyp", ByteWriter{}.Raw("qt  ").U32BE(0x200).Raw("qt  ")); }

ByteWriter Gps(const std::vector<GpsSample>& records) { return Atom("gps0", GpsRecords(records)); }

// ftyp, IDIT, gpsa, gsea, gps0, gsen, mdat, moov.
ByteWriter CameraFile(const std::string& date, bool moovFirst = false) {
  const ByteWriter moov = Moov(600, 35999, 1280, 720);
  ByteWriter f = Ftyp();
  if (moovFirst) f.Append(moov);
  f.Append(IditAtom(date));
  f.Append(ValueAtom("gpsa", 1)).Append(ValueAtom("gsea", 0x020A));
  f.Append(Gps({ClockRecord(2021, 1, 1, 0, 0, 0), GpsSample{}}));
  f.Append(Atom("gsen", ByteWriter{}.Zeros(30)));
  f.Append(Atom("mdat", ByteWriter{}.Zeros(4000)));
  if (!moovFirst) f.Append(moov);
  return f;
}

}  // namespace

TEST(MovWalk, FindsTheCameraAtomsInTheUsualOrder) {
  ScopedTz tz("UTC");
  const ByteWriter file = CameraFile("2019-05-01 08:30:00");
  for (bool scan : {false, true}) {
    const Walk w = RunMov(file, scan);
    ASSERT_EQ(w.result, 0);
    EXPECT_EQ(w.s.startTime, Utc(2019, 5, 1, 8, 30, 0)) << scan;
    EXPECT_EQ(w.s.durationSeconds, 59);  // 35999 / 600
    EXPECT_EQ(w.s.durationMs, 59000u);
    EXPECT_EQ(w.s.width, 1280);
    EXPECT_EQ(w.s.height, 720);
    EXPECT_EQ(w.s.gpsaValue, 1u);
    EXPECT_EQ(w.s.gseaValue, 0x020Au);
    EXPECT_EQ(w.s.gpsSize, 64u);
    EXPECT_EQ(w.s.gsensorSize, 30u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&file.Get()[w.s.gpsOffset - 4]), 4), "gps0");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&file.Get()[w.s.gsensorOffset - 4]), 4), "gsen");
    EXPECT_EQ(w.s.fileSize, file.Size());
  }
}

TEST(MovWalk, InvalidDateTextFallsBackToFileTimeLessWhatIsKnownOfTheLength) {
  ScopedTz tz("UTC");
  // mvhd after the date: the length is not known yet.
  Walk w = RunMov(CameraFile("1899-12-31 23:59:59"), false);
  ASSERT_EQ(w.result, 0);
  EXPECT_EQ(w.s.startTime, kModified);
  // moov before the date: modification time minus the movie's length.
  w = RunMov(CameraFile("2019-13-01 00:00:00", true), false);
  ASSERT_EQ(w.result, 0);
  EXPECT_EQ(w.s.startTime, kModified - 59);
  // No file time: the invalid date reaches the time construction and fails.
  w = RunMov(CameraFile("", true), false, std::nullopt);
  EXPECT_EQ(w.result, -1);
}

TEST(MovWalk, MovieHeaderVariants) {
  // Second child of moov not a trak: no frame size, still a success.
  ByteWriter noTrak =
      Atom("moov", ByteWriter(Atom("mvhd", MovieHeader(1000, 5000))).Append(Atom("udta", ByteWriter{}.Zeros(8))));
  Walk w = RunMov(noTrak, false);
  ASSERT_EQ(w.result, 0);
  EXPECT_EQ(w.s.width, 0);
  EXPECT_EQ(w.s.durationSeconds, 5);
  // trak not beginning with tkhd.
  ByteWriter noTkhd = Atom(
      "moov",
      ByteWriter(Atom("mvhd", MovieHeader(1000, 5000))).Append(Atom("trak", Atom("edts", ByteWriter{}.Zeros(100)))));
  w = RunMov(noTkhd, false);
  EXPECT_EQ(w.s.width, 0);
  // Time scale 0: no durations.
  w = RunMov(Moov(0, 35999, 640, 480), false);
  ASSERT_EQ(w.result, 0);
  EXPECT_EQ(w.s.durationSeconds, 0);
  EXPECT_EQ(w.s.durationMs, 0u);
  EXPECT_EQ(w.s.width, 640);
  // A version-1 header (64-bit times, 120 bytes) neither overflows the header
  // nor is misread: 90000 ticks a second, 2 hours.
  ByteWriter v1;
  v1.U32BE(0x01000000).Zeros(16).U32BE(90000).U32BE(0).U32BE(90000u * 7200u).Zeros(80);
  ByteWriter moov =
      Atom("moov", ByteWriter(Atom("mvhd", v1)).Append(Atom("trak", Atom("tkhd", TrackHeader(320, 240)))));
  w = RunMov(moov, false);
  ASSERT_EQ(w.result, 0);
  EXPECT_EQ(w.s.durationSeconds, 7200);
  EXPECT_EQ(w.s.durationMs, 7200000u);
  EXPECT_EQ(w.s.width, 320);
  EXPECT_EQ(w.s.height, 240);
}

TEST(MovWalk, UnknownAtomLateEndsTheAtomWalkButNotTheScan) {
  ByteWriter f = Ftyp();
  f.Append(Atom("skip", ByteWriter{}.Zeros(25000 - f.Size() - 8)));
  ASSERT_EQ(f.Size(), 25000u);
  f.Append(Atom("wxyz", ByteWriter{}.Zeros(13)));
  f.Append(ValueAtom("gsea", 0x0305));
  EXPECT_EQ(RunMov(f, false).s.gseaValue, 0u);
  EXPECT_EQ(RunMov(f, true).s.gseaValue, 0x0305u);
  // Early unknown atoms (size a multiple of 4) are stepped over by the atom walk.
  ByteWriter e = Ftyp();
  e.Append(Atom("wide", ByteWriter{}.Zeros(12))).Append(ValueAtom("gsea", 0x0305));
  EXPECT_EQ(RunMov(e, false).s.gseaValue, 0x0305u);
}

TEST(MovWalk, ScanFindsDateTextBeforeTheRateBlock) {
  ScopedTz tz("UTC");
  ByteWriter f = Ftyp();
  f.Append(Atom("date", ByteWriter{}.Raw(DateText("2019-05-01 08:30:00"))));
  f.Append(ValueAtom("gpsa", 1)).Append(Gps({GpsSample{}, GpsSample{}}));
  f.Append(Atom("mdat", ByteWriter{}.Zeros(100))).Append(Moov(1000, 10000, 640, 360));
  Walk atom = RunMov(f, false);
  ASSERT_EQ(atom.result, 0);
  EXPECT_EQ(atom.s.startTime, 0);
  Walk scan = RunMov(f, true);
  ASSERT_EQ(scan.result, 0);
  EXPECT_EQ(scan.s.startTime, Utc(2019, 5, 1, 8, 30, 0));
  EXPECT_EQ(scan.s.durationSeconds, 10);
}

TEST(MovWalk, ScanLookBackBeforeTheStartOfTheFile) {
  ScopedTz tz("UTC");
  // A 12-byte gpsa at offset 0: the 20 bytes before it lie before the file.
  ByteWriter f = ValueAtom("gpsa", 2);
  f.Append(Moov(1000, 10000, 640, 360));
  Walk w = RunMov(f, true);
  ASSERT_EQ(w.result, 0);
  EXPECT_EQ(w.s.gpsaValue, 2u);
  EXPECT_EQ(w.s.startTime, kModified);  // invalid (zero) text; gpsa came before moov
  // A gpsa at offset 8: 12 of the 20 bytes before the start.
  ByteWriter g = Atom("skip", ByteWriter{});
  g.Append(ValueAtom("gpsa", 2));
  w = RunMov(g, true);
  ASSERT_EQ(w.result, 0);
  EXPECT_EQ(w.s.startTime, kModified);
  EXPECT_EQ(RunMov(g, true, std::nullopt).result, -1);
}

TEST(MovWalk, TinyAtomSizesAlwaysAdvance) {
  for (uint32_t size : {0u, 1u, 4u, 7u}) {
    for (const char* type : {"ftyp", "skip", "mdat", "moov", "gps0", "gsen", "gpsa", "gsea"}) {
      ByteWriter f;
      f.U32BE(size).Raw(type).Zeros(8);
      f.Append(ValueAtom("gsea", 0x0102));
      f.Zeros(3);
      for (bool scan : {false, true}) {
        const Walk w = RunMov(f, scan);
        ASSERT_EQ(w.result, 0) << type << " " << size;
        EXPECT_LT(w.s.gpsSize, 8u) << "payload size underflow " << type << " " << size;
        EXPECT_LT(w.s.gsensorSize, 8u);
        if (scan) {
          EXPECT_EQ(w.s.gseaValue, 0x0102u) << type << " " << size;
        }
      }
    }
  }
  // A 64-bit mdat: its size is not interpreted, the scan goes through its
  // content byte by byte and finds what comes after.
  ByteWriter f = Ftyp();
  f.U32BE(1).Raw("mdat").U32BE(0).U32BE(16 + 1001).Zeros(1001);
  f.Append(ValueAtom("gsea", 0x0203));
  EXPECT_EQ(RunMov(f, true).s.gseaValue, 0x0203u);
  // gps0 with a size below its header gives an empty block, not 4 GiB.
  ByteWriter g;
  g.U32BE(4).Raw("gps0").Zeros(20);
  const Walk w = RunMov(g, false);
  EXPECT_EQ(w.s.gpsSize, 0u);
}

TEST(MovWalk, HugeSizesEndTheWalk) {
  ByteWriter f = Ftyp();
  f.U32BE(0xFFFFFFFFu).Raw("mdat").Zeros(32);
  f.U32BE(0xFFFFFFF0u).Raw("gps0").Zeros(64);
  for (bool scan : {false, true}) {
    const Walk w = RunMov(f, scan);
    EXPECT_EQ(w.result, 0);
  }
  ByteWriter g;
  g.U32BE(0xFFFFFFF0u).Raw("gps0").Append(GpsRecords({ClockRecord(2019, 1, 1, 0, 0, 0)}));
  const Walk w = RunMov(g, false);
  EXPECT_EQ(w.s.gpsSize, 0xFFFFFFF0u - 8);
  EXPECT_NE(w.s.startTime, 0);
}

TEST(MovWalk, EmptyFileFails) {
  EXPECT_EQ(RunMov(ByteWriter{}, false).result, -1);
  EXPECT_EQ(RunMov(ByteWriter{}, true).result, -1);
  // No known atoms at all: success with all facts 0.
  ByteWriter junk;
  junk.Raw("hello, this is not a movie at all");
  const Walk w = RunMov(junk, true);
  EXPECT_EQ(w.result, 0);
  EXPECT_EQ(w.s.startTime, 0);
  EXPECT_EQ(w.s.fileSize, junk.Size());
}
