#include <gtest/gtest.h>

#include "ByteSource.h"
#include "RecordingFile.h"
#include "TestBytes.h"

namespace {

constexpr int64_t kModified = 1700000000;  // the file's modification time in these tests

struct Walk {
  int result;
  RecordingSummary target;
  RecordingSummary state;
  std::string failure;
};

Walk RunAvi(const Bytes& file, std::optional<int64_t> modified = kModified) {
  MemoryByteSource source(file.b, modified);
  Walk w;
  w.target.width = 4321;  // must stay untouched on failure
  RecordingFile reader(&w.target);
  w.result = reader.ParseAvi(source);
  w.state = reader.State();
  w.failure = reader.FailureReason() ? reader.FailureReason() : "";
  return w;
}

Bytes Idit(const std::string& text) {
  Bytes p;
  p.text(DateText(text));
  return AviChunk("IDIT", p);
}

Bytes Rate(const char* code, uint32_t v) {
  Bytes p;
  p.le32(v);
  return AviChunk(code, p);
}

}  // namespace

TEST(AviWalk, ReadsHeaderAndCameraBlocks) {
  ScopedTz tz("UTC");
  std::vector<GpsSample> gps(3);
  Bytes body;
  body.append(Idit("2019-05-01 08:30:00"));
  body.append(Rate("gpsa", 0x01));
  body.append(Rate("gsea", 0x020A));
  Bytes g = AviChunk("gps0", GpsRecords(gps));
  Bytes s;
  s.zeros(30);
  body.append(g).append(AviChunk("gsen", s));
  body.append(AviList("movi", Bytes{}.zeros(16))).append(AviChunk("idx1", Bytes{}.zeros(16)));
  const Bytes file = AviFile(body);
  const Walk w = RunAvi(file);
  ASSERT_EQ(w.result, 0) << w.failure;
  const RecordingSummary& r = w.target;
  EXPECT_EQ(r.width, 640);
  EXPECT_EQ(r.height, 360);
  EXPECT_EQ(r.durationMs, 10000u);
  EXPECT_EQ(r.durationSeconds, 10);
  EXPECT_EQ(r.startTime, Utc(2019, 5, 1, 8, 30, 0));
  EXPECT_EQ(r.gpsaValue, 1u);
  EXPECT_EQ(r.gseaValue, 0x020Au);
  EXPECT_EQ(r.gpsSize, 96u);
  EXPECT_EQ(r.gsensorSize, 30u);
  EXPECT_EQ(r.fileSize, file.size());
  // Offsets point at the payloads.
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&file.b[r.gpsOffset - 8]), 4), "gps0");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&file.b[r.gsensorOffset - 8]), 4), "gsen");
}

TEST(AviWalk, RejectsWhatIsNotARecording) {
  // A QuickTime file named .AVI: the first code is not RIFF.
  Bytes mov = Atom("ftyp", Bytes{}.code("qt  "));
  Walk w = RunAvi(mov);
  EXPECT_EQ(w.result, -1);
  EXPECT_EQ(w.target.width, 4321);  // untouched
  EXPECT_EQ(w.failure, "not a RIFF file");

  // No video format after the video stream header: no frame size.
  Bytes strl = StreamHeader("vids");
  strl.append(Idit("2019-05-01 08:30:00"));  // consumed as the would-be strf code
  Bytes hdrl = MainHeader(40000, 25);
  hdrl.append(AviList("strl", strl));
  Bytes content;
  content.code("AVI ").append(AviList("hdrl", hdrl));
  Bytes file;
  file.code("RIFF").le32(static_cast<uint32_t>(content.size())).append(content);
  w = RunAvi(file);
  EXPECT_EQ(w.result, -1);
  EXPECT_EQ(w.state.width, 0);
  EXPECT_EQ(w.target.width, 4321);

  // A movi list claiming to run past the end of the file: cut off while writing.
  Bytes movi = AviList("movi", Bytes{}.zeros(64));
  movi.setLe32(4, 100000);
  w = RunAvi(AviFile(movi));
  EXPECT_EQ(w.result, -1);
  EXPECT_EQ(w.state.width, 640);
  EXPECT_EQ(w.failure, "movi list runs past the end of the file");

  // A movi list ending exactly at the end of the file is fine.
  w = RunAvi(AviFile(AviList("movi", Bytes{}.zeros(64))));
  EXPECT_EQ(w.result, 0);
}

TEST(AviWalk, DateTextWinsOverGpsClockInEitherOrder) {
  ScopedTz tz("UTC");
  const Bytes gps = AviChunk("gps0", GpsRecords({ClockRecord(2020, 1, 2, 3, 4, 5)}));
  Bytes before;
  before.append(Idit("2019-05-01 08:30:00")).append(gps);
  Bytes after;
  after.append(gps).append(Idit("2019-05-01 08:30:00"));
  EXPECT_EQ(RunAvi(AviFile(before)).target.startTime, Utc(2019, 5, 1, 8, 30, 0));
  EXPECT_EQ(RunAvi(AviFile(after)).target.startTime, Utc(2019, 5, 1, 8, 30, 0));
}

