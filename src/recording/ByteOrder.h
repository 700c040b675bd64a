#pragma once
// Reading and writing the fixed-width numbers of the containers: little-endian
// in RIFF and in the camera's blocks, big-endian in QuickTime atom headers.
#include <cstdint>
#include <cstring>
#include <vector>

inline uint32_t ReadLe32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline uint16_t ReadLe16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t ReadBe32(const uint8_t* p) {
  return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
         (static_cast<uint32_t>(p[2]) << 8) | static_cast<uint32_t>(p[3]);
}
inline uint16_t ReadBe16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }
inline uint64_t ReadBe64(const uint8_t* p) {
  return (static_cast<uint64_t>(ReadBe32(p)) << 32) | ReadBe32(p + 4);
}
inline void PutLe32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
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

// Appending big-endian numbers and codes to a byte vector (building atoms).
inline void AppendBe32(std::vector<uint8_t>& out, uint32_t v) {
  uint8_t b[4];
  PutBe32(b, v);
  out.insert(out.end(), b, b + 4);
}
inline void AppendBe64(std::vector<uint8_t>& out, uint64_t v) {
  AppendBe32(out, static_cast<uint32_t>(v >> 32));
  AppendBe32(out, static_cast<uint32_t>(v));
}
inline void AppendCode(std::vector<uint8_t>& out, const char (&code)[5]) { out.insert(out.end(), code, code + 4); }
