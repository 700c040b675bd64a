#include "TopAtoms.h"

#include <cstring>

#include "ByteOrder.h"
#include "ByteSource.h"

std::vector<TopAtom> TopLevel(ByteSource& source) {
  std::vector<TopAtom> atoms;
  const uint64_t size = source.Size();
  for (uint64_t pos = 0; pos + 8 <= size;) {
    uint8_t h[16] = {};
    if (source.ReadAt(pos, h, sizeof h) < 8) break;
    TopAtom a;
    a.pos = pos;
    std::memcpy(a.type, h + 4, 4);
    a.size = ReadBe32(h);
    if (a.size == 1) {
      a.size = ReadBe64(h + 8);
      a.header = 16;
    } else if (a.size == 0) {
      a.size = size - pos;
    }
    if (a.size < a.header) break;
    a.complete = a.size <= size - pos;
    atoms.push_back(a);
    if (!a.complete) break;
    pos += a.size;
  }
  return atoms;
}
