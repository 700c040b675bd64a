// The byte scan finds the next known atom type in bulk. Here a literal model
// of the QuickTime walks, which reads 4 bytes at every tested offset, checks
// that the bulk search changes nothing, on inputs full of atom types, sizes,
// date texts and clocks in random places. Random and cut-off inputs also run
// through every walk, which must end without reading outside the bytes.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <random>

#include "fileio/ByteSource.h"
#include "container/MovCodeSearch.h"
#include "container/RecordingFile.h"
#include "container/SampleLoader.h"
#include "TestBytes.h"

namespace {

constexpr int64_t kModified = 1600000000;

class Model {
 public:
  Model(const std::vector<uint8_t>& f, bool scan) : m_f(f), m_scan(scan) {}

  int Run() {
    s.fileSize = m_f.size();
    if (m_f.empty()) return -1;
    uint64_t pos = 0;
    bool first = true;
    while (pos < m_f.size()) {
      if (!first && m_scan) pos -= 3;
      first = false;
      if (!Step(pos)) break;
      if (m_failed) return -1;
    }
    if (!m_timeSet) s.startTime = 0;
    return 0;
  }

  RecordingSummary s;

 private:
  uint8_t At(int64_t i) const { return i >= 0 && static_cast<uint64_t>(i) < m_f.size() ? m_f[i] : 0; }
  uint32_t Be(int64_t i) const { return (uint32_t(At(i)) << 24) | (At(i + 1) << 16) | (At(i + 2) << 8) | At(i + 3); }
  uint32_t Le(int64_t i) const { return At(i) | (At(i + 1) << 8) | (At(i + 2) << 16) | (uint32_t(At(i + 3)) << 24); }
  bool Is(int64_t i, const char* c) const {
    return At(i) == uint8_t(c[0]) && At(i + 1) == uint8_t(c[1]) && At(i + 2) == uint8_t(c[2]) &&
           At(i + 3) == uint8_t(c[3]);
  }
  static uint64_t Stepped(uint32_t size) { return size < 8 ? 8 : size; }

  void Text(int64_t at) {
    char text[65] = {};
    for (int i = 0; i < 20; ++i) text[i] = static_cast<char>(At(at + i));
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, se = 0;
    std::sscanf(text, "%04d-%02d-%02d %02d:%02d:%02d", &y, &mo, &d, &h, &mi, &se);
    if (y >= 1900 && IsValidClock(mo, d, h, mi, se)) {
      s.startTime = LocalCalendarToTime(y, mo, d, h, mi, se);
    } else {
      s.startTime = kModified - s.durationSeconds;  // TZ is UTC in these tests
    }
  }

  void Records(uint64_t offset, uint64_t count) {
    const uint64_t rate = GpsRateOf(s.gpsaValue);
    for (uint64_t k = 0; k < count && !m_timeSet && offset + 32 * k < m_f.size(); ++k) {
      uint8_t b[32];
      for (int i = 0; i < 32; ++i) b[i] = At(static_cast<int64_t>(offset + 32 * k + i));
      const GpsSample g = DecodeGpsSample(b);
      if (g.year != 0 && IsValidClock(g.month, g.day, g.hour, g.minute, g.second)) {
        s.startTime = LocalCalendarToTime(2000 + g.year, g.month, g.day, g.hour, g.minute, g.second) -
                      static_cast<int64_t>(k / rate);
        m_timeSet = true;
      }
    }
  }

