#pragma once
// The atoms at the top level of a QuickTime file, up to the first one that
// runs past the end or cannot be an atom.
#include <cstdint>
#include <vector>

class ByteSource;

struct TopAtom {
  uint64_t pos = 0;
  uint64_t size = 0;  // header and payload, cut at the end of the file
  uint32_t header = 8;
  char type[4] = {};
  bool complete = false;
};

std::vector<TopAtom> TopLevel(ByteSource& source);
