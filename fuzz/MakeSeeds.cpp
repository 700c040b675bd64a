// trk-fuzz-seeds OUTDIR: writes the seed corpora, one folder per fuzz target,
// with small hand-built files of every layout the readers meet: the camera's
// own layouts, the cases around each rule (dates, 64-bit sizes, truncation),
// and settings files as the program writes them and as users edit them.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "ContainerBytes.h"

namespace {

namespace fs = std::filesystem;

void Put(const fs::path& folder, const std::string& name, const Bytes& bytes) {
  fs::create_directories(folder);
  std::ofstream out(folder / name, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void PutText(const fs::path& folder, const std::string& name, const std::string& text) {
  Put(folder, name, Bytes(text.begin(), text.end()));
}

Bytes AviSeedBody(const Bytes& afterHeaders) {
  ByteWriter body;
  body.Append(AviHeaderList()).Append(afterHeaders);
  return AviFile(body.Get());
}

void AviSeeds(const fs::path& dir) {
  Put(dir, "camera.avi", MakeAvi(AviLayout{}));
  AviLayout noDate;
  noDate.dateText.clear();
  Put(dir, "gps-clock.avi", MakeAvi(noDate));
  AviLayout badDate;
  badDate.dateText = "1899-12-31 23:59:59";
  Put(dir, "file-time.avi", MakeAvi(badDate));
  AviLayout rate;
  rate.gpsa = 2;
  rate.gsensorRecords = 7;
  Put(dir, "rates.avi", MakeAvi(rate));
  // A cut-off recording: the movi list runs past the end.
  ByteWriter cut;
  cut.Append(AviList("movi", Bytes(32, 0), 4096));
  Put(dir, "truncated.avi", AviSeedBody(cut.Get()));
  // Unknown codes, an INFO list, an audio stream and a JUNK chunk.
  ByteWriter misc;
  misc.Raw("abcd").Append(AviList("INFO", AviChunk("ISFT", Bytes(6, 'x'))));
  misc.Append(AviChunk("JUNK", Bytes(12, 0)));
  misc.Append(AviChunk("strh", AviStreamHeader("auds"))).Append(AviChunk("strf", Bytes(18, 0)));
  misc.Append(AviChunk("gps0", GpsRecords(2))).Append(AviChunk("IDIT", Bytes(26, '2')));
  Put(dir, "misc.avi", AviSeedBody(misc.Get()));
}

void MovSeeds(const fs::path& dir) {
  Put(dir, "camera.mov", MakeMov(MovLayout{}));
  MovLayout noDate;
  noDate.dateText.clear();
  Put(dir, "gps-clock.mov", MakeMov(noDate));
  MovLayout noMoov;
  noMoov.moov = false;
  Put(dir, "no-moov.mov", MakeMov(noMoov));
  // Moov first, then an invalid date: start = file time - duration.
  ByteWriter early;
  early.Append(Atom("ftyp", Bytes(8, 0))).Append(Moov()).Append(IditAtom("0000-00-00 00:00:00"));
  early.Append(ValueAtom("gpsa", 1)).Append(Atom("gps0", GpsRecords(2)));
  Put(dir, "moov-first.mov", early.Take());
  // A date text only the byte scan finds: 20 bytes right before gpsa.
  ByteWriter hidden;
  hidden.Append(Atom("ftyp", Bytes(8, 0))).Append(Atom("free", ByteWriter().Text("2020-02-29 23:59:59", 20).Get()));
  hidden.Append(ValueAtom("gpsa", 1)).Append(ValueAtom("gsea", 0x0A08)).Append(Moov());
  Put(dir, "scan-date.mov", hidden.Take());
  // A 64-bit mdat size, then the camera's atoms behind it.
  ByteWriter large;
  large.Append(Atom("ftyp", Bytes(8, 0)));
  large.U32BE(1).Raw("mdat").U64BE(16 + 40).Zeros(40);
  large.Append(ValueAtom("gpsa", 1)).Append(Atom("gsen", GSensorRecords(5))).Append(Moov(0, 0));
  Put(dir, "mdat64.mov", large.Take());
  // Version-1 headers and a moov whose second child is no trak.
  ByteWriter v1;
  Bytes mvhd1 = MovieHeader(0, 0);
  mvhd1[0] = 1;
  v1.Append(Atom("moov", ByteWriter().Append(Atom("mvhd", mvhd1)).Append(Atom("udta", Bytes(4, 0))).Get()));
  v1.Append(Atom("skip", Bytes(3, 0))).Append(IditAtom("2019-05-01 08:30:00"));
  Put(dir, "v1-udta.mov", v1.Take());
}

Bytes SampleInput(uint64_t gpsOffset, uint32_t gpsSize, uint64_t gsensorOffset, uint32_t gsensorSize,
                  const Bytes& file) {
  ByteWriter w;
  w.U64LE(gpsOffset).U32LE(gpsSize).U64LE(gsensorOffset).U32LE(gsensorSize).Append(file);
  return w.Take();
}

void SampleSeeds(const fs::path& dir) {
  // A file holding a GPS and a G-sensor block, with positions inside, at the
  // edge, past the end and wrapping around.
  ByteWriter file;
  file.Zeros(16).Append(GpsRecords(3)).Append(GSensorRecords(10)).Zeros(5);
  const Bytes f = file.Take();
  Put(dir, "inside", SampleInput(16, 96, 112, 30, f));
  Put(dir, "edge", SampleInput(f.size() - 32, 32, f.size() - 3, 3, f));
  Put(dir, "past-end", SampleInput(16, 0xFFFFFFFF, f.size(), 3, f));
  Put(dir, "wrap", SampleInput(~uint64_t{0} - 8, 64, ~uint64_t{0}, 0xFFFFFFFF, f));
  Put(dir, "avi", SampleInput(0, 0, 0, 0, MakeAvi(AviLayout{})));
  Put(dir, "mov", SampleInput(0, 0, 0, 0, MakeMov(MovLayout{})));
}

void SettingsSeeds(const fs::path& dir) {
  PutText(dir, "written.ini",
          "[UI]\nLANGID=JPN\nMAP=0\nMAP_ENABLE=1\nGSNR_ENABLE=1\nFolder=/media/card\n"
          "[WINPOS]\nLEFT=120\nTOP=80\nRIGHT=920\nBOTTOM=640\n");
  PutText(dir, "edited.ini",
          "\xEF\xBB\xBF; edited by hand\r\n[ ui ]\r\n  Map = 0x1F \r\nlangid='ENG'\r\nFolder=\"/tmp/x\"\r\n"
          "[WinPos]\r\nLEFT=-50\r\nRIGHT=4294967295\r\nTOP=2147483648\r\nBOTTOM=55zz\r\n[UI]\r\nMAP=7\r\n");
  PutText(dir, "broken.ini", "[UI\nMAP\n=5\n[WINPOS]]\nLEFT==3\nRIGHT=0b101\nTOP=0o17\n[\n]\nFolder=");
  PutText(dir, "empty.ini", "");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: trk-fuzz-seeds OUTDIR\n");
    return 2;
  }
  const fs::path out = argv[1];
  AviSeeds(out / "avi");
  MovSeeds(out / "mov_walk");
  MovSeeds(out / "mov_scan");
  SampleSeeds(out / "samples");
  SettingsSeeds(out / "settings");
  AviSeeds(out / "repair_avi");
  fs::create_directories(out / "repair_mov");  // cut recordings with real video come from run-fuzzers.sh
  return 0;
}