  bool Step(uint64_t& pos) {
    const int64_t S = static_cast<int64_t>(pos) - 4;
    const int64_t c = static_cast<int64_t>(pos);
    pos += 4;
    if (Is(c, "ftyp") || Is(c, "skip") || Is(c, "mdat")) {
      pos = S + 4 + Stepped(Be(S));
    } else if (Is(c, "moov")) {
      const uint64_t next = S + 4 + Stepped(Be(S));
      pos = S + 16;
      if (Is(S + 12, "mvhd")) {
        const uint64_t span = Stepped(Be(S + 8)) - 4;
        uint8_t h[104] = {};
        for (uint64_t i = 0; i < std::min<uint64_t>(span, 104); ++i) h[i] = At(S + 16 + i);
        pos += span;
        uint64_t scale = 0, duration = 0;
        auto be32 = [&](int o) { return (uint32_t(h[o]) << 24) | (h[o + 1] << 16) | (h[o + 2] << 8) | h[o + 3]; };
        if (h[0] == 1) {
          scale = be32(20);
          duration = (uint64_t(be32(24)) << 32) | be32(28);
        } else {
          scale = be32(12);
          duration = be32(16);
        }
        if (scale) {
          const uint64_t sec = std::min<uint64_t>(duration / scale, 0xFFFFFFFFu);
          s.durationSeconds = static_cast<int64_t>(sec);
          s.durationMs = static_cast<uint32_t>(std::min<uint64_t>(sec * 1000, 0xFFFFFFFFu));
        }
      }
      const int64_t child = static_cast<int64_t>(pos);
      pos += 4;
      if (Is(child, "trak")) {
        pos += 4;
        const int64_t tk = static_cast<int64_t>(pos);
        pos += 4;
        if (Is(tk, "tkhd")) {
          const int64_t p = static_cast<int64_t>(pos);
          const int at = At(p) == 1 ? 88 : 76;
          s.width = static_cast<uint16_t>((At(p + at) << 8) | At(p + at + 1));
          s.height = static_cast<uint16_t>((At(p + at + 4) << 8) | At(p + at + 5));
        }
      }
      pos = next;
    } else if (Is(c, "IDIT")) {
      m_timeSet = true;
      Text(static_cast<int64_t>(pos));
      pos += 24;
    } else if (Is(c, "gps0") || Is(c, "gsen")) {
      const uint64_t payload = Stepped(Be(S)) - 8;
      const bool gps = Is(c, "gps0");
      const uint64_t unit = gps ? 32 : 3;
      (gps ? s.gpsOffset : s.gsensorOffset) = S + 8;
      (gps ? s.gpsSize : s.gsensorSize) = static_cast<uint32_t>(payload);
      if (gps) Records(S + 8, payload / 32);
      pos = S + 8 + unit * (payload / unit) + 4;
    } else if (Is(c, "gpsa") || Is(c, "gsea")) {
      const uint64_t size = Stepped(Be(S));
      const uint64_t n = std::min<uint64_t>(size - 8, 4);
      uint32_t v = 0;
      for (uint64_t i = 0; i < n; ++i) v |= uint32_t(At(S + 8 + i)) << (8 * i);
      (Is(c, "gpsa") ? s.gpsaValue : s.gseaValue) = v;
      pos = S + size + 4;
      if (Is(c, "gpsa") && m_scan && !m_timeSet) {
        m_timeSet = true;
        Text(S + static_cast<int64_t>(size) - 32);
      }
    } else {
      return m_scan || !(pos >= 20932 || pos >= (uint64_t{1} << 32));
    }
    return true;
  }

