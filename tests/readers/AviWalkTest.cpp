#include <gtest/gtest.h>

#include "fileio/ByteSource.h"
#include "container/RecordingFile.h"
#include "TestBytes.h"

namespace {

constexpr int64_t kModified = 1700000000;  // the file's modification time in these tests

struct Walk {
  int result;
  RecordingSummary target;
  RecordingSummary state;
  std::string failure;
};

Walk RunAvi(const ByteWriter& file, std::optional<int64_t> modified = kModified) {
  MemoryByteSource source(file.Get(), modified);
  Walk w;
  w.target.width = 4321;  // must stay untouched on failure
  RecordingFile reader(&w.target);
  w.result = reader.ParseAvi(source);
  w.state = reader.State();
  w.failure = reader.FailureReason() ? reader.FailureReason() : "";
  return w;
}

ByteWriter Idit(const std::string& text) {
  ByteWriter p;
  p.Raw(DateText(text));
  return AviChunk("IDIT", p);
}

ByteWriter Rate(const char* code, uint32_t v) {
  ByteWriter p;
  p.U32LE(v);
  return AviChunk(code, p);
}

}  // namespace

TEST(AviWalk, ReadsHeaderAndCameraBlocks) {
  ScopedTz tz("UTC");
  std::vector<GpsSample> gps(3);
  ByteWriter body;
  body.Append(Idit("2019-05-01 08:30:00"));
  body.Append(Rate("gpsa", 0x01));
  body.Append(Rate("gsea", 0x020A));
  ByteWriter g = AviChunk("gps0", GpsRecords(gps));
  ByteWriter s;
  s.Zeros(30);
  body.Append(g).Append(AviChunk("gsen", s));
  body.Append(AviList("movi", ByteWriter{}.Zeros(16))).Append(AviChunk("idx1", ByteWriter{}.Zeros(16)));
  const ByteWriter file = AviRecording(body);
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
  EXPECT_EQ(r.fileSize, file.Size());
  // Offsets point at the payloads.
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&file.Get()[r.gpsOffset - 8]), 4), "gps0");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&file.Get()[r.gsensorOffset - 8]), 4), "gsen");
}

TEST(AviWalk, RejectsWhatIsNotARecording) {
  // A QuickTime file named .AVI: the first code is not RIFF.
  ByteWriter mov = Atom("ftyp", ByteWriter{}.Raw("qt  "));
  Walk w = RunAvi(mov);
  EXPECT_EQ(w.result, -1);
  EXPECT_EQ(w.target.width, 4321);  // untouched
  EXPECT_EQ(w.failure, "not a RIFF file");

  // No video format after the video stream header: no frame size.
  ByteWriter strl = StreamHeader("vids");
  strl.Append(Idit("2019-05-01 08:30:00"));  // consumed as the would-be strf code
  ByteWriter hdrl = MainHeader(40000, 25);
  hdrl.Append(AviList("strl", strl));
  const ByteWriter file = AviFile(AviList("hdrl", hdrl));  // "RIFF", its size, "AVI ", the list
  w = RunAvi(file);
  EXPECT_EQ(w.result, -1);
  EXPECT_EQ(w.state.width, 0);
  EXPECT_EQ(w.target.width, 4321);

  // A movi list claiming to run past the end of the file: cut off while writing.
  ByteWriter movi = AviList("movi", ByteWriter{}.Zeros(64));
  movi.PatchU32LE(4, 100000);
  w = RunAvi(AviRecording(movi));
  EXPECT_EQ(w.result, -1);
  EXPECT_EQ(w.state.width, 640);
  EXPECT_EQ(w.failure, "movi list runs past the end of the file");

  // A movi list ending exactly at the end of the file is fine.
  w = RunAvi(AviRecording(AviList("movi", ByteWriter{}.Zeros(64))));
  EXPECT_EQ(w.result, 0);
}

TEST(AviWalk, DateTextWinsOverGpsClockInEitherOrder) {
  ScopedTz tz("UTC");
  const ByteWriter gps = AviChunk("gps0", GpsRecords({ClockRecord(2020, 1, 2, 3, 4, 5)}));
  ByteWriter before;
  before.Append(Idit("2019-05-01 08:30:00")).Append(gps);
  ByteWriter after;
  after.Append(gps).Append(Idit("2019-05-01 08:30:00"));
  EXPECT_EQ(RunAvi(AviRecording(before)).target.startTime, Utc(2019, 5, 1, 8, 30, 0));
  EXPECT_EQ(RunAvi(AviRecording(after)).target.startTime, Utc(2019, 5, 1, 8, 30, 0));
}

