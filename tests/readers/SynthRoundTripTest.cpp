// Synthesizer -> reader: what trk_synth writes is what the walks find.
#include <gtest/gtest.h>

#include <cmath>

#include "fileio/ByteSource.h"
#include "container/RecordingFile.h"
#include "library/RecordingListing.h"
#include "container/SampleLoader.h"
#include "Synth.h"
#include "TempFolder.h"
#include "TestBytes.h"

namespace {

SynthOptions Small() {
  SynthOptions o;
  o.durationMs = 4000;
  o.width = 320;
  o.height = 240;
  o.fps = 25;
  return o;
}

bool SameRecord(const GpsSample& a, const GpsSample& b) {
  uint8_t x[32], y[32];
  EncodeGpsSample(a, x);
  EncodeGpsSample(b, y);
  return std::memcmp(x, y, 32) == 0;
}

void ExpectMatches(const RecordingSummary& s, const SynthReport& r) {
  EXPECT_EQ(s.gpsOffset, r.gpsOffset);
  EXPECT_EQ(s.gpsSize, r.gpsSize);
  EXPECT_EQ(s.gsensorOffset, r.gsensorOffset);
  EXPECT_EQ(s.gsensorSize, r.gsensorSize);
  EXPECT_EQ(s.gpsaValue, r.gpsaValue);
  EXPECT_EQ(s.gseaValue, r.gseaValue);
  EXPECT_EQ(s.fileSize, r.fileSize);
  EXPECT_EQ(s.startTime, r.startTime);
  EXPECT_EQ(s.durationMs, r.videoMs);
  EXPECT_EQ(s.durationSeconds, r.videoMs / 1000);
}

void ExpectSamples(const std::string& path, const RecordingSummary& s, const SynthReport& r) {
  const LoadedBlocks b = LoadRecordingBlocks(path, s);
  ASSERT_TRUE(b.gpsRead);
  ASSERT_TRUE(b.gsensorRead);
  ASSERT_EQ(b.gps.size(), r.gps.size());
  for (std::size_t i = 0; i < r.gps.size(); ++i) EXPECT_TRUE(SameRecord(b.gps[i], r.gps[i])) << i;
  ASSERT_EQ(b.gsensor.size(), r.gsensor.size());
  for (std::size_t i = 0; i < r.gsensor.size(); ++i) {
    EXPECT_EQ(b.gsensor[i].x, r.gsensor[i].x);
    EXPECT_EQ(b.gsensor[i].y, r.gsensor[i].y);
    EXPECT_EQ(b.gsensor[i].z, r.gsensor[i].z);
  }
}

}  // namespace

TEST(SynthRoundTrip, AviAndMovCarryWhatWasWritten) {
  ScopedTz tz("JST-9");
  TempFolder tmp;
  SynthOptions o = Small();
  o.gpsRate = 2;
  o.gsensorRate = 20;
  o.gsensorRange = 4;
  o.hardBrake = true;
  o.hardBrakeAt = 2;
  for (const char* name : {"FILE0001.AVI", "FILE0002.MOV"}) {
    const std::string path = tmp / name;
    const SynthReport r = WriteSynthRecording(path, o);
    EXPECT_EQ(r.gps.size(), 8u);
    EXPECT_EQ(r.gsensor.size(), 80u);
    EXPECT_EQ(r.gpsaValue, 2u);
    EXPECT_EQ(r.gseaValue, 0x0414u);
    RecordingSummary s;
    RecordingFile reader(&s);
    const bool avi = r.container == SynthContainer::Avi;
    ASSERT_EQ(avi ? reader.ParseAvi(path) : reader.ParseMov(path), 0) << name;
    EXPECT_EQ(s.width, 320);
    EXPECT_EQ(s.height, 240);
    EXPECT_EQ(r.videoMs, 4000u);
    EXPECT_EQ(s.startTime, LocalCalendarToTime(2024, 4, 12, 8, 30, 0));
    ExpectMatches(s, r);
    ExpectSamples(path, s, r);
  }
}

// The library's listing finds the same in a recording of any length with at
// most 4 reads and 16 KiB (GPS and G-sensor blocks of 10 minutes outgrow the
// first read).
TEST(SynthRoundTrip, TheListingReadsAFewSmallPieces) {
  TempFolder tmp;
  for (uint32_t minutes : {1u, 10u}) {
    for (const char* name : {"FILE0001.AVI", "FILE0002.MOV"}) {
      SynthOptions o = Small();
      o.durationMs = minutes * 60000;
      o.videoMs = 1000;
      const std::string path = tmp / name;
      const SynthReport r = WriteSynthRecording(path, o);
      ListingSource source;
      ASSERT_TRUE(source.Open(path));
      RecordingListing listing;
      ReadRecordingListing(source, r.container == SynthContainer::Avi ? ContainerKind::Avi : ContainerKind::QuickTime,
                           false, listing);
      ASSERT_TRUE(listing.listed) << name;
      ExpectMatches(listing.summary, r);
      EXPECT_TRUE(listing.cutReason.empty());
      EXPECT_LE(source.ReadCalls(), 4u) << name << ", " << minutes << " min";
      EXPECT_LE(source.BytesRead(), 16u * 1024) << name << ", " << minutes << " min";
    }
  }
}

