#include "container/TopAtoms.h"

#include "container/ByteOrder.h"
#include "fileio/ByteSource.h"
#include "container/ContainerWalk.h"

std::vector<TopAtom> TopLevel(ByteSource& source) {
  std::vector<TopAtom> atoms;
  WalkBoxes(source, Container::QuickTime, 0, source.Size(), [&](const ContainerBox& box, int) {
    TopAtom a;
    a.pos = box.at;
    a.size = box.header + box.payload;
    a.header = box.header;
    PutLe32(reinterpret_cast<uint8_t*>(a.type), box.code);
    a.complete = box.complete;
    atoms.push_back(a);
    return WalkStep::Next;
  });
  return atoms;
}