TEST(AviWalk, InvalidDateTextTakesTheFileTime) {
  ScopedTz tz("UTC");
  for (const char* text : {"1899-12-31 23:59:59", "", "2019-13-01 08:30:00", "2019-05-01 24:00:00", "garbage"}) {
    const Walk w = RunAvi(AviFile(Idit(text)));
    ASSERT_EQ(w.result, 0) << text;
    EXPECT_EQ(w.target.startTime, kModified) << text;
  }
  // With no file time to fall back on, the invalid date cannot become a time.
  const Walk w = RunAvi(AviFile(Idit("1899-12-31 23:59:59")), std::nullopt);
  EXPECT_EQ(w.result, -1);
  // A valid text needs no file time.
  EXPECT_EQ(RunAvi(AviFile(Idit("2019-05-01 08:30:00")), std::nullopt).result, 0);
}

TEST(AviWalk, StartTimeFromFirstValidGpsClock) {
  ScopedTz tz("UTC");
  std::vector<GpsSample> gps(12);
  gps[10] = ClockRecord(2019, 5, 1, 8, 30, 10);
  gps[11] = ClockRecord(2019, 5, 1, 8, 30, 59);
  gps[3].year = 19;  // a record with a year but an invalid clock is passed over
  gps[3].month = 13;
  // The rate known when the block is met counts: gpsa 2 before gps0.
  Bytes body;
  body.append(Rate("gpsa", 2)).append(AviChunk("gps0", GpsRecords(gps)));
  EXPECT_EQ(RunAvi(AviFile(body)).target.startTime, Utc(2019, 5, 1, 8, 30, 5));
  // gpsa after the records: the rate was still 1 when they were read.
  Bytes late;
  late.append(AviChunk("gps0", GpsRecords(gps))).append(Rate("gpsa", 2));
  EXPECT_EQ(RunAvi(AviFile(late)).target.startTime, Utc(2019, 5, 1, 8, 30, 0));
  // Record 3 first valid, rate 2: 3 / 2 = 1 s (integer division).
  std::vector<GpsSample> three(4);
  three[3] = ClockRecord(2019, 5, 1, 8, 30, 10);
  Bytes b3;
  b3.append(Rate("gpsa", 2)).append(AviChunk("gps0", GpsRecords(three)));
  EXPECT_EQ(RunAvi(AviFile(b3)).target.startTime, Utc(2019, 5, 1, 8, 30, 9));
  // No date text and no clock: 0.
  EXPECT_EQ(RunAvi(AviFile(AviChunk("gps0", GpsRecords(std::vector<GpsSample>(5))))).target.startTime, 0);
}

TEST(AviWalk, UnknownCodesStepEarlyAndEndTheWalkLate) {
  // An unknown chunk early on: the walk steps through it 4 bytes at a time
  // and still meets the chunks after it.
  Bytes early;
  early.append(AviChunk("ZZZZ", Bytes{}.zeros(40))).append(Rate("gsea", 7));
  Walk w = RunAvi(AviFile(early));
  ASSERT_EQ(w.result, 0);
  EXPECT_EQ(w.target.gseaValue, 7u);

  // An unknown code at 30000 ends the walk; the frame size was already found.
  Bytes late;
  late.append(AviChunk("JUNK", Bytes{}.zeros(30000)));
  late.append(AviChunk("ZZZZ", Bytes{}.zeros(8))).append(Rate("gsea", 7));
  w = RunAvi(AviFile(late));
  ASSERT_EQ(w.result, 0);
  EXPECT_EQ(w.target.gseaValue, 0u);

  // The limit is 20932: a code read at 20924 (pos 20928 after it) still steps.
  Bytes edge;
  const std::size_t header = AviFile(Bytes{}).size();
  edge.append(AviChunk("JUNK", Bytes{}.zeros(20924 - header - 8)));
  ASSERT_EQ(header + edge.size(), 20924u);
  edge.code("ZZZZ").append(Rate("gsea", 9));
  EXPECT_EQ(RunAvi(AviFile(edge)).target.gseaValue, 9u);
  Bytes past;
  past.append(AviChunk("JUNK", Bytes{}.zeros(20928 - header - 8)));
  past.code("ZZZZ").append(Rate("gsea", 9));
  EXPECT_EQ(RunAvi(AviFile(past)).target.gseaValue, 0u);
}

