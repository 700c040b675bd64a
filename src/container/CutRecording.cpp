#include "container/CutRecording.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "container/ByteOrder.h"
#include "fileio/ByteSource.h"
#include "container/ContainerWalk.h"
#include "fileio/UniqueFd.h"

namespace {

// The detection reads a few headers far apart: one small read each, without
// the read-ahead that serves the readers' walks (64 KiB a header, most of a
// scan's reading otherwise).
class HeaderSource final : public ByteSource {
 public:
  bool Open(const std::string& path) {
    m_fd.Reset(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat st {};
    if (!m_fd.Valid() || ::fstat(m_fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    m_size = static_cast<uint64_t>(st.st_size);
    return true;
  }
  uint64_t Size() const override { return m_size; }
  int64_t ReadAt(uint64_t offset, void* buffer, std::size_t size) override {
    if (offset >= m_size) return 0;
    ssize_t n;
    do {
      n = ::pread(m_fd.Get(), buffer, size, static_cast<off_t>(offset));
    } while (n < 0 && errno == EINTR);
    return n;
  }
  bool ModificationTime(int64_t*) override { return false; }

 private:
  UniqueFd m_fd;
  uint64_t m_size = 0;
};

constexpr uint32_t kAvifHasIndex = 0x10;

// The top-level chunks of the RIFF payload; only the headers are read.
bool IsCutAvi(ByteSource& source, std::string* reason) {
  const uint64_t size = source.Size();
  uint8_t head[12];
  if (source.ReadAt(0, head, sizeof head) != static_cast<int64_t>(sizeof head)) return false;
  if (CodeAt(head) != FourCc("RIFF")) return false;
  const uint64_t riffEnd = 8 + uint64_t{ReadLe32(head + 4)};

  bool headerComplete = false, moviSeen = false, moviPastEnd = false, indexSeen = false;
  uint32_t mainFlags = 0;
  const WalkEnd end = WalkBoxes(source, Container::Riff, 12, size, [&](const ContainerBox& chunk, int) {
    if (chunk.code == FourCc("LIST") && chunk.listType == FourCc("hdrl")) {
      headerComplete = chunk.complete;
      uint8_t avih[8 + 16] = {};
      if (headerComplete && source.ReadAt(chunk.at + 12, avih, sizeof avih) == static_cast<int64_t>(sizeof avih) &&
          CodeAt(avih) == FourCc("avih"))
        mainFlags = ReadLe32(avih + 8 + 12);
    } else if (chunk.code == FourCc("LIST") && chunk.listType == FourCc("movi")) {
      moviSeen = true;
      moviPastEnd = !chunk.complete;
    } else if (chunk.code == FourCc("idx1")) {
      indexSeen = true;
    } else if (chunk.code == 0 && chunk.payload == 0) {
      return WalkStep::Stop;  // zeros the card had not overwritten yet
    }
    return WalkStep::Next;
  });
  if (end == WalkEnd::ReadError) return false;

  if (moviPastEnd)
    *reason = "movi list runs past the end of the file";
  else if (riffEnd > size)
    *reason = "RIFF size runs past the end of the file";
  else if (headerComplete && moviSeen && (mainFlags & kAvifHasIndex) && !indexSeen)
    *reason = "index missing";
  else
    return false;
  return true;
}

// The top-level atoms (64-bit sizes and size 0, "to the end of the file",
// included).
bool IsCutQuickTime(ByteSource& source, std::string* reason) {
  bool mdatSeen = false, moovSeen = false, mdatPastEnd = false;
  const WalkEnd end = WalkBoxes(source, Container::QuickTime, 0, source.Size(), [&](const ContainerBox& atom, int) {
    if (atom.code == FourCc("mdat")) {
      mdatSeen = true;
      mdatPastEnd = mdatPastEnd || !atom.complete;
    } else if (atom.code == FourCc("moov")) {
      moovSeen = true;
    }
    return WalkStep::Next;
  });
  if (end == WalkEnd::ReadError || !mdatSeen) return false;
  if (!moovSeen)
    *reason = "mdat without moov";
  else if (mdatPastEnd)
    *reason = "mdat runs past the end of the file";
  else
    return false;
  return true;
}

}  // namespace

bool IsCutRecording(ByteSource& source, ContainerKind kind, std::string* reason) {
  std::string why;
  const bool cut = kind == ContainerKind::Avi ? IsCutAvi(source, &why) : IsCutQuickTime(source, &why);
  if (cut && reason) *reason = why;
  return cut;
}

bool DetectCutRecording(const std::string& path, ContainerKind kind, CutRecording* cut) {
  HeaderSource source;
  if (!source.Open(path)) return false;
  std::string reason;
  if (!IsCutRecording(source, kind, &reason)) return false;
  if (cut) *cut = CutRecording{path, source.Size(), reason};
  return true;
}
