// AVI files with chunk sizes at the 32-bit edge, odd sizes, an empty movi
// list, damaged date chunks and oversized lists and blocks: the walk must end,
// stay inside the file and deliver what the readable part says, or fail
// cleanly without touching its summary target.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "CheckedSource.h"
#include "container/SampleLoader.h"

namespace {

const int64_t kTextTime = Local(2019, 5, 1, 8, 30, 0);  // also the clock of GpsRecords(n)[0]

// "RIFF" size "AVI " + the header list: the offset where the body starts.
const std::size_t kBody = 12 + AviHeaderList().size();

Bytes Avi(std::initializer_list<Bytes> afterHeaders, int64_t riffSize = -1) {
  ByteWriter body;
  body.Append(AviHeaderList());
  for (const Bytes& b : afterHeaders) body.Append(b);
  return AviFile(body.Get(), riffSize);
}

Bytes Chunk(std::string_view code, uint32_t statedSize, const Bytes& payload) {
  return AviChunk(code, payload, statedSize);
}

Bytes DateText(std::size_t n, char fill = 0) {
  ByteWriter w;
  w.Text("2019-05-01 08:30:00", 19);
  if (n < 19) return Bytes(w.Get().begin(), w.Get().begin() + static_cast<long>(n));
  w.Fill(n - 19, static_cast<uint8_t>(fill));
  return w.Take();
}

}  // namespace

TEST(MalformedAvi, TheCameraLayoutReadsCompletely) {
  // The reference the broken variants below are measured against.
  const Bytes file = MakeAvi(AviLayout{});
  const WalkOutcome out = RunWalk(Walk::Avi, file);
  EXPECT_WALK_ENDS_INSIDE(out);
  ASSERT_EQ(out.result, 0) << out.reason;
  EXPECT_EQ(out.summary.width, 1920);
  EXPECT_EQ(out.summary.height, 1080);
  EXPECT_EQ(out.summary.durationMs, 59999u);  // 1800 frames x 33,333 us
  EXPECT_EQ(out.summary.startTime, kTextTime);
  EXPECT_EQ(out.summary.gpsaValue, 1u);
  EXPECT_EQ(out.summary.gseaValue, 0x0A08u);
  EXPECT_EQ(out.summary.gpsOffset, kBody + 28 + 12 + 12 + 8);
  EXPECT_EQ(out.summary.gpsSize, 128u);
  EXPECT_EQ(out.summary.gsensorSize, 30u);
  EXPECT_EQ(out.summary.fileSize, file.size());
}

TEST(MalformedAvi, ChunkSizesNear4GiBEndTheWalk) {
  for (uint32_t size : {0x80000000u, 0xFFFFFFF0u, 0xFFFFFFFFu}) {
    for (const char* code : {"JUNK", "idx1", "indx"}) {
      SCOPED_TRACE(std::string(code) + " " + std::to_string(size));
      const Bytes file = Avi({Chunk(code, size, Bytes(8, 0)), AviChunk("gpsa", U32LEBytes(7))});
      const WalkOutcome out = RunWalk(Walk::Avi, file);
      EXPECT_WALK_ENDS_INSIDE(out);
      ASSERT_EQ(out.result, 0) << out.reason;
      EXPECT_EQ(out.summary.gpsaValue, 0u);  // behind the skipped chunk, never reached
      EXPECT_EQ(out.summary.width, 1920);
    }
    SCOPED_TRACE(size);
    // An INFO list of that size is stepped over the same way.
    const WalkOutcome info =
        RunWalk(Walk::Avi, Avi({AviList("INFO", Bytes(8, 0), size), AviChunk("gpsa", U32LEBytes(7))}));
    EXPECT_WALK_ENDS_INSIDE(info);
    ASSERT_EQ(info.result, 0);
    EXPECT_EQ(info.summary.gpsaValue, 0u);

    // A movi list of that size runs past the end: a cut-off recording.
    const WalkOutcome movi = RunWalk(Walk::Avi, Avi({AviList("movi", Bytes(16, 0), size)}));
    EXPECT_WALK_ENDS_INSIDE(movi);
    EXPECT_EQ(movi.result, -1);
    EXPECT_EQ(movi.reason, "movi list runs past the end of the file");
    EXPECT_EQ(movi.summary.fileSize, 0xDEADBEEFu) << "a failed walk wrote its summary target";
  }
}