  const std::vector<uint8_t>& m_f;
  bool m_scan;
  bool m_timeSet = false;
  bool m_failed = false;
};

std::vector<uint8_t> RandomMovie(std::mt19937& rng) {
  static const char* kTypes[] = {"ftyp", "skip", "mdat", "moov", "IDIT", "gps0", "gpsa",
                                 "gsea", "gsen", "mvhd", "trak", "tkhd", "free", "wide"};
  std::uniform_int_distribution<int> byte(0, 255);
  const std::size_t size = std::uniform_int_distribution<std::size_t>(0, 6000)(rng);
  std::vector<uint8_t> f(size);
  for (auto& b : f) b = static_cast<uint8_t>(byte(rng) < 200 ? 0 : byte(rng));
  const int plants = std::uniform_int_distribution<int>(0, 40)(rng);
  for (int i = 0; i < plants && size >= 40; ++i) {
    const std::size_t at = std::uniform_int_distribution<std::size_t>(0, size - 40)(rng);
    const int kind = std::uniform_int_distribution<int>(0, 20)(rng);
    if (kind < 14) {
      const char* t = kTypes[kind];
      uint32_t s = 0;
      switch (std::uniform_int_distribution<int>(0, 4)(rng)) {
        case 0:
          s = std::uniform_int_distribution<uint32_t>(0, 9)(rng);
          break;
        case 1:
          s = std::uniform_int_distribution<uint32_t>(8, 200)(rng);
          break;
        case 2:
          s = std::uniform_int_distribution<uint32_t>(8, static_cast<uint32_t>(size))(rng);
          break;
        case 3:
          s = 0xFFFFFFF0u + std::uniform_int_distribution<uint32_t>(0, 15)(rng);
          break;
        default:
          s = 12;
          break;
      }
      for (int k = 0; k < 4; ++k) f[at + k] = uint8_t(s >> (24 - 8 * k));
      std::memcpy(&f[at + 4], t, 4);
    } else if (kind < 17) {
      char text[24];
      std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d",
                    std::uniform_int_distribution<int>(1890, 2030)(rng), std::uniform_int_distribution<int>(0, 13)(rng),
                    std::uniform_int_distribution<int>(0, 32)(rng), std::uniform_int_distribution<int>(0, 24)(rng),
                    std::uniform_int_distribution<int>(0, 60)(rng), std::uniform_int_distribution<int>(0, 60)(rng));
      std::memcpy(&f[at], text, 20);
    } else {
      uint8_t rec[32];
      GpsSample g = ClockRecord(2019, std::uniform_int_distribution<int>(1, 13)(rng), 5, 8, 30, 0);
      EncodeGpsSample(g, rec);
      std::memcpy(&f[at], rec, 32);
    }
  }
  return f;
}

void ExpectSame(const RecordingSummary& a, const RecordingSummary& b, int iteration) {
  EXPECT_EQ(a.gpsOffset, b.gpsOffset) << iteration;
  EXPECT_EQ(a.gpsSize, b.gpsSize) << iteration;
  EXPECT_EQ(a.gsensorOffset, b.gsensorOffset) << iteration;
  EXPECT_EQ(a.gsensorSize, b.gsensorSize) << iteration;
  EXPECT_EQ(a.width, b.width) << iteration;
  EXPECT_EQ(a.height, b.height) << iteration;
  EXPECT_EQ(a.startTime, b.startTime) << iteration;
  EXPECT_EQ(a.durationSeconds, b.durationSeconds) << iteration;
  EXPECT_EQ(a.durationMs, b.durationMs) << iteration;
  EXPECT_EQ(a.fileSize, b.fileSize) << iteration;
  EXPECT_EQ(a.gpsaValue, b.gpsaValue) << iteration;
  EXPECT_EQ(a.gseaValue, b.gseaValue) << iteration;
}

}  // namespace

TEST(ScanModel, BulkSearchMatchesTheByteByByteScan) {
  ScopedTz tz("UTC");
  std::mt19937 rng(20240412);
  for (int i = 0; i < 3000; ++i) {
    const std::vector<uint8_t> f = RandomMovie(rng);
    for (bool scan : {false, true}) {
      Model model(f, scan);
      const int expected = model.Run();
      MemoryByteSource source(f, kModified);
      RecordingSummary got;
      RecordingFile reader(&got);
      const int result = scan ? reader.ScanMov(source) : reader.ParseMov(source);
      ASSERT_EQ(result, expected) << i;
      if (result == 0) ExpectSame(got, model.s, i);
      if (HasFailure()) {
        if (std::getenv("TRK_DUMP")) {
          std::FILE* out = std::fopen(std::getenv("TRK_DUMP"), "wb");
          std::fwrite(f.data(), 1, f.size(), out);
          std::fclose(out);
          std::fprintf(stderr, "scan=%d\n", scan);
        }
        return;
      }
    }
  }
}

