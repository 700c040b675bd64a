#include "container/MovCodeSearch.h"

#include <algorithm>
#include <array>
#include <string>

#include "fileio/ByteSource.h"
#include "container/ContainerWalk.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define TRK_X86 1
#endif

namespace {

constexpr std::array<uint32_t, 9> kKnown = {FourCc("ftyp"), FourCc("skip"), FourCc("mdat"),
                                            FourCc("moov"), FourCc("IDIT"), FourCc("gps0"),
                                            FourCc("gpsa"), FourCc("gsea"), FourCc("gsen")};

// The first letters of the known types; a cheap filter before the full test.
constexpr std::array<bool, 256> MakeFirstLetters() {
  std::array<bool, 256> t{};
  for (uint32_t c : kKnown) t[c & 0xFF] = true;
  return t;
}
constexpr std::array<bool, 256> kFirstLetter = MakeFirstLetters();

constexpr std::size_t kBlock = 256 * 1024;

}  // namespace

bool IsKnownMovCode(const uint8_t* p) { return std::find(kKnown.begin(), kKnown.end(), CodeAt(p)) != kKnown.end(); }

namespace {

// Portable search: SSE2 (every x86-64) or one byte at a time.
std::size_t FindPortable(const uint8_t* data, std::size_t size) {
  if (size < 4) return size;
  const std::size_t last = size - 4;
  std::size_t i = 0;
#if defined(__SSE2__)
  // Test the first two letters of every type at 16 offsets at once; only a
  // pair that starts a type (about one offset in ten thousand in media data)
  // is tested in full.
  const auto eq = [](__m128i v, char c) { return _mm_cmpeq_epi8(v, _mm_set1_epi8(c)); };
  for (; i + 17 <= size; i += 16) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i + 1));
    __m128i hit = _mm_and_si128(eq(a, 'f'), eq(b, 't'));                                       // ftyp
    hit = _mm_or_si128(hit, _mm_and_si128(eq(a, 's'), eq(b, 'k')));                            // skip
    hit = _mm_or_si128(hit, _mm_and_si128(eq(a, 'm'), _mm_or_si128(eq(b, 'd'), eq(b, 'o'))));  // mdat moov
    hit = _mm_or_si128(hit, _mm_and_si128(eq(a, 'I'), eq(b, 'D')));                            // IDIT
    hit = _mm_or_si128(hit, _mm_and_si128(eq(a, 'g'), _mm_or_si128(eq(b, 'p'), eq(b, 's'))));  // gps0 gpsa gsea gsen
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

#if defined(TRK_X86)
// AVX2: each byte is sorted into the type it may start (first letter) and the
// type it may continue (second letter) by two nibble look-ups, 32 offsets at
// a time. One bit per group of types: f-t, s-k, m-d/o, I-D, g-p/s. Every
// group has one first letter and second letters sharing their high nibble,
// so the look-ups are exact and only real starts of a pair are tested in full.
__attribute__((target("avx2"))) std::size_t FindAvx2(const uint8_t* data, std::size_t size) {
  if (size < 4) return size;
  const std::size_t last = size - 4;
  // Low and high nibble tables for the first letter (f s m I g) ...
  const __m256i firstLow = _mm256_setr_epi8(0, 0, 0, 2, 0, 0, 1, 16, 0, 8, 0, 0, 0, 4, 0, 0, 0, 0, 0, 2, 0, 0, 1, 16, 0,
                                            8, 0, 0, 0, 4, 0, 0);
  const __m256i firstHigh = _mm256_setr_epi8(0, 0, 0, 0, 8, 0, 1 | 4 | 16, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 8, 0,
                                             1 | 4 | 16, 2, 0, 0, 0, 0, 0, 0, 0, 0);
  // ... and for the second letter (t k d/o D p/s).
  const __m256i secondLow = _mm256_setr_epi8(16, 0, 0, 16, 1 | 4 | 8, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0, 4, 16, 0, 0, 16,
                                             1 | 4 | 8, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0, 4);
  const __m256i secondHigh = _mm256_setr_epi8(0, 0, 0, 0, 8, 0, 2 | 4, 1 | 16, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 8, 0,
                                              2 | 4, 1 | 16, 0, 0, 0, 0, 0, 0, 0, 0);
  const __m256i nibble = _mm256_set1_epi8(0x0F);
  const __m256i zero = _mm256_setzero_si256();
  std::size_t i = 0;
  for (; i + 33 <= size; i += 32) {
    const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + i));
    const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + i + 1));
    const __m256i first =
        _mm256_and_si256(_mm256_shuffle_epi8(firstLow, _mm256_and_si256(a, nibble)),
                         _mm256_shuffle_epi8(firstHigh, _mm256_and_si256(_mm256_srli_epi16(a, 4), nibble)));
    const __m256i second =
        _mm256_and_si256(_mm256_shuffle_epi8(secondLow, _mm256_and_si256(b, nibble)),
                         _mm256_shuffle_epi8(secondHigh, _mm256_and_si256(_mm256_srli_epi16(b, 4), nibble)));
    const __m256i both = _mm256_and_si256(first, second);
    unsigned mask = ~static_cast<unsigned>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(both, zero)));
    while (mask != 0) {
      const std::size_t at = i + static_cast<std::size_t>(__builtin_ctz(mask));
      if (at > last) return size;
      if (IsKnownMovCode(data + at)) return at;
      mask &= mask - 1;
    }
  }
  const std::size_t rest = FindPortable(data + i, size - i);
  return rest < size - i ? i + rest : size;
}

