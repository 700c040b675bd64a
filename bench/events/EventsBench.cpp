// bench_events [CARD_FOLDER] [RECORDINGS]
//
// Writes a card of RECORDINGS recordings (default 2000, trk-synth's cheap
// card: one shared short clip, samples of 4 s) when it is not there yet,
// opens it, then times every trip's events with a warm cache: the samples
// read from the files and searched, as the viewer does after OPEN. A second
// figure searches as many recordings of 60 s each (600 G-sensor and 60 GPS
// records, what a camera's minute holds) built in memory, so that the search
// itself is measured at a real card's sample count. The target is 1 s on one
// core for either.
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "events/DrivingEvents.h"
#include "library/RecordingLibrary.h"
#include "Synth.h"
#include "export/TrackPart.h"

namespace {

double CpuSeconds() {
  struct timespec ts {};
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

void WriteCard(const std::string& card, int recordings) {
  const std::string marker = card + "/.bench-events-" + std::to_string(recordings);
  if (std::filesystem::exists(marker)) return;
  std::filesystem::remove_all(card);
  std::printf("writing %d recordings to %s ...\n", recordings, card.c_str());
  std::fflush(stdout);
  SynthCardOptions o;
  o.recordings = recordings;
  o.cheapVideo = true;
  WriteSynthCard(card, o);
  std::ofstream(marker) << "complete\n";
}

struct Pass {
  double cpu = 0;
  int events = 0;
  int recordings = 0;
};

Pass SearchCard(const RecordingLibrary& library) {
  Pass pass;
  const double start = CpuSeconds();
  for (const RecordingGroup& g : library.Groups()) {
    std::vector<TrackPart> parts;
    std::string unreadable;
    if (!LoadGroupParts(library, g.number, parts, unreadable)) continue;
    const auto trip = FindTripEvents(parts, g.first, EventSensitivity::Normal);
    for (const RecordingEvents& r : trip) pass.events += static_cast<int>(r.events.size());
    pass.recordings += static_cast<int>(parts.size());
  }
  pass.cpu = CpuSeconds() - start;
  return pass;
}

Pass SearchMinutes(int recordings) {
  std::vector<TrackPart> parts;
  for (int i = 0; i < recordings; ++i) {
    SynthOptions o;
    o.durationMs = 60000;
    o.routeSeed = static_cast<uint32_t>(i % 10 + 1);
    o.driveSeconds = (i % 10) * 60.0;
    if (i % 7 == 0) o.brakeAt = {30};
    TrackPart part;
    part.recording.summary.durationMs = o.durationMs;
    part.recording.summary.gpsaValue = o.gpsRate;
    part.recording.summary.gseaValue = o.gsensorRate | (uint32_t{o.gsensorRange} << 8);
    part.gps = SynthGpsTrack(o);
    for (GpsSample& s : part.gps) ApplyZeroRule(s);
    part.gsensor = SynthGSensorTrace(o);
    parts.push_back(std::move(part));
  }
  Pass pass;
  const double start = CpuSeconds();
  for (std::size_t first = 0; first < parts.size(); first += 10) {
    const std::vector<TrackPart> trip(parts.begin() + static_cast<std::ptrdiff_t>(first),
                                      parts.begin() + static_cast<std::ptrdiff_t>(std::min(parts.size(), first + 10)));
    for (const RecordingEvents& r : FindTripEvents(trip, static_cast<int32_t>(first), EventSensitivity::Normal))
      pass.events += static_cast<int>(r.events.size());
    pass.recordings += static_cast<int>(trip.size());
  }
  pass.cpu = CpuSeconds() - start;
  return pass;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string card = argc > 1 ? argv[1] : "/tmp/trk-bench-events-card";
  const int recordings = argc > 2 ? std::atoi(argv[2]) : 2000;
  WriteCard(card, recordings);
  RecordingLibrary library;
  library.OpenRecordings(card);
  SearchCard(library);  // warms the cache
  std::vector<double> times;
  Pass last;
  for (int run = 0; run < 3; ++run) {
    last = SearchCard(library);
    times.push_back(last.cpu);
  }
  std::sort(times.begin(), times.end());
  std::printf("card: %d recordings in %zu trips, %d events, %.3f s CPU (median of 3, warm)\n", last.recordings,
              library.Groups().size(), last.events, times[1]);
  const Pass minutes = SearchMinutes(recordings);
  std::printf("search alone: %d recordings of 60 s, %d events, %.3f s CPU\n", minutes.recordings, minutes.events,
              minutes.cpu);
  return times[1] < 1.0 && minutes.cpu < 1.0 ? 0 : 1;
}