TEST(ScanModel, BlockSearchFindsEveryTypeAtEveryPlace) {
  for (const char* t : {"ftyp", "skip", "mdat", "moov", "IDIT", "gps0", "gpsa", "gsea", "gsen"}) {
    for (std::size_t size : {4u, 5u, 15u, 16u, 17u, 31u, 32u, 33u, 34u, 64u, 65u, 100u}) {
      for (std::size_t at = 0; at + 4 <= size; ++at) {
        std::vector<uint8_t> b(size, 'g');  // first letters everywhere, but no full type
        b[at] = static_cast<uint8_t>(t[0]);
        std::memcpy(&b[at], t, 4);
        EXPECT_EQ(FindKnownMovCodeIn(b.data(), b.size()), at) << t << " " << size << " " << at;
      }
      std::vector<uint8_t> none(size, 'g');
      EXPECT_EQ(FindKnownMovCodeIn(none.data(), none.size()), size);
    }
  }
  // Near misses: every other byte value in each of the four places.
  for (const char* t : {"ftyp", "skip", "mdat", "moov", "IDIT", "gps0", "gpsa", "gsea", "gsen"}) {
    for (int place = 0; place < 4; ++place) {
      for (int v = 0; v < 256; ++v) {
        if (v == static_cast<uint8_t>(t[place])) continue;
        std::vector<uint8_t> b(70, 'x');
        std::memcpy(&b[33], t, 4);
        b[33 + place] = static_cast<uint8_t>(v);
        const std::size_t at = FindKnownMovCodeIn(b.data(), b.size());
        EXPECT_TRUE(at == b.size() || IsKnownMovCode(&b[at])) << t << place << v;
      }
    }
  }
  // A type split across the end of the bytes given is not found.
  const uint8_t partial[] = {'x', 'x', 'g', 'p', 's'};
  EXPECT_EQ(FindKnownMovCodeIn(partial, sizeof partial), sizeof partial);
}

TEST(ScanModel, VectorSearchAgreesWithThePortableOne) {
  std::mt19937 rng(99);
  static const char* kTypes[] = {"ftyp", "skip", "mdat", "moov", "IDIT", "gps0", "gpsa", "gsea", "gsen"};
  // Letters of the types, so that pairs and near misses are frequent.
  const std::string alphabet = "ftypskimdaoIDTgse0n";
  for (int i = 0; i < 20000; ++i) {
    std::vector<uint8_t> b(std::uniform_int_distribution<std::size_t>(0, 300)(rng));
    for (auto& x : b) x = static_cast<uint8_t>(alphabet[rng() % alphabet.size()]);
    if (b.size() >= 4 && rng() % 2) std::memcpy(&b[rng() % (b.size() - 3)], kTypes[rng() % 9], 4);
    const std::size_t expected = FindKnownMovCodeInPortably(b.data(), b.size());
    for (const char* variant : {"avx2", "ssse3", "best"}) {
      if (!SelectMovCodeSearch(variant)) continue;
      ASSERT_EQ(FindKnownMovCodeIn(b.data(), b.size()), expected) << variant << " " << i;
    }
  }
  SelectMovCodeSearch("best");
}

