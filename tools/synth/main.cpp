// trk-synth: writes synthetic dash-camera recordings and SD-card trees.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "Synth.h"
#include "TrkVersion.h"

namespace {

const char kUsage[] =
    "usage: trk-synth file OUT.AVI|OUT.MOV [options]\n"
    "       trk-synth card DIR [--recordings N] [--cheap] [--size WxH] [--date YYYY-MM-DD] [--with-cut]\n"
    "options of file:\n"
    "  --start \"YYYY-MM-DD hh:mm:ss\"  start in local time (default 2024-04-12 08:30:00)\n"
    "  --duration SECONDS              length (default 10)\n"
    "  --size WxH  --fps N             frame size (default 640x360) and rate (25)\n"
    "  --video-seconds S               encode only S seconds of video\n"
    "  --gps-rate N  --gsensor-rate N  --gsensor-range G\n"
    "  --drive-offset S  --route-seed N  --no-fix N  --no-gps-clock\n"
    "  --brake-at S  --accelerate-at S  --turn-at S[:left|:right]  --impact-at S\n"
    "                                  harsh moments, seconds from the start (repeatable)\n"
    "  --road-noise                    a rough road: bumps and vibration\n"
    "  --mount-pitch DEGREES           the camera pitched forward on its mount\n"
    "  --idit valid|none|invalid|empty|1899\n"
    "  --layout PIECES                 e.g. ftyp,moov,idit,gpsa,gsea,gps0,gsen,mdat64\n"
    "  --mdat-filler BYTES\n"
    "  --cut-at FRACTION               end the file there, as power loss leaves it (0 < FRACTION < 1)\n";

int Usage() {
  std::fputs(kUsage, stderr);
  return 2;
}

// --help: on standard output with status 0, as help2man expects.
int Help() {
  std::fputs(kUsage, stdout);
  std::fputs(
      "\nWrites synthetic dash-camera recordings (AVI or QuickTime/MOV with the\n"
      "camera's GPS and G-sensor chunks) and whole SD-card folder trees of them,\n"
      "for trying out and testing trk-viewer.\n"
      "\nOptions:\n"
      "  -h, --help     display this help and exit\n"
      "      --version  output version information and exit\n",
      stdout);
  return 0;
}

bool ParseSize(const std::string& s, uint16_t& w, uint16_t& h) {
  unsigned a = 0, b = 0;
  if (std::sscanf(s.c_str(), "%ux%u", &a, &b) != 2 || a > 65535 || b > 65535) return false;
  w = static_cast<uint16_t>(a);
  h = static_cast<uint16_t>(b);
  return true;
}

uint32_t Ms(const std::string& seconds) { return static_cast<uint32_t>(std::atof(seconds.c_str()) * 1000.0 + 0.5); }

int FileCommand(const std::vector<std::string>& args) {
  if (args.empty()) return Usage();
  SynthOptions o;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool hasValue = i + 1 < args.size();
    const std::string v = hasValue ? args[i + 1] : std::string();
    auto take = [&] { ++i; };
    if (a == "--no-gps-clock") {
      o.gpsClock = false;
      continue;
    }
    if (a == "--road-noise") {
      o.roadNoise = true;
      continue;
    }
    if (!hasValue) return Usage();
    if (a == "--start") {
      if (std::sscanf(v.c_str(), "%d-%d-%d %d:%d:%d", &o.year, &o.month, &o.day, &o.hour, &o.minute, &o.second) != 6)
        return Usage();
    } else if (a == "--duration")
      o.durationMs = Ms(v);
    else if (a == "--video-seconds")
      o.videoMs = Ms(v);
    else if (a == "--size") {
      if (!ParseSize(v, o.width, o.height)) return Usage();
    } else if (a == "--fps")
      o.fps = static_cast<uint32_t>(std::atoi(v.c_str()));
    else if (a == "--gps-rate")
      o.gpsRate = static_cast<uint8_t>(std::atoi(v.c_str()));
    else if (a == "--gsensor-rate")
      o.gsensorRate = static_cast<uint8_t>(std::atoi(v.c_str()));
    else if (a == "--gsensor-range")
      o.gsensorRange = static_cast<uint8_t>(std::atoi(v.c_str()));
    else if (a == "--drive-offset")
      o.driveSeconds = std::atof(v.c_str());
    else if (a == "--route-seed")
      o.routeSeed = static_cast<uint32_t>(std::atoi(v.c_str()));
    else if (a == "--no-fix")
      o.noFixRecords = std::atoi(v.c_str());
    else if (a == "--brake-at")
      o.brakeAt.push_back(std::atof(v.c_str()));
    else if (a == "--accelerate-at")
      o.accelerateAt.push_back(std::atof(v.c_str()));
    else if (a == "--impact-at")
      o.impactAt.push_back(std::atof(v.c_str()));
    else if (a == "--turn-at") {
      const std::size_t colon = v.find(':');
      const std::string side = colon == std::string::npos ? "right" : v.substr(colon + 1);
      if (side != "left" && side != "right") return Usage();
      (side == "left" ? o.leftTurnAt : o.rightTurnAt).push_back(std::atof(v.substr(0, colon).c_str()));
    } else if (a == "--mount-pitch")
      o.mountPitchDeg = std::atof(v.c_str());
    else if (a == "--layout")
      o.layout = v;
    else if (a == "--cut-at") {
      char* end = nullptr;
      o.cutAt = std::strtod(v.c_str(), &end);
      if (v.empty() || *end != '\0' || !(o.cutAt > 0 && o.cutAt < 1)) return Usage();
    } else if (a == "--mdat-filler")
      o.mdatFillerBytes = std::strtoull(v.c_str(), nullptr, 0);
    else if (a == "--idit") {
      if (v == "valid")
        o.idit = SynthIdit::Valid;
      else if (v == "none")
        o.idit = SynthIdit::None;
      else if (v == "invalid")
        o.idit = SynthIdit::Invalid;
      else if (v == "empty")
        o.idit = SynthIdit::Empty;
      else if (v == "1899")
        o.idit = SynthIdit::Before1900;
      else
        return Usage();
    } else {
      return Usage();
    }
    take();
  }
  const SynthReport r = WriteSynthRecording(args[0], o);
  std::printf("%s: %llu bytes, %u ms of video (%u frames), %zu GPS records at %llu, %zu G-sensor records at %llu\n",
              r.path.c_str(), static_cast<unsigned long long>(r.fileSize), r.videoMs, r.videoFrames, r.gps.size(),
              static_cast<unsigned long long>(r.gpsOffset), r.gsensor.size(),
              static_cast<unsigned long long>(r.gsensorOffset));
  return 0;
}