TEST(MalformedAvi, BlocksAndTextsClaiming4GiB) {
  // The date text is read up to its buffer's size; the GPS block's records
  // that are in the file still give nothing (the date came first); the loader
  // refuses both oversized blocks.
  const Bytes file = Avi({AviChunk("gsen", GSensorRecords(4), 0xFFFFFFFF)});
  const WalkOutcome gsen = RunWalk(Walk::Avi, file);
  EXPECT_WALK_ENDS_INSIDE(gsen);
  ASSERT_EQ(gsen.result, 0);
  EXPECT_EQ(gsen.summary.gsensorOffset, kBody + 8);
  EXPECT_EQ(gsen.summary.gsensorSize, 0xFFFFFFFFu);

  const Bytes gpsFile = Avi({AviChunk("gps0", GpsRecords(3), 0xFFFFFFFF)});
  const WalkOutcome gps = RunWalk(Walk::Avi, gpsFile);
  EXPECT_WALK_ENDS_INSIDE(gps);
  ASSERT_EQ(gps.result, 0);
  EXPECT_EQ(gps.summary.gpsOffset, kBody + 8);
  EXPECT_EQ(gps.summary.gpsSize, 0xFFFFFFFFu);
  EXPECT_EQ(gps.summary.startTime, kTextTime);  // the first record's clock
  MemoryByteSource source(gpsFile);
  const LoadedBlocks blocks = LoadRecordingBlocks(source, gps.summary);
  EXPECT_FALSE(blocks.gpsRead);
  EXPECT_TRUE(blocks.gps.empty());

  const WalkOutcome idit = RunWalk(Walk::Avi, Avi({AviChunk("IDIT", DateText(20), 0xFFFFFFFF)}));
  EXPECT_WALK_ENDS_INSIDE(idit);
  ASSERT_EQ(idit.result, 0);
  EXPECT_EQ(idit.summary.startTime, kTextTime);
}

TEST(MalformedAvi, HeaderValuesAtThe32BitEdge) {
  // Frame count x frame period far beyond 32 bits: computed in 64 bits, the
  // milliseconds saturate, the seconds keep the full value.
  ByteWriter strl;
  strl.Append(AviChunk("strh", AviStreamHeader("vids"))).Append(AviChunk("strf", AviBitmapHeader(0xFFFF, 0xFFFF)));
  ByteWriter hdrl;
  hdrl.Append(AviChunk("avih", AviMainHeader(0xFFFFFFFF, 0xFFFFFFFF))).Append(AviList("strl", strl.Get()));
  const Bytes file = AviFile(AviList("hdrl", hdrl.Get()));
  const WalkOutcome out = RunWalk(Walk::Avi, file);
  EXPECT_WALK_ENDS_INSIDE(out);
  ASSERT_EQ(out.result, 0);
  const uint64_t ms = uint64_t{0xFFFFFFFF} * 0xFFFFFFFF / 1000;
  EXPECT_EQ(out.summary.durationMs, std::numeric_limits<uint32_t>::max());
  EXPECT_EQ(out.summary.durationSeconds, static_cast<int64_t>(ms / 1000));
  EXPECT_EQ(out.summary.width, 0xFFFF);
  EXPECT_EQ(out.summary.height, 0xFFFF);
}

