#pragma once
// Pieces shared by the container writers of the synthesizer.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "Synth.h"

// The camera's blocks as they go into the file.
struct CameraBlocks {
  std::vector<uint8_t> gps;   // gps0 payload
  std::vector<uint8_t> gsen;  // gsen payload
  uint32_t gpsa = 0;
  uint32_t gsea = 0;
  std::string dateText;  // 20 bytes
};

struct LayoutPiece {
  std::string name;
  bool hasArg = false;
  uint64_t number = 0;  // numeric argument
  std::string text;     // argument as written
};

std::vector<LayoutPiece> ParseLayout(const std::string& layout);

// Payload of a sample block cut or zero-padded to the piece's size.
std::vector<uint8_t> SizedPayload(const std::vector<uint8_t>& bytes, const LayoutPiece& piece);

// A file being written, with the bytes counted.
class OutputFile {
 public:
  explicit OutputFile(const std::string& path);
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  void Write(const void* data, std::size_t size);
  void Write(const std::vector<uint8_t>& bytes) { Write(bytes.data(), bytes.size()); }
  void Zeros(uint64_t count);
  void PseudoRandom(uint64_t count, uint32_t seed);
  void Le32(uint32_t v);
  void Le16(uint16_t v);
  void Be32(uint32_t v);
  void Be64(uint64_t v);
  void Fourcc(const char* code);            // exactly 4 characters
  void PatchLe32(uint64_t at, uint32_t v);  // overwrites 4 bytes written earlier
  uint64_t Position() const { return m_position; }
  void Close();

 private:
  std::FILE* m_file = nullptr;
  std::string m_path;
  uint64_t m_position = 0;
};

void WriteAviFile(const std::string& path, const SynthOptions& options, const CameraBlocks& blocks,
                  SynthReport& report);
void WriteMovFile(const std::string& path, const SynthOptions& options, const CameraBlocks& blocks,
                  SynthReport& report);
