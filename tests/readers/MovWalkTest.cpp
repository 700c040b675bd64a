#include <gtest/gtest.h>

#include "ByteSource.h"
#include "RecordingFile.h"
#include "TestBytes.h"

namespace {

constexpr int64_t kModified = 1700000000;

struct Walk {
  int result;
  RecordingSummary s;
  std::string failure;
};

Walk RunMov(const Bytes& file, bool scan, std::optional<int64_t> modified = kModified) {
  MemoryByteSource source(file.b, modified);
  Walk w;
  RecordingFile reader(&w.s);
  w.result = scan ? reader.ScanMov(source) : reader.ParseMov(source);
  w.failure = reader.FailureReason() ? reader.FailureReason() : "";
  return w;
}

Bytes Ftyp() { return Atom("ftyp", Bytes{}.code("qt  ").be32(0x200).code("qt  ")); }

Bytes Gps(const std::vector<GpsSample>& records) { return Atom("gps0", GpsRecords(records)); }

// ftyp, IDIT, gpsa, gsea, gps0, gsen, mdat, moov.
Bytes CameraFile(const std::string& date, bool moovFirst = false) {
  const Bytes moov = Moov(600, 35999, 1280, 720);
  Bytes f = Ftyp();
  if (moovFirst) f.append(moov);
  f.append(IditAtom(date));
  f.append(RateAtom("gpsa", 1)).append(RateAtom("gsea", 0x020A));
  f.append(Gps({ClockRecord(2021, 1, 1, 0, 0, 0), GpsSample{}}));
  f.append(Atom("gsen", Bytes{}.zeros(30)));
  f.append(Atom("mdat", Bytes{}.zeros(4000)));
  if (!moovFirst) f.append(moov);
  return f;
}

}  // namespace

TEST(MovWalk, FindsTheCameraAtomsInTheUsualOrder) {
  ScopedTz tz("UTC");
  const Bytes file = CameraFile("2019-05-01 08:30:00");
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
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&file.b[w.s.gpsOffset - 4]), 4), "gps0");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&file.b[w.s.gsensorOffset - 4]), 4), "gsen");
    EXPECT_EQ(w.s.fileSize, file.size());
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
  Bytes noTrak = Atom("moov", MovieHeader(1000, 5000).append(Atom("udta", Bytes{}.zeros(8))));
  Walk w = RunMov(noTrak, false);
  ASSERT_EQ(w.result, 0);
  EXPECT_EQ(w.s.width, 0);
  EXPECT_EQ(w.s.durationSeconds, 5);
  // trak not beginning with tkhd.
  Bytes noTkhd = Atom("moov", MovieHeader(1000, 5000).append(Atom("trak", Atom("edts", Bytes{}.zeros(100)))));
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
  Bytes v1;
  v1.be32(0x01000000).zeros(16).be32(90000).be32(0).be32(90000u * 7200u).zeros(80);
  Bytes moov = Atom("moov", Atom("mvhd", v1).append(Atom("trak", TrackHeader(320, 240))));
  w = RunMov(moov, false);
  ASSERT_EQ(w.result, 0);
  EXPECT_EQ(w.s.durationSeconds, 7200);
  EXPECT_EQ(w.s.durationMs, 7200000u);
  EXPECT_EQ(w.s.width, 320);
  EXPECT_EQ(w.s.height, 240);
}

TEST(MovWalk, UnknownAtomLateEndsTheAtomWalkButNotTheScan) {
  Bytes f = Ftyp();
  f.append(Atom("skip", Bytes{}.zeros(25000 - f.size() - 8)));
  ASSERT_EQ(f.size(), 25000u);
  f.append(Atom("wxyz", Bytes{}.zeros(13)));
  f.append(RateAtom("gsea", 0x0305));
  EXPECT_EQ(RunMov(f, false).s.gseaValue, 0u);
  EXPECT_EQ(RunMov(f, true).s.gseaValue, 0x0305u);
  // Early unknown atoms (size a multiple of 4) are stepped over by the atom walk.
  Bytes e = Ftyp();
  e.append(Atom("wide", Bytes{}.zeros(12))).append(RateAtom("gsea", 0x0305));
  EXPECT_EQ(RunMov(e, false).s.gseaValue, 0x0305u);
}

