// The container walk's size rules, through WalkBoxes: the trace lists every
// box handed over as code@at:span (! when incomplete), '>' per depth.
#include <gtest/gtest.h>

#include "fileio/ByteSource.h"
#include "ContainerBytes.h"
#include "container/ContainerWalk.h"

namespace {

std::string Trace(Container container, const Bytes& bytes, WalkEnd& end) {
  MemoryByteSource source(bytes);
  std::string trace;
  end = WalkBoxes(source, container, 0, bytes.size(), [&](const ContainerBox& box, int depth) {
    uint8_t code[4];
    PutLe32(code, box.code);
    trace += std::string(static_cast<std::size_t>(depth), '>') + std::string(code, code + 4) + "@" +
             std::to_string(box.at) + ":" + std::to_string(box.span) + (box.complete ? " " : "! ");
    if (box.code == FourCc("STOP")) return WalkStep::Stop;
    return box.code == FourCc("LIST") || box.code == FourCc("moov") ? WalkStep::Enter : WalkStep::Next;
  });
  return trace;
}

Bytes LargeAtom(std::string_view type, uint64_t size, std::size_t payload) {
  return ByteWriter().U32BE(1).Raw(type).U64BE(size).Zeros(payload).Take();
}

}  // namespace

TEST(ContainerWalk, SizesAreCheckedAgainstWhatIsLeftOfTheParent) {
  Bytes nested = Atom("free", {});
  for (int i = 0; i < 10; ++i) nested = Atom("moov", nested);
  const Container riff = Container::Riff, qt = Container::QuickTime;
  const struct {
    Container container;
    Bytes bytes;
    const char* trace;
    WalkEnd end;
  } cases[] = {
      // An odd chunk is padded; a list's children follow its type, within its size.
      {riff, Concat({AviChunk("JUNK", {1, 2, 3}), {0}, AviList("strl", AviChunk("strh", {})), AviChunk("idx1", {})}),
       "JUNK@0:12 LIST@12:20 >strh@24:8 idx1@32:8 ", WalkEnd::Done},
      {riff, AviChunk("JUNK", {1, 2, 3, 4}, 100), "JUNK@0:12! ", WalkEnd::Done},  // cut at what is left
      // Size 1: a 64-bit size, saturated; size 0: to the end of the parent.
      {qt, Concat({LargeAtom("mdat", 24, 8), LargeAtom("mdat", ~uint64_t{0}, 4)}), "mdat@0:24 mdat@24:20! ",
       WalkEnd::Done},
      {qt, Concat({Atom("moov", Atom("mdat", {1, 2, 3, 4}, 0)), Atom("skip", {})}), "moov@0:20 >mdat@8:12 skip@20:8 ",
       WalkEnd::Done},
      // A size below its header ends its level: no atom follows.
      {qt,
       Concat(
           {Atom("moov", Concat({Atom("free", {}, 7), Atom("skip", {})})), LargeAtom("mdat", 9, 0), Atom("free", {})}),
       "moov@0:24 ", WalkEnd::Done},
      {qt, nested,
       "moov@0:88 >moov@8:80 >>moov@16:72 >>>moov@24:64 >>>>moov@32:56 >>>>>moov@40:48 >>>>>>moov@48:40 "
       ">>>>>>>moov@56:32 ",
       WalkEnd::Done},
      {qt, Concat({Atom("moov", Concat({Atom("STOP", {}), Atom("free", {})})), Atom("free", {})}),
       "moov@0:24 >STOP@8:8 ", WalkEnd::Stopped},
  };
  for (const auto& c : cases) {
    WalkEnd end{};
    EXPECT_EQ(Trace(c.container, c.bytes, end), c.trace);
    EXPECT_EQ(end, c.end) << c.trace;
  }
}
