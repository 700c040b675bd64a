#include "container/ContainerWalk.h"

#include <algorithm>

#include "fileio/ByteSource.h"

namespace {

constexpr uint32_t kRiffCode = FourCc("RIFF");
constexpr uint32_t kListCode = FourCc("LIST");

enum class HeaderRead { Box, NoBox, Failed };

// The header at pos, with left = end - pos >= 8 bytes of the parent.
HeaderRead ReadHeader(ByteSource& source, Container container, uint64_t pos, uint64_t left, ContainerBox& box) {
  // A chunk header with its list type takes 12 bytes, an atom's with a 64-bit
  // size 16: no more is read, so the listing's few reads stay as they are.
  uint8_t h[16] = {};
  const uint64_t wanted = container == Container::Riff ? 12 : 16;
  const int64_t got = source.ReadAt(pos, h, static_cast<std::size_t>(std::min(wanted, left)));
  if (got < 8) return HeaderRead::Failed;
  box = ContainerBox{};
  box.at = pos;
  uint64_t total = 0;  // header and payload as declared, pad byte included
  if (container == Container::Riff) {
    box.code = CodeAt(h);
    box.payload = ReadLe32(h + 4);
    if ((box.code == kListCode || box.code == kRiffCode) && left >= 12 && got >= 12) box.listType = CodeAt(h + 8);
    total = 8 + box.payload + (box.payload & 1);
  } else {
    box.code = CodeAt(h + 4);
    total = ReadBe32(h);
    if (total == 1) {
      if (left < 16 || got < 16) return HeaderRead::NoBox;
      box.header = 16;
      total = ReadBe64(h + 8);
    } else if (total == 0) {
      total = left;
    }
    if (total < box.header) return HeaderRead::NoBox;
    box.payload = total - box.header;
  }
  box.complete = box.payload <= left - box.header;
  box.span = std::min(total, left);
  return HeaderRead::Box;
}

WalkEnd WalkLevel(ByteSource& source, Container container, uint64_t pos, uint64_t end, int depth,
                  const BoxVisitor& visit) {
  while (pos < end && end - pos >= 8) {
    ContainerBox box;
    const HeaderRead read = ReadHeader(source, container, pos, end - pos, box);
    if (read == HeaderRead::Failed) return WalkEnd::ReadError;
    if (read == HeaderRead::NoBox) return WalkEnd::Done;
    WalkStep step = visit(box, depth);
    if (step == WalkStep::Enter && depth + 1 >= kMaxBoxDepth) step = WalkStep::Next;
    if (step == WalkStep::Stop) return WalkEnd::Stopped;
    if (step == WalkStep::Enter) {
      // A list's children follow its type; none lie past the declared payload.
      const uint64_t first = box.PayloadAt() + (box.listType != 0 ? 4 : 0);
      const uint64_t last = box.PayloadAt() + std::min(box.payload, end - box.PayloadAt());
      if (first < last) {
        const WalkEnd inner = WalkLevel(source, container, first, last, depth + 1, visit);
        if (inner != WalkEnd::Done) return inner;
      }
    }
    pos = box.End();
  }
  return WalkEnd::Done;
}

}  // namespace

bool ReadCodeAt(ByteSource& source, uint64_t pos, uint32_t& code) {
  uint8_t b[4] = {};
  if (pos < source.Size() &&
      source.ReadAt(pos, b, static_cast<std::size_t>(std::min<uint64_t>(sizeof b, source.Size() - pos))) < 0)
    return false;
  code = CodeAt(b);
  return true;
}

WalkEnd WalkBoxes(ByteSource& source, Container container, uint64_t begin, uint64_t end, const BoxVisitor& visit) {
  return WalkLevel(source, container, begin, std::min(end, source.Size()), 0, visit);
}
