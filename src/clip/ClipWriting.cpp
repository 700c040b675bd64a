#include "clip/ClipWriting.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "fileio/ByteSource.h"
#include "container/CutRecording.h"
#include "repair/CutRepairInternal.h"
#include "container/RecordingTypes.h"

namespace {

// Cancel is looked at after each slice: a few milliseconds of copying.
constexpr std::size_t kCopySlice = 4u << 20;

// The block's records of [from, to): a record at k / rate seconds belongs
// to the span while from <= k / rate < to.
std::pair<uint64_t, uint64_t> RecordRange(bool gps, uint32_t rateValue, double perSecond, double from, double to,
                                          uint64_t held) {
  if (perSecond <= 0) return {0, held};
  if (gps || GSensorRateByteOf(rateValue) != 0) {
    const uint64_t begin = from > 0 ? RecordsInSpan(gps, rateValue, from, held) : 0;
    return {begin, std::max(begin, RecordsInSpan(gps, rateValue, to, held))};
  }
  // Records without a rate byte are spread over the whole length.
  auto at = [&](double t) {
    return std::min<uint64_t>(held, static_cast<uint64_t>(std::max(0.0, std::ceil(t * perSecond - 1e-6))));
  };
  return {at(from), std::max(at(from), at(to))};
}

void AppendBlock(ByteSource& source, uint64_t offset, std::size_t recordSize, std::pair<uint64_t, uint64_t> range,
                 std::vector<uint8_t>& out) {
  if (range.second <= range.first) return;
  const std::size_t bytes = static_cast<std::size_t>((range.second - range.first) * recordSize);
  const std::size_t was = out.size();
  out.resize(was + bytes);
  if (source.ReadAt(offset + range.first * recordSize, out.data() + was, bytes) != static_cast<int64_t>(bytes))
    out.resize(was);  // a block the file does not hold gives no records
}

}  // namespace

ClipResult ClipFailed(ClipFailure failure, std::string detail) {
  ClipResult r;
  r.failure = failure;
  r.detail = std::move(detail);
  return r;
}

ClipResult ClipOutput::Create(const std::string& destination) {
  if (m_out.Create(destination)) return {};
  const int error = m_out.Error();
  return ClipFailed(error == EEXIST ? ClipFailure::NameExists : ClipFailure::DestinationUnwritable,
                    "cannot write " + destination + ": " + std::strerror(error));
}

bool ClipOutput::Copy(ByteSource& source, const std::string& sourcePath, uint64_t offset, uint64_t length) {
  if (m_failure != ClipFailure::None || m_out.Error()) return false;
  std::vector<uint8_t> block(static_cast<std::size_t>(std::min<uint64_t>(length, kCopySlice)));
  while (length > 0) {
    if (m_progress && !m_progress(m_total ? static_cast<double>(m_done) / static_cast<double>(m_total) : 0.0,
                                  "copying the pictures")) {
      m_failure = ClipFailure::Cancelled;
      m_detail = "cancelled";
      return false;
    }
    const std::size_t want = static_cast<std::size_t>(std::min<uint64_t>(length, block.size()));
    if (source.ReadAt(offset, block.data(), want) != static_cast<int64_t>(want)) {
      m_failure = ClipFailure::SourceUnreadable;
      m_detail = "cannot read " + sourcePath + " at byte " + std::to_string(offset);
      return false;
    }
    if (!m_out.Write(block.data(), want)) return false;
    offset += want;
    length -= want;
    m_done += want;
  }
  return true;
}

ClipResult ClipOutput::Failure() const {
  if (m_failure != ClipFailure::None) return ClipFailed(m_failure, m_detail);
  if (m_out.Error())
    return ClipFailed(ClipFailure::WriteFailed, std::string("cannot write the clip: ") + std::strerror(m_out.Error()));
  return {};
}

ClipResult ClipOutput::Finish(bool quickTime, ClipResult result) {
  if (ClipResult failed = Failure(); !failed.Ok()) return failed;
  if (const char* why = UnreadableRecording(m_out.TemporaryPath(), quickTime))
    return ClipFailed(ClipFailure::WriteFailed, std::string("the clip would not be readable: ") + why);
  if (m_progress && !m_progress(1.0, "checking the clip")) return ClipFailed(ClipFailure::Cancelled, "cancelled");
  if (!m_out.Commit()) {
    const int error = m_out.Error();
    return ClipFailed(error == EEXIST ? ClipFailure::NameExists : ClipFailure::WriteFailed,
                      std::string("cannot write the clip: ") + std::strerror(error));
  }
  return result;
}

void AppendRecordsOfSpan(ByteSource& source, const RecordingSummary& summary, double from, double to,
                         ClipRecords& records) {
  const double seconds = summary.durationMs / 1000.0;
  const uint64_t gpsHeld = summary.gpsSize / kGpsRecordSize;
  const uint64_t gsenHeld = summary.gsensorSize / kGSensorRecordSize;
  AppendBlock(source, summary.gpsOffset, kGpsRecordSize,
              RecordRange(true, summary.gpsaValue, GpsRateOf(summary.gpsaValue), from, to, gpsHeld), records.gps);
  const double perSecond = seconds > 0 ? static_cast<double>(gsenHeld) / seconds : 0.0;
  AppendBlock(source, summary.gsensorOffset, kGSensorRecordSize,
              RecordRange(false, summary.gseaValue, perSecond, from, to, gsenHeld), records.gsensor);
}

void MoveDateText(uint8_t* text, std::size_t size, double seconds) {
  char buffer[20] = {};
  if (size < 19) return;
  std::memcpy(buffer, text, 19);
  std::tm t{};
  if (std::sscanf(buffer, "%04d-%02d-%02d %02d:%02d:%02d", &t.tm_year, &t.tm_mon, &t.tm_mday, &t.tm_hour, &t.tm_min,
                  &t.tm_sec) != 6)
    return;
  t.tm_year -= 1900;
  t.tm_mon -= 1;
  // Calendar arithmetic only: the camera's clock knows no time zone.
  const std::time_t moved = ::timegm(&t) + static_cast<std::time_t>(std::llround(seconds));
  std::tm out{};
  if (!::gmtime_r(&moved, &out) || out.tm_year + 1900 > 9999 || out.tm_year + 1900 < 0) return;
  char written[32] = {};
  std::snprintf(written, sizeof written, "%04d-%02d-%02d %02d:%02d:%02d", out.tm_year + 1900, out.tm_mon + 1,
                out.tm_mday, out.tm_hour, out.tm_min, out.tm_sec);
  std::memcpy(text, written, 19);
}

std::string RefusedSource(const std::string& path, bool quickTime) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return "cannot read " + path + ": " + std::strerror(errno);
  if (!S_ISREG(st.st_mode)) return path + " is not a recording file";
  CutRecording cut;
  if (DetectCutRecording(path, quickTime ? ContainerKind::QuickTime : ContainerKind::Avi, &cut))
    return path + " was cut off while the camera wrote it (" + cut.reason + "); repair it first";
  return {};
}

std::string BoundaryNote(const std::string& path, const std::string& why) {
  return "cut at the recording boundary: " + path + " " + why;
}
