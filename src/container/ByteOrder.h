#pragma once
// Reading and writing the fixed-width numbers of the containers: little-endian
// in RIFF and in the camera's blocks, big-endian in QuickTime atom headers.
// The one copy for the readers, the repair, the synthesizer, the tests and the
// fuzz seeds.
#include <cstdint>
#include <cstring>
#include <vector>

inline uint16_t ReadLe16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t ReadLe32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}
inline uint64_t ReadLe64(const uint8_t* p) {
  return static_cast<uint64_t>(ReadLe32(p)) | (static_cast<uint64_t>(ReadLe32(p + 4)) << 32);
}
inline uint16_t ReadBe16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }
inline uint32_t ReadBe32(const uint8_t* p) {
  return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
         (static_cast<uint32_t>(p[2]) << 8) | static_cast<uint32_t>(p[3]);
}
inline uint64_t ReadBe64(const uint8_t* p) { return (static_cast<uint64_t>(ReadBe32(p)) << 32) | ReadBe32(p + 4); }

inline void PutLe16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
inline void PutLe32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void PutLe64(uint8_t* p, uint64_t v) {
  for (int i = 0; i < 8; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void PutBe16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v >> 8);
  p[1] = static_cast<uint8_t>(v);
}
inline void PutBe32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (24 - 8 * i));
}
inline void PutBe64(uint8_t* p, uint64_t v) {
  PutBe32(p, static_cast<uint32_t>(v >> 32));
  PutBe32(p + 4, static_cast<uint32_t>(v));
}
// The four characters of a code at p equal `code`.
inline bool HasCode(const uint8_t* p, const char (&code)[5]) { return std::memcmp(p, code, 4) == 0; }
inline bool HasCode(const char* p, const char (&code)[5]) { return std::memcmp(p, code, 4) == 0; }

// Appending numbers and codes to a byte vector (building chunks and atoms).
template <typename T, void (*Put)(uint8_t*, T)>
inline void AppendNumber(std::vector<uint8_t>& out, T v) {
  uint8_t b[sizeof(T)];
  Put(b, v);
  out.insert(out.end(), b, b + sizeof(T));
}
inline void AppendLe16(std::vector<uint8_t>& out, uint16_t v) { AppendNumber<uint16_t, PutLe16>(out, v); }
inline void AppendLe32(std::vector<uint8_t>& out, uint32_t v) { AppendNumber<uint32_t, PutLe32>(out, v); }
inline void AppendLe64(std::vector<uint8_t>& out, uint64_t v) { AppendNumber<uint64_t, PutLe64>(out, v); }
inline void AppendBe16(std::vector<uint8_t>& out, uint16_t v) { AppendNumber<uint16_t, PutBe16>(out, v); }
inline void AppendBe32(std::vector<uint8_t>& out, uint32_t v) { AppendNumber<uint32_t, PutBe32>(out, v); }
inline void AppendBe64(std::vector<uint8_t>& out, uint64_t v) { AppendNumber<uint64_t, PutBe64>(out, v); }
inline void AppendCode(std::vector<uint8_t>& out, const char (&code)[5]) { out.insert(out.end(), code, code + 4); }
