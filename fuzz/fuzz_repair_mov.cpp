// libFuzzer target: the repair of a cut QuickTime recording by a healthy
// reference, both taken from the input.
#include <cstddef>
#include <cstdint>

#include "RepairTarget.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  FuzzRepair(data, size, RepairedContainer::QuickTime);
  return 0;
}