TEST(MovWalk, ScanFindsDateTextBeforeTheRateBlock) {
  ScopedTz tz("UTC");
  Bytes f = Ftyp();
  f.append(Atom("date", Bytes{}.text(DateText("2019-05-01 08:30:00"))));
  f.append(RateAtom("gpsa", 1)).append(Gps({GpsSample{}, GpsSample{}}));
  f.append(Atom("mdat", Bytes{}.zeros(100))).append(Moov(1000, 10000, 640, 360));
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
  Bytes f = RateAtom("gpsa", 2);
  f.append(Moov(1000, 10000, 640, 360));
  Walk w = RunMov(f, true);
  ASSERT_EQ(w.result, 0);
  EXPECT_EQ(w.s.gpsaValue, 2u);
  EXPECT_EQ(w.s.startTime, kModified);  // invalid (zero) text; gpsa came before moov
  // A gpsa at offset 8: 12 of the 20 bytes before the start.
  Bytes g = Atom("skip", Bytes{});
  g.append(RateAtom("gpsa", 2));
  w = RunMov(g, true);
  ASSERT_EQ(w.result, 0);
  EXPECT_EQ(w.s.startTime, kModified);
  EXPECT_EQ(RunMov(g, true, std::nullopt).result, -1);
}

TEST(MovWalk, TinyAtomSizesAlwaysAdvance) {
  for (uint32_t size : {0u, 1u, 4u, 7u}) {
    for (const char* type : {"ftyp", "skip", "mdat", "moov", "gps0", "gsen", "gpsa", "gsea"}) {
      Bytes f;
      f.be32(size).code(type).zeros(8);
      f.append(RateAtom("gsea", 0x0102));
      f.zeros(3);
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
  Bytes f = Ftyp();
  f.be32(1).code("mdat").be32(0).be32(16 + 1001).zeros(1001);
  f.append(RateAtom("gsea", 0x0203));
  EXPECT_EQ(RunMov(f, true).s.gseaValue, 0x0203u);
  // gps0 with a size below its header gives an empty block, not 4 GiB.
  Bytes g;
  g.be32(4).code("gps0").zeros(20);
  const Walk w = RunMov(g, false);
  EXPECT_EQ(w.s.gpsSize, 0u);
}

TEST(MovWalk, HugeSizesEndTheWalk) {
  Bytes f = Ftyp();
  f.be32(0xFFFFFFFFu).code("mdat").zeros(32);
  f.be32(0xFFFFFFF0u).code("gps0").zeros(64);
  for (bool scan : {false, true}) {
    const Walk w = RunMov(f, scan);
    EXPECT_EQ(w.result, 0);
  }
  Bytes g;
  g.be32(0xFFFFFFF0u).code("gps0").append(GpsRecords({ClockRecord(2019, 1, 1, 0, 0, 0)}));
  const Walk w = RunMov(g, false);
  EXPECT_EQ(w.s.gpsSize, 0xFFFFFFF0u - 8);
  EXPECT_NE(w.s.startTime, 0);
}

TEST(MovWalk, EmptyFileFails) {
  EXPECT_EQ(RunMov(Bytes{}, false).result, -1);
  EXPECT_EQ(RunMov(Bytes{}, true).result, -1);
  // No known atoms at all: success with all facts 0.
  Bytes junk;
  junk.text("hello, this is not a movie at all");
  const Walk w = RunMov(junk, true);
  EXPECT_EQ(w.result, 0);
  EXPECT_EQ(w.s.startTime, 0);
  EXPECT_EQ(w.s.fileSize, junk.size());
}