TEST(AviWalk, InvalidDateTextTakesTheFileTime) {
  ScopedTz tz("UTC");
  for (const char* text : {"1899-12-31 23:59:59", "", "2019-13-01 08:30:00", "2019-05-01 24:00:00", "garbage"}) {
    const Walk w = RunAvi(AviRecording(Idit(text)));
    ASSERT_EQ(w.result, 0) << text;
    EXPECT_EQ(w.target.startTime, kModified) << text;
  }
  // With no file time to fall back on, the invalid date cannot become a time.
  const Walk w = RunAvi(AviRecording(Idit("1899-12-31 23:59:59")), std::nullopt);
  EXPECT_EQ(w.result, -1);
  // A valid text needs no file time.
  EXPECT_EQ(RunAvi(AviRecording(Idit("2019-05-01 08:30:00")), std::nullopt).result, 0);
}

TEST(AviWalk, StartTimeFromFirstValidGpsClock) {
  ScopedTz tz("UTC");
  std::vector<GpsSample> gps(12);
  gps[10] = ClockRecord(2019, 5, 1, 8, 30, 10);
  gps[11] = ClockRecord(2019, 5, 1, 8, 30, 59);
  gps[3].year = 19;  // a record with a year but an invalid clock is passed over
  gps[3].month = 13;
  // The rate known when the block is met counts: gpsa 2 before gps0.
  ByteWriter body;
  body.Append(Rate("gpsa", 2)).Append(AviChunk("gps0", GpsRecords(gps)));
  EXPECT_EQ(RunAvi(AviRecording(body)).target.startTime, Utc(2019, 5, 1, 8, 30, 5));
  // gpsa after the records: the rate was still 1 when they were read.
  ByteWriter late;
  late.Append(AviChunk("gps0", GpsRecords(gps))).Append(Rate("gpsa", 2));
  EXPECT_EQ(RunAvi(AviRecording(late)).target.startTime, Utc(2019, 5, 1, 8, 30, 0));
  // Record 3 first valid, rate 2: 3 / 2 = 1 s (integer division).
  std::vector<GpsSample> three(4);
  three[3] = ClockRecord(2019, 5, 1, 8, 30, 10);
  ByteWriter b3;
  b3.Append(Rate("gpsa", 2)).Append(AviChunk("gps0", GpsRecords(three)));
  EXPECT_EQ(RunAvi(AviRecording(b3)).target.startTime, Utc(2019, 5, 1, 8, 30, 9));
  // No date text and no clock: 0.
  EXPECT_EQ(RunAvi(AviRecording(AviChunk("gps0", GpsRecords(std::vector<GpsSample>(5))))).target.startTime, 0);
}

TEST(AviWalk, UnknownCodesStepEarlyAndEndTheWalkLate) {
  // An unknown chunk early on: the walk steps through it 4 bytes at a time
  // and still meets the chunks after it.
  ByteWriter early;
  early.Append(AviChunk("ZZZZ", ByteWriter{}.Zeros(40))).Append(Rate("gsea", 7));
  Walk w = RunAvi(AviRecording(early));
  ASSERT_EQ(w.result, 0);
  EXPECT_EQ(w.target.gseaValue, 7u);

  // An unknown code at 30000 ends the walk; the frame size was already found.
  ByteWriter late;
  late.Append(AviChunk("JUNK", ByteWriter{}.Zeros(30000)));
  late.Append(AviChunk("ZZZZ", ByteWriter{}.Zeros(8))).Append(Rate("gsea", 7));
  w = RunAvi(AviRecording(late));
  ASSERT_EQ(w.result, 0);
  EXPECT_EQ(w.target.gseaValue, 0u);

  // The limit is 20932: a code read at 20924 (pos 20928 after it) still steps.
  ByteWriter edge;
  const std::size_t header = AviRecording(ByteWriter{}).size();
  edge.Append(AviChunk("JUNK", ByteWriter{}.Zeros(20924 - header - 8)));
  ASSERT_EQ(header + edge.Size(), 20924u);
  edge.Raw("ZZZZ").Append(Rate("gsea", 9));
  EXPECT_EQ(RunAvi(AviRecording(edge)).target.gseaValue, 9u);
  ByteWriter past;
  past.Append(AviChunk("JUNK", ByteWriter{}.Zeros(20928 - header - 8)));
  past.Raw("ZZZZ").Append(Rate("gsea", 9));
  EXPECT_EQ(RunAvi(AviRecording(past)).target.gseaValue, 0u);
}