// The same look-ups 16 offsets at a time, for processors without AVX2.
__attribute__((target("ssse3"))) std::size_t FindSsse3(const uint8_t* data, std::size_t size) {
  if (size < 4) return size;
  const std::size_t last = size - 4;
  const __m128i firstLow = _mm_setr_epi8(0, 0, 0, 2, 0, 0, 1, 16, 0, 8, 0, 0, 0, 4, 0, 0);
  const __m128i firstHigh = _mm_setr_epi8(0, 0, 0, 0, 8, 0, 1 | 4 | 16, 2, 0, 0, 0, 0, 0, 0, 0, 0);
  const __m128i secondLow = _mm_setr_epi8(16, 0, 0, 16, 1 | 4 | 8, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0, 4);
  const __m128i secondHigh = _mm_setr_epi8(0, 0, 0, 0, 8, 0, 2 | 4, 1 | 16, 0, 0, 0, 0, 0, 0, 0, 0);
  const __m128i nibble = _mm_set1_epi8(0x0F);
  const __m128i zero = _mm_setzero_si128();
  std::size_t i = 0;
  for (; i + 17 <= size; i += 16) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i + 1));
    const __m128i first = _mm_and_si128(_mm_shuffle_epi8(firstLow, _mm_and_si128(a, nibble)),
                                        _mm_shuffle_epi8(firstHigh, _mm_and_si128(_mm_srli_epi16(a, 4), nibble)));
    const __m128i second = _mm_and_si128(_mm_shuffle_epi8(secondLow, _mm_and_si128(b, nibble)),
                                         _mm_shuffle_epi8(secondHigh, _mm_and_si128(_mm_srli_epi16(b, 4), nibble)));
    unsigned mask =
        ~static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_and_si128(first, second), zero))) & 0xFFFFu;
    while (mask != 0) {
      const std::size_t at = i + static_cast<std::size_t>(__builtin_ctz(mask));
      if (at > last) return size;
      if (IsKnownMovCode(data + at)) return at;
      mask &= mask - 1;
    }
  }
  const std::size_t rest = FindPortable(data + i, size - i);
  return rest < size - i ? i + rest : size;
}
#endif

using SearchFunction = std::size_t (*)(const uint8_t*, std::size_t);

SearchFunction ChooseSearch() {
#if defined(TRK_X86)
  if (__builtin_cpu_supports("avx2")) return &FindAvx2;
  if (__builtin_cpu_supports("ssse3")) return &FindSsse3;
#endif
  return &FindPortable;
}

SearchFunction g_search = ChooseSearch();

}  // namespace

std::size_t FindKnownMovCodeIn(const uint8_t* data, std::size_t size) { return g_search(data, size); }

bool SelectMovCodeSearch(const char* name) {
  const std::string n = name ? name : "";
  if (n == "best") {
    g_search = ChooseSearch();
    return true;
  }
  if (n == "portable") {
    g_search = &FindPortable;
    return true;
  }
#if defined(TRK_X86)
  if (n == "ssse3" && __builtin_cpu_supports("ssse3")) {
    g_search = &FindSsse3;
    return true;
  }
  if (n == "avx2" && __builtin_cpu_supports("avx2")) {
    g_search = &FindAvx2;
    return true;
  }
#endif
  return false;
}

std::size_t FindKnownMovCodeInPortably(const uint8_t* data, std::size_t size) { return FindPortable(data, size); }

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
