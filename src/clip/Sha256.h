#pragma once
// SHA-256 (FIPS 180-4) of bytes and of files, for the checksums beside a clip.
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

class Sha256 {
 public:
  void Update(const uint8_t* data, std::size_t size);
  // The digest of everything given so far; the object is spent afterwards.
  std::array<uint8_t, 32> Final();

 private:
  void Block(const uint8_t* block);

  std::array<uint32_t, 8> m_state{0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                  0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
  std::array<uint8_t, 64> m_buffer{};
  std::size_t m_buffered = 0;
  uint64_t m_length = 0;  // bytes
};

// Lower-case hex, as sha256sum prints it.
std::string HexDigest(const std::array<uint8_t, 32>& digest);

// Told the bytes read so far; returns false to stop.
using HashProgress = std::function<bool(uint64_t done)>;

// Reads the file in fixed-size buffers. False with errno in `error` when it
// cannot be read (ECANCELED when `progress` stopped it).
bool Sha256OfFile(const std::string& path, std::string& hex, int& error, const HashProgress& progress = {});
