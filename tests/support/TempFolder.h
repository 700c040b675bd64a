#pragma once
// A fresh folder below the temporary folder for one test, removed with all it
// holds when the test ends (permissions a test took away are given back
// first), optionally the current directory while it lives; and the small file
// helpers the tests share. A failure throws, which fails the test (and stops a
// benchmark that borrows the fixtures).
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

class TempFolder {
 public:
  explicit TempFolder(bool enter = false) {
    std::string pattern = (std::filesystem::temp_directory_path() / "trk-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed for " + pattern);
    m_path = pattern;
    ::chmod(m_path.c_str(), 0755);  // tests that drop to "nobody" must still enter it
    if (enter) {
      m_previous = std::filesystem::current_path().string();
      std::filesystem::current_path(m_path);
    }
  }
  virtual ~TempFolder() {
    if (!m_previous.empty()) std::filesystem::current_path(m_previous);
    std::error_code ec;
    for (auto it = std::filesystem::recursive_directory_iterator(
             m_path, std::filesystem::directory_options::skip_permission_denied, ec);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
      if (!it->is_symlink(ec)) ::chmod(it->path().c_str(), it->is_directory(ec) ? 0755 : 0644);
    }
    std::filesystem::remove_all(m_path, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& Path() const { return m_path; }
  std::string operator/(const std::string& relative) const { return m_path + "/" + relative; }

  // Creates the folder (and those above it) with `mode`; returns its path, for
  // an empty `relative` this folder's own with a trailing '/'.
  std::string Folder(const std::string& relative = std::string(), mode_t mode = 0755) const {
    const std::string path = *this / relative;
    std::filesystem::create_directories(path);
    ::chmod(path.c_str(), mode);
    return path;
  }
  // Writes a file (creating its folders); returns its path.
  std::string File(const std::string& relative, const std::string& content = "data") const {
    const std::string path = *this / relative;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << content;
    return path;
  }

 private:
  std::string m_path;
  std::string m_previous;
};

inline void WriteText(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

inline std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// Writes `bytes` to a file (creating its folders) with the permission bits `mode`.
inline void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes, mode_t mode = 0644) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out.good()) throw std::runtime_error("cannot write " + path);
  }
  ::chmod(path.c_str(), mode);
}

inline std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
