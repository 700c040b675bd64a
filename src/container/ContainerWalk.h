#pragma once
// One walk over the boxes of both containers: the chunks of a RIFF file (AVI)
// and the atoms of a QuickTime file. Whatever the bytes, the walk reads only
// the headers, never leaves the range it was given, and ends:
//  - every size is checked against what is left of the parent; a box that
//    claims more is handed over as incomplete, cut at what is left, and is
//    the last of its parent;
//  - QuickTime size 1 takes the 64-bit size that follows, size 0 runs to the
//    end of the parent, and a size shorter than its own header ends the
//    parent's walk (what follows is no atom);
//  - a RIFF chunk of odd size is followed by a pad byte;
//  - nesting is bounded: below kMaxBoxDepth a box is not entered.
// The visitor decides for each box: enter it, go on after it, or stop.
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>

#include "container/ByteOrder.h"

class ByteSource;

// A four-character code as one number: its bytes in file order, read as a
// little-endian value, so FourCc("RIFF") == CodeAt(p) when p holds "RIFF".
constexpr uint32_t FourCc(const char (&s)[5]) {
  return static_cast<uint32_t>(static_cast<uint8_t>(s[0])) | (static_cast<uint32_t>(static_cast<uint8_t>(s[1])) << 8) |
         (static_cast<uint32_t>(static_cast<uint8_t>(s[2])) << 16) |
         (static_cast<uint32_t>(static_cast<uint8_t>(s[3])) << 24);
}
inline uint32_t CodeAt(const uint8_t* p) { return ReadLe32(p); }
inline uint32_t CodeAt(const char* p) { return ReadLe32(reinterpret_cast<const uint8_t*>(p)); }

enum class Container { Riff, QuickTime };

struct ContainerBox {
  uint64_t at = 0;        // where its header starts
  uint32_t code = 0;      // FourCc of its type
  uint32_t listType = 0;  // RIFF and LIST chunks: the code that opens the payload (0 when missing)
  uint32_t header = 8;    // bytes before the payload: 8, or 16 with a QuickTime 64-bit size
  uint64_t payload = 0;   // as declared (QuickTime size 0: the rest of the parent)
  uint64_t span = 0;      // what it takes of its parent, pad byte included, cut at what is left
  bool complete = false;  // header and payload lie within the parent

  uint64_t PayloadAt() const { return at + header; }
  uint64_t End() const { return at + span; }  // where the next box of the parent starts
};

enum class WalkStep { Next, Enter, Stop };
enum class WalkEnd { Done, Stopped, ReadError };

constexpr int kMaxBoxDepth = 8;

// `depth` is 0 for the boxes of [begin, end), 1 for their children, ...
using BoxVisitor = std::function<WalkStep(const ContainerBox& box, int depth)>;

// Walks the boxes in [begin, end) of the source (end is cut at its size).
// Done when the range ran out (or held no further box), Stopped when the
// visitor said so at any depth, ReadError when a header could not be read.
WalkEnd WalkBoxes(ByteSource& source, Container container, uint64_t begin, uint64_t end, const BoxVisitor& visit);

// ---------------------------------------------------------------------------
// The readers' walk by codes. The readers do not follow the nesting: they
// step from code to code the way the camera lays its files out (into hdrl and
// strl, over movi, a fixed 24 bytes over a QuickTime date text), and every
// step the library lists by must stay as it is. A table gives the step for
// each code the reader knows and one for all others; a step gets the
// position right after the code and returns where the walk goes on, or
// kWalkEnds. A step that does not move forward ends the walk too.

constexpr uint64_t kWalkEnds = ~uint64_t{0};

template <typename Context>
using CodeStep = uint64_t (*)(Context& context, uint32_t code, uint64_t pos);

template <typename Context>
struct CodeRule {
  uint32_t code;
  CodeStep<Context> step;
};

// The code at pos; bytes past the end of the source read as zero. False
// when the source failed to read.
bool ReadCodeAt(ByteSource& source, uint64_t pos, uint32_t& code);

// Steps from `pos` while it lies before `end`. `seek`, when given, moves the
// walk on to where the next code stands (or kWalkEnds) before every step but
// the first. False when the source failed to read a code.
template <typename Context, std::size_t N>
bool WalkCodes(ByteSource& source, Context& context, const std::array<CodeRule<Context>, N>& rules,
               CodeStep<Context> unknown, uint64_t pos, uint64_t end,
               uint64_t (*seek)(Context&, uint64_t pos) = nullptr) {
  while (pos < end) {
    uint32_t code = 0;
    if (!ReadCodeAt(source, pos, code)) return false;
    CodeStep<Context> step = unknown;
    for (const CodeRule<Context>& rule : rules)
      if (rule.code == code) step = rule.step;
    const uint64_t next = step(context, code, pos + 4);
    if (next == kWalkEnds || next <= pos) return true;
    pos = next;
    if (seek && pos < end && (pos = seek(context, pos)) == kWalkEnds) return true;
  }
  return true;
}
