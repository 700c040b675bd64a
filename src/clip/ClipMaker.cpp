// The steps of a clip, in the order their files are made: the folder, the
// lossless and the shareable clip, the span's data, the sources' facts and,
// last, the checksums of all of it.
#include "clip/ClipMaker.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <ostream>
#include <sstream>

#include "clip/ClipData.h"
#include "clip/ClipDestination.h"
#include "export/ExportFile.h"
#include "clip/Sha256.h"
#include "export/TrackExport.h"

namespace {

// Shares of the whole progress, by what each step roughly costs.
constexpr double kLosslessWeight = 2.0;
constexpr double kShareableWeight = 8.0;
constexpr double kSourcesWeight = 2.0;
constexpr double kDataWeight = 0.5;

// A name given for the clip, usable as one name in a folder.
std::string FileNameOf(std::string name) {
  std::replace(name.begin(), name.end(), '/', '_');
  if (name.empty() || name == "." || name == "..") name = "CLIP";
  return name;
}

// sha256sum's line: a name holding a backslash or a line end is escaped,
// and the line then starts with a backslash.
std::string SumsLine(const std::string& hex, const std::string& name) {
  std::string escaped;
  for (const char c : name) {
    if (c == '\\')
      escaped += "\\\\";
    else if (c == '\n')
      escaped += "\\n";
    else
      escaped += c;
  }
  return (escaped.size() != name.size() ? "\\" : "") + hex + "  " + escaped + "\n";
}

class ClipJob {
 public:
  ClipJob(const ClipRequest& request, const ClipProgress& progress) : m_request(request), m_progress(progress) {}
  ClipJob(const ClipJob&) = delete;
  ClipJob& operator=(const ClipJob&) = delete;
  ClipResult Run(const LosslessWriter& lossless, const ShareableWriter& shareable);

 private:
  bool Wants(ClipKind kind) const { return (m_kinds & static_cast<uint8_t>(kind)) != 0; }
  bool Fail(ClipFailure failure, const std::string& detail) {
    m_result.failure = failure;
    m_result.detail = detail;
    return false;
  }
  // The progress of one step, mapped into the whole.
  ClipProgress Step(double weight) {
    const double begin = m_done;
    m_done += weight;
    return [this, begin, weight](double done, const std::string& stage) {
      return !m_progress || m_progress((begin + weight * std::clamp(done, 0.0, 1.0)) / m_total, stage);
    };
  }
  bool Report(double done, const std::string& stage) {
    if (!m_progress || m_progress(done / m_total, stage)) return true;
    return Fail(ClipFailure::Cancelled, "cancelled");
  }
  bool RunWriter(const ClipResult& made, const std::string& destination);
  bool WriteText(const std::string& name, const std::string& text);
  bool WriteData();
  bool WriteSources(std::string& text);
  bool WriteSums();

