// libFuzzer target: the repair of a cut AVI recording.
#include <cstddef>
#include <cstdint>

#include "RepairTarget.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  FuzzRepair(data, size, RepairedContainer::Avi);
  return 0;
}
