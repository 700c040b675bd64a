#pragma once
// The byte scan over QuickTime files tests every offset for one of the atom
// types it knows. This finds the next such offset in bulk, so that the scan
// costs about as much as reading the file.
#include <cstddef>
#include <cstdint>

class ByteSource;

constexpr uint64_t kNoMovCode = ~uint64_t{0};

struct MovCodeSearchFailure {};  // thrown when the source reports a read error

// True when the 4 bytes at p, in file order, are a type the scan handles
// (ftyp, skip, mdat, moov, IDIT, gps0, gpsa, gsea, gsen).
bool IsKnownMovCode(const uint8_t* p);

// Index of the first i in [0, size - 4] at which a known type starts, or
// `size` when there is none.
// Uses the widest vector instructions the processor has.
std::size_t FindKnownMovCodeIn(const uint8_t* data, std::size_t size);
// The same without processor-specific instructions (for comparison in tests).
std::size_t FindKnownMovCodeInPortably(const uint8_t* data, std::size_t size);

// Which variant FindKnownMovCodeIn uses: "avx2", "ssse3", "portable" (SSE2
// or byte by byte) or "best" (the default). False when the processor lacks it.
// For tests and benchmarks; not for use while a scan runs.
bool SelectMovCodeSearch(const char* name);

// First offset in [from, last] at which a known type starts, or kNoMovCode.
uint64_t FindKnownMovCode(ByteSource& source, uint64_t from, uint64_t last);
