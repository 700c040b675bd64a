#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "container/ByteOrder.h"
#include "container/MovCodeSearch.h"
#include "SynthInternal.h"

OutputFile::OutputFile(const std::string& path) : m_path(path) {
  m_file = std::fopen(path.c_str(), "wb");
  if (!m_file) throw SynthError("cannot write " + path + ": " + std::strerror(errno));
}

OutputFile::~OutputFile() {
  if (m_file) std::fclose(m_file);
}

void OutputFile::Close() {
  if (!m_file) return;
  const int rc = std::fclose(m_file);
  m_file = nullptr;
  if (rc != 0) throw SynthError("cannot finish " + m_path);
}

void OutputFile::Write(const void* data, std::size_t size) {
  if (size == 0) return;
  if (std::fwrite(data, 1, size, m_file) != size) throw SynthError("cannot write " + m_path);
  m_position += size;
}

void OutputFile::Zeros(uint64_t count) {
  static const uint8_t zeros[65536] = {};
  while (count > 0) {
    const std::size_t n = static_cast<std::size_t>(std::min<uint64_t>(count, sizeof zeros));
    Write(zeros, n);
    count -= n;
  }
}

void OutputFile::PseudoRandom(uint64_t count, uint32_t seed) {
  std::vector<uint8_t> block(1 << 20);
  uint64_t state = 0x9E3779B97F4A7C15ull ^ seed;
  while (count > 0) {
    const std::size_t n = static_cast<std::size_t>(std::min<uint64_t>(count, block.size()));
    for (std::size_t i = 0; i < n; i += 8) {
      state ^= state << 13;
      state ^= state >> 7;
      state ^= state << 17;
      std::memcpy(&block[i], &state, std::min<std::size_t>(8, n - i));
    }
    // Filler stands for media data: the byte scan must go through all of it,
    // so it holds no atom type by chance (about two a gibibyte otherwise).
    // No type starts in the last 3 bytes, so none spans two blocks either.
    for (std::size_t i = n >= 3 ? n - 3 : 0; i < n; ++i) block[i] = 'x';
    for (std::size_t at = FindKnownMovCodeIn(block.data(), n); at < n; at = FindKnownMovCodeIn(block.data(), n)) {
      block[at] = 'x';
    }
    Write(block.data(), n);
    count -= n;
  }
}

void OutputFile::PatchLe32(uint64_t at, uint32_t v) {
  uint8_t b[4];
  PutLe32(b, v);
  if (std::fflush(m_file) != 0 || ::fseeko(m_file, static_cast<off_t>(at), SEEK_SET) != 0 ||
      std::fwrite(b, 1, 4, m_file) != 4 || ::fseeko(m_file, 0, SEEK_END) != 0)
    throw SynthError("cannot write " + m_path);
}

void OutputFile::Le32(uint32_t v) {
  uint8_t b[4];
  PutLe32(b, v);
  Write(b, 4);
}

void OutputFile::Le16(uint16_t v) {
  uint8_t b[2];
  PutLe16(b, v);
  Write(b, 2);
}

void OutputFile::Be32(uint32_t v) {
  uint8_t b[4];
  PutBe32(b, v);
  Write(b, 4);
}

void OutputFile::Be64(uint64_t v) {
  Be32(static_cast<uint32_t>(v >> 32));
  Be32(static_cast<uint32_t>(v));
}

void OutputFile::Fourcc(const char* code) {
  if (std::strlen(code) != 4) throw SynthError(std::string("bad four-character code ") + code);
  Write(code, 4);
}

std::vector<LayoutPiece> ParseLayout(const std::string& layout) {
  std::vector<LayoutPiece> pieces;
  std::size_t start = 0;
  while (start <= layout.size()) {
    std::size_t comma = layout.find(',', start);
    if (comma == std::string::npos) comma = layout.size();
    const std::string item = layout.substr(start, comma - start);
    start = comma + 1;
    if (item.empty()) continue;
    LayoutPiece p;
    const std::size_t colon = item.find(':');
    p.name = item.substr(0, colon);
    if (colon != std::string::npos) {
      p.hasArg = true;
      p.text = item.substr(colon + 1);
      char* end = nullptr;
      p.number = std::strtoull(p.text.c_str(), &end, 0);
      if (p.name != "size0" && (p.text.empty() || *end != '\0'))
        throw SynthError("layout piece " + item + " needs a number");
    }
    pieces.push_back(p);
  }
  return pieces;
}

std::vector<uint8_t> SizedPayload(const std::vector<uint8_t>& bytes, const LayoutPiece& piece) {
  if (!piece.hasArg) return bytes;
  if (piece.number > (uint64_t{1} << 31)) throw SynthError("block size too large");
  std::vector<uint8_t> out(bytes);
  out.resize(static_cast<std::size_t>(piece.number), 0);
  return out;
}