TEST(MalformedAvi, ListsAndChildrenLargerThanTheirParentOrTheFile) {
  // A header list claiming nearly 4 GiB is still walked into; a format chunk
  // claiming 4 KiB inside it gives its 40 header bytes; the chunks after the
  // list are found where they are.
  ByteWriter strl;
  strl.Append(AviChunk("strh", AviStreamHeader("vids"))).Append(AviChunk("strf", AviBitmapHeader(1280, 720), 4096));
  ByteWriter hdrl;
  hdrl.Append(AviChunk("avih", AviMainHeader(40000, 1500))).Append(AviList("strl", strl.Get(), 16));
  ByteWriter body;
  body.Append(AviList("hdrl", hdrl.Get(), 0xFFFF0000)).Append(AviChunk("gpsa", U32LEBytes(2)));
  const Bytes file = AviFile(body.Get(), 0x7FFFFFFF);
  const WalkOutcome out = RunWalk(Walk::Avi, file);
  EXPECT_WALK_ENDS_INSIDE(out);
  ASSERT_EQ(out.result, 0) << out.reason;
  EXPECT_EQ(out.summary.width, 1280);
  EXPECT_EQ(out.summary.height, 720);
  EXPECT_EQ(out.summary.durationMs, 60000u);
  EXPECT_EQ(out.summary.gpsaValue, 2u);
}

TEST(MalformedAvi, OddSizedChunks) {
  // The RIFF size is not examined: odd and wrong is fine.
  const WalkOutcome riff = RunWalk(Walk::Avi, AviFile(AviHeaderList(), 12345));
  EXPECT_WALK_ENDS_INSIDE(riff);
  EXPECT_EQ(riff.result, 0);

  // The walk adds exactly the stated size: an odd chunk written without a pad
  // byte is followed correctly...
  const Bytes unpadded = Avi({AviChunk("JUNK", Bytes(3, 0)), AviChunk("IDIT", DateText(20))});
  const WalkOutcome a = RunWalk(Walk::Avi, unpadded);
  EXPECT_WALK_ENDS_INSIDE(a);
  ASSERT_EQ(a.result, 0);
  EXPECT_EQ(a.summary.startTime, kTextTime);

  // ...while after a pad byte the next code is read one byte early and the
  // rest of the file is stepped over as unknown codes: the walk still ends,
  // and the frame size found before keeps the recording.
  const Bytes padded = Avi({AviChunk("JUNK", Bytes(3, 0)), Bytes(1, 0), AviChunk("IDIT", DateText(20))});
  const WalkOutcome b = RunWalk(Walk::Avi, padded);
  EXPECT_WALK_ENDS_INSIDE(b);
  ASSERT_EQ(b.result, 0);
  EXPECT_EQ(b.summary.startTime, 0);
  EXPECT_EQ(b.summary.width, 1920);
}

TEST(MalformedAvi, EmptyMoviList) {
  // A movi list of size 0 ends where its type begins: the walk steps through
  // the stream data as unknown codes and meets the GPS block behind it.
  ByteWriter data;
  for (int i = 0; i < 4; ++i) data.Raw("00dc").U32LE(24).Zeros(24);
  const Bytes movi = Concat({ByteWriter().Raw("LIST").U32LE(0).Raw("movi").Take(), data.Get()});
  const Bytes file = Avi({movi, AviChunk("gps0", GpsRecords(2))});
  const WalkOutcome out = RunWalk(Walk::Avi, file);
  EXPECT_WALK_ENDS_INSIDE(out);
  ASSERT_EQ(out.result, 0) << out.reason;
  EXPECT_EQ(out.summary.gpsOffset, kBody + movi.size() + 8);
  EXPECT_EQ(out.summary.gpsSize, 64u);
  EXPECT_EQ(out.summary.startTime, kTextTime);

  // The same list as the last bytes of the file.
  const WalkOutcome last = RunWalk(Walk::Avi, Avi({ByteWriter().Raw("LIST").U32LE(0).Raw("movi").Take()}));
  EXPECT_WALK_ENDS_INSIDE(last);
  EXPECT_EQ(last.result, 0);
}