  const ClipRequest& m_request;
  const ClipProgress& m_progress;
  uint8_t m_kinds = 0;
  double m_total = 1.0;
  double m_done = 0.0;
  std::vector<ClipSource> m_sources;
  std::string m_folder;  // the clip's own, with a trailing '/'
  std::string m_stem;
  ClipResult m_result;
};

bool ClipJob::RunWriter(const ClipResult& made, const std::string& destination) {
  if (!made.Ok()) return Fail(made.failure, made.detail);
  m_result.files.push_back(destination);
  m_result.notes.insert(m_result.notes.end(), made.notes.begin(), made.notes.end());
  return true;
}

bool ClipJob::WriteText(const std::string& name, const std::string& text) {
  const std::string path = m_folder + name;
  PendingExportFile file;
  int error = 0;
  errno = 0;  // a failed write leaves its reason here
  const bool written = file.Write(path, [&](std::ostream& out) { return static_cast<bool>(out << text); });
  if (!written) error = errno != 0 ? errno : EIO;
  if (!written || !file.Commit(/*replace=*/false, error))
    return Fail(DestinationFailure(error), "cannot write " + path + ": " + std::strerror(error));
  m_result.files.push_back(path);
  return true;
}

bool ClipJob::WriteData() {
  std::vector<TrackPart> parts;
  for (const ClipSource& source : m_sources) parts.push_back(source.span);
  const auto now = static_cast<int64_t>(std::time(nullptr));
  std::ostringstream gpx, gps, gsensor;
  if (!WriteGpx(gpx, m_stem, parts, now) || !WriteGpsCsv(gps, parts) || !WriteGSensorCsv(gsensor, parts))
    return Fail(ClipFailure::WriteFailed, "cannot make the span's data");
  const double videoStart =
      m_result.spanStart < m_request.pieces.front().from ? m_request.pieces.front().from - m_result.spanStart : 0.0;
  return WriteText(m_stem + ".GPX", gpx.str()) && WriteText(m_stem + "_GPS.CSV", gps.str()) &&
         WriteText(m_stem + "_GSENSOR.CSV", gsensor.str()) &&
         WriteText(m_stem + ".SRT", SubtitleText(m_sources, videoStart, m_request.speedUnit));
}

bool ClipJob::WriteSources(std::string& text) {
  std::vector<SourceFacts> facts;
  const ClipProgress progress = Step(kSourcesWeight);
  uint64_t total = 0, before = 0;
  std::vector<struct stat> infos(m_sources.size());
  for (std::size_t i = 0; i < m_sources.size(); ++i) {
    if (::stat(m_sources[i].path.c_str(), &infos[i]) != 0)
      return Fail(ClipFailure::SourceUnreadable, m_sources[i].path + ": " + std::strerror(errno));
    total += static_cast<uint64_t>(infos[i].st_size);
  }
  for (std::size_t i = 0; i < m_sources.size(); ++i) {
    SourceFacts fact;
    fact.size = static_cast<uint64_t>(infos[i].st_size);
    fact.modified = static_cast<int64_t>(infos[i].st_mtim.tv_sec);
    int error = 0;
    const bool read = Sha256OfFile(m_sources[i].path, fact.sha256, error, [&](uint64_t done) {
      return progress(total == 0 ? 1.0 : static_cast<double>(before + done) / static_cast<double>(total), "checksums");
    });
    if (!read && error == ECANCELED) return Fail(ClipFailure::Cancelled, "cancelled");
    if (!read) return Fail(ClipFailure::SourceUnreadable, m_sources[i].path + ": " + std::strerror(error));
    before += fact.size;
    facts.push_back(std::move(fact));
  }
  text = SourcesText(m_sources, facts, static_cast<int64_t>(std::time(nullptr)));
  return true;
}

bool ClipJob::WriteSums() {
  std::string sums;
  for (const std::string& path : m_result.files) {
    std::string hex;
    int error = 0;
    if (!Sha256OfFile(path, hex, error))
      return Fail(DestinationFailure(error), "cannot read " + path + ": " + std::strerror(error));
    sums += SumsLine(hex, path.substr(m_folder.size()));
  }
  return WriteText(kClipSumsName, sums);
}

ClipResult ClipJob::Run(const LosslessWriter& lossless, const ShareableWriter& shareable) {
  m_kinds = m_request.kinds != 0 ? m_request.kinds : static_cast<uint8_t>(ClipKind::Lossless);
  if (m_request.pieces.empty()) {
    Fail(ClipFailure::EmptySpan, "the span holds no picture");
    return m_result;
  }
  if (Wants(ClipKind::Shareable) && !shareable) {
    Fail(ClipFailure::EncoderMissing, "built without the shareable clip");
    return m_result;
  }
  m_total = (Wants(ClipKind::Lossless) ? kLosslessWeight : 0.0) +
            (Wants(ClipKind::Shareable) ? kShareableWeight : 0.0) + kSourcesWeight + kDataWeight;
  // The destination first: a clip refused there reads nothing of the card.
  // Folders go last of all: the job's files are removed before them.
  ClipFolders folders;
  std::string detail;
  ClipFailure failure = folders.PrepareOutput(m_request.outputFolder, m_request.cardRoot, detail);
  if (failure != ClipFailure::None) {
    Fail(failure, detail);
    return m_result;
  }
  std::string unreadable;
  if (!LoadClipSources(m_request.pieces, m_sources, unreadable)) {
    Fail(ClipFailure::SourceUnreadable, "cannot read " + unreadable);
    return m_result;
  }
  const ClipPiece& first = m_request.pieces.front();
  m_result.spanStart = first.from;
  m_result.spanEnd = first.from;
  for (const ClipPiece& piece : m_request.pieces) m_result.spanEnd += piece.to - piece.from;

  m_stem = FileNameOf(m_request.baseName.empty() ? ClipStem(m_sources) : m_request.baseName);
  failure = folders.MakeOwnFolder(m_request.outputFolder, m_stem, m_folder, detail);
  if (failure != ClipFailure::None) {
    Fail(failure, detail);
    return m_result;
  }
  bool ok = Report(0.0, "folder");
  if (ok && Wants(ClipKind::Lossless)) {
    const std::string::size_type dot = first.path.rfind('.');
    const std::string extension = dot == std::string::npos ? std::string(".AVI") : first.path.substr(dot);
    const std::string destination = m_folder + m_stem + extension;
    const ClipResult made = lossless(m_request.pieces, destination, Step(kLosslessWeight));
    ok = RunWriter(made, destination);
    if (ok) {
      m_result.spanStart = made.spanStart;
      m_result.spanEnd = made.spanEnd;
    }
  }
  if (ok && Wants(ClipKind::Shareable)) {
    const std::string destination = m_folder + m_stem + "_SHAREABLE.MP4";
    ok = RunWriter(shareable(m_request.pieces, destination, m_request.speedUnit, Step(kShareableWeight)), destination);
  }
  std::string sources;
  ok = ok && Report(m_done, "data") && WriteData() && WriteSources(sources) && Report(m_done, "checksums") &&
       WriteText(kClipSourcesName, sources) && WriteSums();
  if (ok && !Report(m_total, "done")) ok = false;
  if (!ok) {
    if (m_result.failure == ClipFailure::None) Fail(ClipFailure::WriteFailed, "the clip could not be made");
    for (auto it = m_result.files.rbegin(); it != m_result.files.rend(); ++it) ::unlink(it->c_str());
    m_result.files.clear();
    return m_result;
  }
  folders.Keep();
  return m_result;
}

}  // namespace

ClipResult MakeClipWith(const ClipRequest& request, const ClipProgress& progress, const LosslessWriter& lossless,
                        const ShareableWriter& shareable) {
  ClipJob job(request, progress);
  return job.Run(lossless, shareable);
}
