// libFuzzer target: the QuickTime atom walk (with the byte scan the library adds when no start time was found).
#include <cstddef>
#include <cstdint>

#include "ContainerTarget.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  FuzzContainer(data, size, FuzzedWalk::MovAtoms);
  return 0;
}