int CardCommand(const std::vector<std::string>& args) {
  if (args.empty()) return Usage();
  SynthCardOptions o;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--cheap") {
      o.cheapVideo = true;
      continue;
    }
    if (a == "--with-cut") {
      o.withCut = true;
      continue;
    }
    if (i + 1 >= args.size()) return Usage();
    const std::string v = args[++i];
    if (a == "--recordings")
      o.recordings = std::atoi(v.c_str());
    else if (a == "--size") {
      if (!ParseSize(v, o.width, o.height)) return Usage();
    } else if (a == "--date") {
      if (std::sscanf(v.c_str(), "%d-%d-%d", &o.year, &o.month, &o.day) != 3) return Usage();
    } else
      return Usage();
  }
  const auto files = WriteSynthCard(args[0], o);
  int recordings = 0;
  for (const SynthCardFile& f : files) recordings += f.recording;
  int cut = 0;
  for (const SynthCardFile& f : files) cut += f.cut;
  std::printf("%s: %zu files, %d recordings", args[0].c_str(), files.size(), recordings);
  if (cut) std::printf(", %d cut", cut);
  std::printf("\n");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::string command = argv[1];
  if (command == "--help" || command == "-h") return Help();
  if (command == "--version") {
    PrintTrkVersion("trk-synth");
    return 0;
  }
  const std::vector<std::string> args(argv + 2, argv + argc);
  try {
    if (command == "file") return FileCommand(args);
    if (command == "card") return CardCommand(args);
  } catch (const SynthError& e) {
    std::fprintf(stderr, "trk-synth: %s\n", e.what());
    return 1;
  }
  return Usage();
}
