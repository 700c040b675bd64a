#pragma once
// One container walk under the fuzzer: the walk runs over an in-memory source
// and, through the path-based entry point the library uses, over a file with
// the same bytes; both must agree, a failed walk must leave its target alone,
// and a delivered summary must load its blocks without reading outside.
#include <cstddef>
#include <cstdint>

enum class FuzzedWalk {
  Avi,       // ParseAvi
  MovAtoms,  // ParseMov, then ScanMov when no start time was found (as the scan does)
  MovScan,   // ScanMov alone
};

void FuzzContainer(const uint8_t* data, std::size_t size, FuzzedWalk walk);