TEST(AviWalk, OddGpsBlockResumesAtTheLastWholeRecord) {
  ScopedTz tz("UTC");
  // 70 bytes: records 0 and 1, then the next code is read at gpsOffset + 64.
  ByteWriter payload = GpsRecords({GpsSample{}, ClockRecord(2019, 5, 1, 8, 30, 10)});
  payload.Raw("gsen").U16LE(3);  // bytes 64..69 of the block
  ByteWriter body;
  body.Append(AviChunk("gps0", payload));
  ASSERT_EQ(payload.Size(), 70u);
  body.U16LE(0).Zeros(3);  // upper half of the size read at 68, then 3 bytes of records
  const Walk w = RunAvi(AviRecording(body));
  ASSERT_EQ(w.result, 0);
  EXPECT_EQ(w.target.gpsSize, 70u);
  EXPECT_EQ(w.target.startTime, Utc(2019, 5, 1, 8, 30, 9));  // record 1 at rate 1
  EXPECT_EQ(w.target.gsensorOffset, w.target.gpsOffset + 72);
  EXPECT_EQ(w.target.gsensorSize, 3u);
}

TEST(AviWalk, LongDateTextIsCutButSteppedOverWhole) {
  ScopedTz tz("UTC");
  ByteWriter text;
  text.Raw("2019-05-01 08:30:00").Zeros(81);  // 100 bytes
  ByteWriter body = AviChunk("IDIT", text);
  body.Append(Rate("gsea", 5));
  Walk w = RunAvi(AviRecording(body));
  ASSERT_EQ(w.result, 0);
  EXPECT_EQ(w.target.startTime, Utc(2019, 5, 1, 8, 30, 0));
  EXPECT_EQ(w.target.gseaValue, 5u);

  // 64 bytes without a terminator fill the buffer exactly.
  ByteWriter full;
  full.Raw("2019-05-01 08:30:00").Raw(std::string(45, 'x'));
  w = RunAvi(AviRecording(AviChunk("IDIT", full)));
  ASSERT_EQ(w.result, 0);
  EXPECT_EQ(w.target.startTime, Utc(2019, 5, 1, 8, 30, 0));

  // A payload size far beyond the file ends the walk without reading it all.
  ByteWriter huge;
  huge.Raw("IDIT").U32LE(0xFFFFFFF0u).Raw("2019-05-01 08:30:00");
  w = RunAvi(AviRecording(huge));
  ASSERT_EQ(w.result, 0);
  EXPECT_EQ(w.target.startTime, Utc(2019, 5, 1, 8, 30, 0));
}

TEST(AviWalk, LongRecordingsDoNotWrapTheDuration) {
  // 80 minutes at 25 frames a second: 120000 x 40000 us = 4.8e9 us > 2^32.
  ByteWriter strl = StreamHeader("vids");
  strl.Append(VideoFormat(1280, 720));
  ByteWriter hdrl = MainHeader(40000, 120000);
  hdrl.Append(AviList("strl", strl));
  const ByteWriter file = AviFile(AviList("hdrl", hdrl));
  Walk w = RunAvi(file);
  ASSERT_EQ(w.result, 0);
  EXPECT_EQ(w.target.durationMs, 4800000u);
  EXPECT_EQ(w.target.durationSeconds, 4800);

  // A product beyond what 32-bit milliseconds hold saturates instead of wrapping.
  ByteWriter hdrl2 = MainHeader(0xFFFFFFFFu, 0xFFFFFFFFu);
  hdrl2.Append(AviList("strl", strl));
  const ByteWriter file2 = AviFile(AviList("hdrl", hdrl2));
  w = RunAvi(file2);
  ASSERT_EQ(w.result, 0);
  EXPECT_EQ(w.target.durationMs, 0xFFFFFFFFu);
  EXPECT_EQ(w.target.durationSeconds, static_cast<int64_t>(uint64_t{0xFFFFFFFF} * 0xFFFFFFFF / 1000 / 1000));
}

TEST(AviWalk, ShortRateBlocksGiveOnlyTheirOwnBytes) {
  ByteWriter body;
  body.Append(AviChunk("gpsa", ByteWriter{}.U16LE(0x0205)));
  body.Append(Rate("gsea", 0x0303));
  const Walk w = RunAvi(AviRecording(body));
  ASSERT_EQ(w.result, 0);
  EXPECT_EQ(w.target.gpsaValue, 0x0205u);  // not the bytes of the gsea chunk that follows
  EXPECT_EQ(w.target.gseaValue, 0x0303u);
}

TEST(AviWalk, ShortHeadersReadAsZeroBeyondTheirBytes) {
  // An avih of 4 bytes: frame period only, no frame count.
  ByteWriter strl = StreamHeader("vids");
  strl.Append(AviChunk("strf", ByteWriter{}.U32LE(40).U32LE(320)));  // width but no height
  ByteWriter hdrl = AviChunk("avih", ByteWriter{}.U32LE(40000));
  hdrl.Append(AviList("strl", strl));
  const ByteWriter file = AviFile(AviList("hdrl", hdrl));
  const Walk w = RunAvi(file);
  EXPECT_EQ(w.result, -1);
  EXPECT_EQ(w.state.durationMs, 0u);
  EXPECT_EQ(w.state.width, 320);
  EXPECT_EQ(w.state.height, 0);
}