TEST(ScanModel, EveryWalkEndsOnRandomAndCutOffInput) {
  ScopedTz tz("UTC");
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> byte(0, 255);
  int accepted = 0;
  int blocksRead = 0;
  for (int i = 0; i < 2000; ++i) {
    std::vector<uint8_t> f(std::uniform_int_distribution<std::size_t>(0, 3000)(rng));
    for (auto& b : f) b = static_cast<uint8_t>(byte(rng));
    if (f.size() >= 12 && i % 2)
      std::memcpy(f.data(),
                  "RIFF\xff\xff\xff\xff"
                  "AVI ",
                  12);
    // Sprinkle AVI codes with random sizes.
    static const char* kCodes[] = {"LIST", "hdrl", "strl", "avih", "movi", "strh", "strf", "vids", "auds",
                                   "idx1", "JUNK", "indx", "IDIT", "gps0", "gpsa", "gsea", "gsen"};
    for (int k = 0; k < 30 && f.size() >= 16; ++k) {
      const std::size_t at = std::uniform_int_distribution<std::size_t>(0, f.size() - 8)(rng) & ~std::size_t{3};
      std::memcpy(&f[at], kCodes[std::uniform_int_distribution<int>(0, 16)(rng)], 4);
    }
    // Every third input also holds GPS and G-sensor blocks whose sizes fit
    // what follows them, as an AVI chunk (size after the code) and as a
    // QuickTime atom (size before it) at once.
    for (int k = 0; k < 3 && i % 3 == 0 && f.size() >= 64; ++k) {
      const std::size_t at = std::uniform_int_distribution<std::size_t>(4, f.size() - 8)(rng) & ~std::size_t{3};
      const auto payload = static_cast<uint32_t>(std::uniform_int_distribution<std::size_t>(0, f.size() - at - 8)(rng));
      std::memcpy(&f[at], k % 2 ? "gsen" : "gps0", 4);
      const uint32_t atom = payload + 8;
      const uint8_t be[4] = {uint8_t(atom >> 24), uint8_t(atom >> 16), uint8_t(atom >> 8), uint8_t(atom)};
      const uint8_t le[4] = {uint8_t(payload), uint8_t(payload >> 8), uint8_t(payload >> 16), uint8_t(payload >> 24)};
      std::memcpy(&f[at - 4], be, 4);
      std::memcpy(&f[at + 4], le, 4);
    }
    MemoryByteSource source(f, kModified);
    for (const char* walk : {"avi", "mov", "scan"}) {
      SCOPED_TRACE(std::string(walk) + " walk of input " + std::to_string(i) + ", " + std::to_string(f.size()) +
                   " bytes");
      RecordingSummary summary;
      summary.fileSize = 0xDEADBEEF;
      RecordingFile reader(&summary);
      const int result = walk[0] == 'a'   ? reader.ParseAvi(source)
                         : walk[0] == 'm' ? reader.ParseMov(source)
                                          : reader.ScanMov(source);
      ASSERT_TRUE(result == 0 || result == -1) << result;
      if (f.empty()) {
        EXPECT_EQ(result, -1);
      }
      if (result != 0) {
        // A failed walk says why and leaves the summary as it was.
        EXPECT_NE(reader.FailureReason(), nullptr);
        EXPECT_EQ(summary.fileSize, 0xDEADBEEFu);
        continue;
      }
      EXPECT_EQ(reader.FailureReason(), nullptr);
      EXPECT_EQ(summary.fileSize, f.size());
      ++accepted;
      // A block is read exactly when it lies inside the file, and what is
      // read are the file's own bytes.
      const LoadedBlocks blocks = LoadRecordingBlocks(source, summary);
      const auto inside = [&](uint64_t offset, uint32_t size) {
        return size != 0 && offset <= f.size() && size <= f.size() - offset;
      };
      EXPECT_EQ(blocks.gpsRead, inside(summary.gpsOffset, summary.gpsSize));
      EXPECT_EQ(blocks.gsensorRead, inside(summary.gsensorOffset, summary.gsensorSize));
      blocksRead += blocks.gpsRead + blocks.gsensorRead;
      if (blocks.gpsRead) {
        ASSERT_EQ(blocks.gps.size(), summary.gpsSize / kGpsRecordSize);
        for (std::size_t k = 0; k < blocks.gps.size(); ++k)
          EXPECT_EQ(blocks.gps[k].status, f[summary.gpsOffset + k * kGpsRecordSize + 29]);
      }
      if (blocks.gsensorRead) {
        ASSERT_EQ(blocks.gsensor.size(), summary.gsensorSize / kGSensorRecordSize);
        for (std::size_t k = 0; k < blocks.gsensor.size(); ++k)
          EXPECT_EQ(blocks.gsensor[k].z, static_cast<int8_t>(f[summary.gsensorOffset + k * kGSensorRecordSize + 2]));
      }
    }
  }
  // The inputs reach the interesting paths: walks that succeed, with blocks.
  std::printf("%d walks succeeded, %d blocks read\n", accepted, blocksRead);
  EXPECT_GT(accepted, 1000);
  EXPECT_GT(blocksRead, 100);
}