TEST(MalformedAvi, DateChunksOfEveryLength) {
  struct Case {
    std::size_t size;
    char fill;
    bool valid;
  };
  // 0: no text; 19: the text without its terminator; 20: with it; 64: the
  // whole buffer; 65,535: longer than the buffer, cut to it.
  for (const Case c : {Case{0, 0, false}, Case{19, 0, true}, Case{20, 0, true}, Case{64, 0, true}, Case{65535, 0, true},
                       Case{65535, '9', true}}) {
    SCOPED_TRACE("IDIT of " + std::to_string(c.size) + " bytes");
    // The GPS block carries a clock too; once a date chunk is met it no
    // longer counts, valid text or not.
    GpsRecordSpec other;
    other.year = 20;
    const Bytes file = Avi({AviChunk("IDIT", DateText(c.size, c.fill)), AviChunk("gps0", GpsRecord(other))});
    const WalkOutcome out = RunWalk(Walk::Avi, file);
    EXPECT_WALK_ENDS_INSIDE(out);
    ASSERT_EQ(out.result, 0) << out.reason;
    EXPECT_EQ(out.summary.startTime, c.valid ? kTextTime : FromFileTime(kFileTime));
    // The walk steps over exactly the stated size: the block behind the text
    // is found, even far past the point where unknown codes end the walk.
    EXPECT_EQ(out.summary.gpsOffset, kBody + 8 + c.size + 8);
    EXPECT_EQ(out.summary.gpsSize, 32u);
  }

  // A text that fills the whole buffer without a terminator stays inside it.
  const WalkOutcome nines = RunWalk(Walk::Avi, Avi({AviChunk("IDIT", Bytes(65535, '9'))}));
  EXPECT_WALK_ENDS_INSIDE(nines);
  ASSERT_EQ(nines.result, 0);
  EXPECT_EQ(nines.summary.startTime, FromFileTime(kFileTime));

  // An invalid text without a file time to fall back on: a clean failure.
  const WalkOutcome noTime = RunWalk(Walk::Avi, Avi({AviChunk("IDIT", Bytes())}), std::nullopt);
  EXPECT_EQ(noTime.result, -1);
  EXPECT_FALSE(noTime.reason.empty());
  EXPECT_EQ(noTime.summary.fileSize, 0xDEADBEEFu);
}

TEST(MalformedAvi, GpsBlockLargerThanTheFile) {
  // The G-sensor block comes first and is whole; the GPS block claims 64 KiB
  // with three records in the file. The start time comes from the records that
  // are there; the loader takes the G-sensor block and refuses the GPS block.
  const Bytes file = Avi({AviChunk("gsen", GSensorRecords(8)), AviChunk("gps0", GpsRecords(3), 0x10000)});
  const WalkOutcome out = RunWalk(Walk::Avi, file);
  EXPECT_WALK_ENDS_INSIDE(out);
  ASSERT_EQ(out.result, 0);
  EXPECT_EQ(out.summary.gpsSize, 0x10000u);
  EXPECT_EQ(out.summary.startTime, kTextTime);
  MemoryByteSource source(file);
  const LoadedBlocks blocks = LoadRecordingBlocks(source, out.summary);
  EXPECT_FALSE(blocks.gpsRead);
  EXPECT_TRUE(blocks.gps.empty());
  ASSERT_TRUE(blocks.gsensorRead);
  EXPECT_EQ(blocks.gsensor.size(), 8u);

  // A block whose offset plus size wraps around 64 bits is refused too.
  RecordingSummary wrapped = out.summary;
  wrapped.gpsOffset = ~uint64_t{0} - 16;
  wrapped.gpsSize = 64;
  wrapped.gsensorOffset = ~uint64_t{0};
  wrapped.gsensorSize = 0xFFFFFFFF;
  const LoadedBlocks none = LoadRecordingBlocks(source, wrapped);
  EXPECT_FALSE(none.gpsRead);
  EXPECT_FALSE(none.gsensorRead);
}
