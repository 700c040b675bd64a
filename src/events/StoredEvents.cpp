#include "events/StoredEvents.h"

#include <sys/stat.h>

#include <bit>
#include <memory>
#include <string>

#include "container/ByteOrder.h"
#include "library/RecordingLibrary.h"
#include "library/ScanIndex.h"

namespace {

constexpr uint8_t kLayout = 1;
constexpr std::size_t kHeadSize = 7;    // layout, sensitivity, sensor state, count
constexpr std::size_t kEventSize = 54;  // type, offset, clock, 5 numbers, flags
constexpr uint8_t kHasPosition = 0x01;
constexpr uint8_t kFromGpsSpeed = 0x02;

void AppendDouble(std::vector<uint8_t>& out, double value) { AppendLe64(out, std::bit_cast<uint64_t>(value)); }
double DoubleAt(const uint8_t* p) { return std::bit_cast<double>(ReadLe64(p)); }

bool StampOfPath(const std::string& path, FileStamp& stamp) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;
  stamp = StampOf(st);
  return true;
}

}  // namespace

std::vector<uint8_t> EncodeRecordingEvents(const RecordingEvents& found, EventSensitivity sensitivity) {
  std::vector<uint8_t> out;
  out.reserve(kHeadSize + found.events.size() * kEventSize);
  out.push_back(kLayout);
  out.push_back(static_cast<uint8_t>(sensitivity));
  out.push_back(static_cast<uint8_t>(found.sensor));
  AppendLe32(out, static_cast<uint32_t>(found.events.size()));
  for (const DrivingEvent& e : found.events) {
    out.push_back(static_cast<uint8_t>(e.type));
    AppendLe32(out, e.offsetMs);
    AppendLe64(out, static_cast<uint64_t>(e.wallClock));
    for (double value : {e.peakG, e.speedBeforeKmh, e.speedAfterKmh, e.latitude, e.longitude}) AppendDouble(out, value);
    out.push_back(static_cast<uint8_t>((e.hasPosition ? kHasPosition : 0) | (e.fromGpsSpeed ? kFromGpsSpeed : 0)));
  }
  return out;
}

bool DecodeRecordingEvents(const std::vector<uint8_t>& bytes, EventSensitivity sensitivity, RecordingEvents& found) {
  if (bytes.size() < kHeadSize || bytes[0] != kLayout || bytes[1] != static_cast<uint8_t>(sensitivity) ||
      bytes[2] > static_cast<uint8_t>(SensorState::Unusable))
    return false;
  const uint32_t count = ReadLe32(bytes.data() + 3);
  if ((bytes.size() - kHeadSize) / kEventSize != count || (bytes.size() - kHeadSize) % kEventSize != 0) return false;
  RecordingEvents decoded;
  decoded.sensor = static_cast<SensorState>(bytes[2]);
  decoded.events.reserve(count);
  for (const uint8_t* p = bytes.data() + kHeadSize; p < bytes.data() + bytes.size(); p += kEventSize) {
    if (p[0] >= kDrivingEventTypeCount) return false;
    DrivingEvent e;
    e.type = static_cast<DrivingEventType>(p[0]);
    e.offsetMs = ReadLe32(p + 1);
    e.wallClock = static_cast<int64_t>(ReadLe64(p + 5));
    e.peakG = DoubleAt(p + 13);
    e.speedBeforeKmh = DoubleAt(p + 21);
    e.speedAfterKmh = DoubleAt(p + 29);
    e.latitude = DoubleAt(p + 37);
    e.longitude = DoubleAt(p + 45);
    e.hasPosition = (p[53] & kHasPosition) != 0;
    e.fromGpsSpeed = (p[53] & kFromGpsSpeed) != 0;
    decoded.events.push_back(e);
  }
  found = std::move(decoded);
  return true;
}

std::vector<RecordingEvents> FindGroupEvents(const RecordingLibrary& library, int32_t group,
                                             EventSensitivity sensitivity, std::vector<TrackPart>& parts) {
  parts.clear();
  if (group < 0 || static_cast<std::size_t>(group) >= library.Groups().size()) return {};
  const RecordingGroup& g = library.Groups()[static_cast<std::size_t>(group)];
  std::unique_ptr<ScanIndex> index;
  if (!library.ScanIndexFile().empty() && g.first >= 0 &&
      static_cast<std::size_t>(g.first) < library.Recordings().size())
    index = ScanIndex::Open(library.ScanIndexFile(), library.Recordings()[static_cast<std::size_t>(g.first)].folder);
  if (!index) {
    std::string unreadable;
    if (!LoadGroupParts(library, group, parts, unreadable)) return {};
    return FindTripEvents(parts, g.first, sensitivity);
  }
  std::vector<RecordingEvents> found;
  for (int32_t i = g.first; i < g.first + g.count; ++i) {
    if (i < 0 || static_cast<std::size_t>(i) >= library.Recordings().size()) return {};
    const RecordingInfo& recording = library.Recordings()[static_cast<std::size_t>(i)];
    const std::string path = library.GetRecordingPath(i);
    TrackPart part;
    part.recording = recording;
    RecordingEvents own;
    FileStamp before;
    std::vector<uint8_t> kept;
    const bool stamped = StampOfPath(path, before);
    if (!stamped || !index->FindEvents(path, before, kept) || !DecodeRecordingEvents(kept, sensitivity, own)) {
      if (!LoadTrackPart(recording, path, part)) return {};
      own = FindRecordingEvents(part, sensitivity);
      // Kept only when the file did not change while it was read.
      FileStamp after;
      if (stamped && StampOfPath(path, after) && after == before)
        index->StoreEvents(path, after, EncodeRecordingEvents(own, sensitivity));
    }
    parts.push_back(std::move(part));
    found.push_back(std::move(own));
  }
  if (parts.empty()) return {};
  return JoinTripEvents(std::move(found), parts, g.first);
}
