// libFuzzer target: the QuickTime byte scan.
#include <cstddef>
#include <cstdint>

#include "ContainerTarget.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  FuzzContainer(data, size, FuzzedWalk::MovScan);
  return 0;
}