TEST(SynthRoundTrip, TheDriveLooksLikeADrive) {
  SynthOptions o = Small();
  o.durationMs = 60000;
  o.gpsRate = 1;
  o.noFixRecords = 3;
  o.hardBrake = true;
  o.hardBrakeAt = 30;
  const auto gps = SynthGpsTrack(o);
  ASSERT_EQ(gps.size(), 60u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(gps[i].status, 0);
    EXPECT_EQ(gps[i].year, 0);
  }
  int moving = 0;
  for (std::size_t i = 3; i < gps.size(); ++i) {
    double lat = gps[i].latitude, lon = gps[i].longitude;
    ASSERT_TRUE(IsUsableGpsSample(gps[i]));
    ASSERT_TRUE(ConvertNmeaPosition(lat, lon));
    EXPECT_NEAR(lat, 35.68, 0.03);
    EXPECT_NEAR(lon, 139.765, 0.03);
    EXPECT_LE(gps[i].speed, 60);
    EXPECT_LT(gps[i].heading, 180);
    moving += gps[i].speed > 5;
    if (i > 3) {
      // The distance between fixes fits the speeds.
      double plat = gps[i - 1].latitude, plon = gps[i - 1].longitude;
      ConvertNmeaPosition(plat, plon);
      const double metres = std::hypot((lat - plat) * 111320.0, (lon - plon) * 111320.0 * std::cos(lat * M_PI / 180));
      EXPECT_LE(metres, 60 / 3.6 + 2) << i;
    }
  }
  EXPECT_GT(moving, 20);
  // The braking at 30 s shows as a strong deceleration in x and a drop in speed.
  const auto g = SynthGSensorTrace(o);
  int strongest = 0;
  for (std::size_t j = 300; j < 340; ++j) strongest = std::min<int>(strongest, g[j].x);
  EXPECT_LE(strongest * 8.0 / 128.0, -0.6);
  for (std::size_t j = 0; j < 250; ++j) EXPECT_GT(g[j].x * 8.0 / 128.0, -0.4) << j;
  for (const GSensorSample& s : g) EXPECT_NEAR(s.z * 8.0 / 128.0, 1.0, 0.15);
  EXPECT_LT(gps[36].speed, gps[29].speed);
}

TEST(SynthLayouts, AviDateTextVariants) {
  ScopedTz tz("UTC");
  TempFolder tmp;
  SynthOptions o = Small();
  const int64_t start = LocalCalendarToTime(2024, 4, 12, 8, 30, 0);
  struct Case {
    SynthIdit idit;
    int64_t expected;
  } cases[] = {
      {SynthIdit::None, start},         // GPS clock, record 2 minus 2 s
      {SynthIdit::Invalid, start + 4},  // the file time, which the camera leaves at the end
      {SynthIdit::Empty, start + 4},
      {SynthIdit::Before1900, start + 4},
  };
  for (const Case& c : cases) {
    o.idit = c.idit;
    const std::string path = tmp / "FILE.AVI";
    WriteSynthRecording(path, o);
    RecordingSummary s;
    RecordingFile reader(&s);
    ASSERT_EQ(reader.ParseAvi(path), 0);
    EXPECT_EQ(s.startTime, c.expected) << static_cast<int>(c.idit);
  }
  // No date text and no GPS clock: no start time.
  o.idit = SynthIdit::None;
  o.gpsClock = false;
  WriteSynthRecording(tmp / "NOCLOCK.AVI", o);
  RecordingSummary s;
  RecordingFile reader(&s);
  ASSERT_EQ(reader.ParseAvi(tmp / "NOCLOCK.AVI"), 0);
  EXPECT_EQ(s.startTime, 0);
}