TEST(AviWalk, OddGpsBlockResumesAtTheLastWholeRecord) {
  ScopedTz tz("UTC");
  // 70 bytes: records 0 and 1, then the next code is read at gpsOffset + 64.
  Bytes payload = GpsRecords({GpsSample{}, ClockRecord(2019, 5, 1, 8, 30, 10)});
  payload.code("gsen").le16(3);  // bytes 64..69 of the block
  Bytes body;
  body.append(AviChunk("gps0", payload));
  ASSERT_EQ(payload.size(), 70u);
  body.le16(0).zeros(3);  // upper half of the size read at 68, then 3 bytes of records
  const Walk w = RunAvi(AviFile(body));
  ASSERT_EQ(w.result, 0);
  EXPECT_EQ(w.target.gpsSize, 70u);
  EXPECT_EQ(w.target.startTime, Utc(2019, 5, 1, 8, 30, 9));  // record 1 at rate 1
  EXPECT_EQ(w.target.gsensorOffset, w.target.gpsOffset + 72);
  EXPECT_EQ(w.target.gsensorSize, 3u);
}

TEST(AviWalk, LongDateTextIsCutButSteppedOverWhole) {
  ScopedTz tz("UTC");
  Bytes text;
  text.text("2019-05-01 08:30:00").zeros(81);  // 100 bytes
  Bytes body = AviChunk("IDIT", text);
  body.append(Rate("gsea", 5));
  Walk w = RunAvi(AviFile(body));
  ASSERT_EQ(w.result, 0);
  EXPECT_EQ(w.target.startTime, Utc(2019, 5, 1, 8, 30, 0));
  EXPECT_EQ(w.target.gseaValue, 5u);

  // 64 bytes without a terminator fill the buffer exactly.
  Bytes full;
  full.text("2019-05-01 08:30:00").text(std::string(45, 'x'));
  w = RunAvi(AviFile(AviChunk("IDIT", full)));
  ASSERT_EQ(w.result, 0);
  EXPECT_EQ(w.target.startTime, Utc(2019, 5, 1, 8, 30, 0));

  // A payload size far beyond the file ends the walk without reading it all.
  Bytes huge;
  huge.code("IDIT").le32(0xFFFFFFF0u).text("2019-05-01 08:30:00");
  w = RunAvi(AviFile(huge));
  ASSERT_EQ(w.result, 0);
  EXPECT_EQ(w.target.startTime, Utc(2019, 5, 1, 8, 30, 0));
}

TEST(AviWalk, LongRecordingsDoNotWrapTheDuration) {
  // 80 minutes at 25 frames a second: 120000 x 40000 us = 4.8e9 us > 2^32.
  Bytes strl = StreamHeader("vids");
  strl.append(VideoFormat(1280, 720));
  Bytes hdrl = MainHeader(40000, 120000);
  hdrl.append(AviList("strl", strl));
  Bytes content;
  content.code("AVI ").append(AviList("hdrl", hdrl));
  Bytes file;
  file.code("RIFF").le32(static_cast<uint32_t>(content.size())).append(content);
  Walk w = RunAvi(file);
  ASSERT_EQ(w.result, 0);
  EXPECT_EQ(w.target.durationMs, 4800000u);
  EXPECT_EQ(w.target.durationSeconds, 4800);

  // A product beyond what 32-bit milliseconds hold saturates instead of wrapping.
  Bytes hdrl2 = MainHeader(0xFFFFFFFFu, 0xFFFFFFFFu);
  hdrl2.append(AviList("strl", strl));
  Bytes content2;
  content2.code("AVI ").append(AviList("hdrl", hdrl2));
  Bytes file2;
  file2.code("RIFF").le32(static_cast<uint32_t>(content2.size())).append(content2);
  w = RunAvi(file2);
  ASSERT_EQ(w.result, 0);
  EXPECT_EQ(w.target.durationMs, 0xFFFFFFFFu);
  EXPECT_EQ(w.target.durationSeconds, static_cast<int64_t>(uint64_t{0xFFFFFFFF} * 0xFFFFFFFF / 1000 / 1000));
}

TEST(AviWalk, ShortRateBlocksGiveOnlyTheirOwnBytes) {
  Bytes body;
  body.append(AviChunk("gpsa", Bytes{}.le16(0x0205)));
  body.append(Rate("gsea", 0x0303));
  const Walk w = RunAvi(AviFile(body));
  ASSERT_EQ(w.result, 0);
  EXPECT_EQ(w.target.gpsaValue, 0x0205u);  // not the bytes of the gsea chunk that follows
  EXPECT_EQ(w.target.gseaValue, 0x0303u);
}

TEST(AviWalk, ShortHeadersReadAsZeroBeyondTheirBytes) {
  // An avih of 4 bytes: frame period only, no frame count.
  Bytes strl = StreamHeader("vids");
  strl.append(AviChunk("strf", Bytes{}.le32(40).le32(320)));  // width but no height
  Bytes hdrl = AviChunk("avih", Bytes{}.le32(40000));
  hdrl.append(AviList("strl", strl));
  Bytes content;
  content.code("AVI ").append(AviList("hdrl", hdrl));
  Bytes file;
  file.code("RIFF").le32(static_cast<uint32_t>(content.size())).append(content);
  const Walk w = RunAvi(file);
  EXPECT_EQ(w.result, -1);
  EXPECT_EQ(w.state.durationMs, 0u);
  EXPECT_EQ(w.state.width, 320);
  EXPECT_EQ(w.state.height, 0);
}
