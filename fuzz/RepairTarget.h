#pragma once
// The repair of a cut recording under the fuzzer: the input is the cut file
// (QuickTime: a 4-byte little-endian length, that many bytes of the healthy
// reference, then the cut file). Whatever the bytes, the repair ends with a
// copy the reader takes or with a reason, and leaves nothing else behind.
#include <cstddef>
#include <cstdint>

enum class RepairedContainer { Avi, QuickTime };

void FuzzRepair(const uint8_t* data, std::size_t size, RepairedContainer container);