TEST(SynthLayouts, AviLayoutEdges) {
  ScopedTz tz("UTC");
  TempFolder tmp;
  auto parse = [&](const std::string& layout, RecordingSummary& s, SynthReport* report = nullptr) {
    SynthOptions o = Small();
    o.layout = layout;
    const SynthReport r = WriteSynthRecording(tmp / "E.AVI", o);
    if (report) *report = r;
    RecordingFile reader(&s);
    return reader.ParseAvi(tmp / "E.AVI");
  };
  RecordingSummary s;
  EXPECT_EQ(parse("hdrl-nostrf,gpsa,gsea,gps0,gsen,movi,idx1", s), -1);
  EXPECT_EQ(parse("hdrl,gpsa,gsea,gps0,gsen,movi-truncated", s), -1);

  SynthReport r;
  s = {};
  ASSERT_EQ(parse("hdrl,unknown:64,gpsa,gsea,gps0,gsen,movi,idx1", s, &r), 0);
  ExpectMatches(s, r);
  s = {};
  ASSERT_EQ(parse("hdrl,gpsa,gsea,gps0,pad:21000,unknown:16,gsen,movi,idx1", s, &r), 0);
  EXPECT_EQ(s.gpsSize, r.gpsSize);
  EXPECT_EQ(s.gsensorSize, 0u);  // behind the unknown code past 20932
  s = {};
  ASSERT_EQ(parse("hdrl,gpsa,gsea,gps0:70,junk:2,gsen,movi,idx1", s, &r), 0);
  EXPECT_EQ(s.gpsSize, 70u);
  EXPECT_EQ(s.gsensorSize, r.gsensorSize);
  s = {};
  ASSERT_EQ(parse("hdrl,idit:100,gsen,gpsa,gsea,gps0,movi,idx1", s, &r), 0);
  ExpectMatches(s, r);
}

TEST(SynthLayouts, MovLayoutEdges) {
  ScopedTz tz("UTC");
  TempFolder tmp;
  const int64_t start = LocalCalendarToTime(2024, 4, 12, 8, 30, 0);
  auto run = [&](const std::string& layout, SynthIdit idit, bool gpsClock, RecordingSummary& atom,
                 RecordingSummary& scan) {
    SynthOptions o = Small();
    o.layout = layout;
    o.idit = idit;
    o.gpsClock = gpsClock;
    const SynthReport r = WriteSynthRecording(tmp / "E.MOV", o);
    RecordingFile a(&atom);
    RecordingFile b(&scan);
    EXPECT_EQ(a.ParseMov(tmp / "E.MOV"), 0);
    EXPECT_EQ(b.ScanMov(tmp / "E.MOV"), 0);
    return r;
  };
  RecordingSummary atom, scan;
  // Invalid date text before the movie header: the file time itself.
  run("ftyp,idit,gpsa,gsea,gps0,gsen,mdat,moov", SynthIdit::Invalid, true, atom, scan);
  EXPECT_EQ(atom.startTime, start + 4);
  // moov first: the file time less the length, which is the start again.
  SynthReport r = run("ftyp,moov,idit,gpsa,gsea,gps0,gsen,mdat", SynthIdit::Invalid, true, atom, scan);
  EXPECT_EQ(atom.startTime, start);
  ExpectMatches(atom, r);
  // A date text right before the 12-byte gpsa, no IDIT, no GPS clock.
  run("ftyp,datetext,gpsa,gsea,gps0,gsen,mdat,moov", SynthIdit::None, false, atom, scan);
  EXPECT_EQ(atom.startTime, 0);
  EXPECT_EQ(scan.startTime, start);
  // GPS clock only.
  run("ftyp,gpsa,gsea,gps0,gsen,mdat,moov", SynthIdit::None, true, atom, scan);
  EXPECT_EQ(atom.startTime, start);
  // A 64-bit mdat first: the atom walk cannot step over it, the scan finds everything behind it.
  r = run("ftyp,mdat64,moov,idit,gpsa,gsea,gps0,gsen", SynthIdit::Valid, true, atom, scan);
  EXPECT_EQ(atom.gpsSize, 0u);
  EXPECT_EQ(atom.startTime, 0);
  ExpectMatches(scan, r);
  EXPECT_EQ(scan.width, 320);
  // A size-0 mdat as the last atom, and a size-0 atom in the middle.
  r = run("ftyp,moov,idit,gpsa,gsea,gps0,gsen,mdat0", SynthIdit::Valid, true, atom, scan);
  ExpectMatches(atom, r);
  r = run("ftyp,size0:skip,idit,gpsa,gsea,gps0,gsen,mdat,moov", SynthIdit::Valid, true, atom, scan);
  ExpectMatches(atom, r);
  // An unknown atom at 25000 ends the atom walk; the scan steps over it.
  r = run("ftyp,idit,pad:25000,unknown:16,gpsa,gsea,gps0,gsen,mdat,moov", SynthIdit::Valid, true, atom, scan);
  EXPECT_EQ(atom.startTime, start);
  EXPECT_EQ(atom.gpsSize, 0u);
  ExpectMatches(scan, r);
}
