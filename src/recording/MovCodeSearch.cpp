#include "MovCodeSearch.h"

#include <algorithm>
#include <array>

#include "ByteSource.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr uint32_t Code(const char (&s)[5]) {
  return static_cast<uint32_t>(static_cast<uint8_t>(s[0])) |
         (static_cast<uint32_t>(static_cast<uint8_t>(s[1])) << 8) |
         (static_cast<uint32_t>(static_cast<uint8_t>(s[2])) << 16) |
         (static_cast<uint32_t>(static_cast<uint8_t>(s[3])) << 24);
}

constexpr std::array<uint32_t, 9> kKnown = {Code("ftyp"), Code("skip"), Code("mdat"),
                                            Code("moov"), Code("IDIT"), Code("gps0"),
                                            Code("gpsa"), Code("gsea"), Code("gsen")};

// The first letters of the known types; a cheap filter before the full test.
constexpr std::array<bool, 256> MakeFirstLetters() {
  std::array<bool, 256> t{};
  for (uint32_t c : kKnown) t[c & 0xFF] = true;
  return t;
}
constexpr std::array<bool, 256> kFirstLetter = MakeFirstLetters();

constexpr std::size_t kBlock = 256 * 1024;

}  // namespace

bool IsKnownMovCode(const uint8_t* p) {
  const uint32_t c = static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                     (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
  return std::find(kKnown.begin(), kKnown.end(), c) != kKnown.end();
}

std::size_t FindKnownMovCodeIn(const uint8_t* data, std::size_t size) {
  if (size < 4) return size;
  const std::size_t last = size - 4;
  std::size_t i = 0;
#if defined(__SSE2__)
  const __m128i f = _mm_set1_epi8('f');
  const __m128i s = _mm_set1_epi8('s');
  const __m128i m = _mm_set1_epi8('m');
  const __m128i big_i = _mm_set1_epi8('I');
  const __m128i g = _mm_set1_epi8('g');
  for (; i + 16 <= size; i += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
    const __m128i hit = _mm_or_si128(
        _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, f), _mm_cmpeq_epi8(v, s)),
                     _mm_or_si128(_mm_cmpeq_epi8(v, m), _mm_cmpeq_epi8(v, big_i))),
        _mm_cmpeq_epi8(v, g));
    unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(hit));
    while (mask != 0) {
      const std::size_t at = i + static_cast<std::size_t>(__builtin_ctz(mask));
      if (at > last) return size;
      if (IsKnownMovCode(data + at)) return at;
      mask &= mask - 1;
    }
  }
#endif
  for (; i <= last; ++i) {
    if (kFirstLetter[data[i]] && IsKnownMovCode(data + i)) return i;
  }
  return size;
}

uint64_t FindKnownMovCode(ByteSource& source, uint64_t from, uint64_t last) {
  while (from <= last) {
    // Bytes that hold every type starting in [from, last].
    const uint64_t needed = last - from + 4;
    const uint8_t* data = nullptr;
    const int64_t got = source.Window(from, static_cast<std::size_t>(std::min<uint64_t>(needed, kBlock)), &data);
    if (got < 0) throw MovCodeSearchFailure{};
    if (got < 4) return kNoMovCode;
    const std::size_t n = static_cast<std::size_t>(got);
    const std::size_t at = FindKnownMovCodeIn(data, n);
    if (at < n) return from + at;
    from += n - 3;  // the last 3 offsets begin codes that run into the next block
  }
  return kNoMovCode;
}
