#pragma once
// A fresh folder under /tmp for one test, and small file helpers.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

class TestTree {
 public:
  TestTree() {
    std::string pattern = "/tmp/trk-library-XXXXXX";
    if (!::mkdtemp(pattern.data())) ADD_FAILURE() << "mkdtemp failed";
    m_path = pattern;
  }
  ~TestTree() {
    // Make everything removable again (tests take permissions away).
    std::error_code ec;
    for (auto it = std::filesystem::recursive_directory_iterator(
             m_path, std::filesystem::directory_options::skip_permission_denied, ec);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
      if (!it->is_symlink()) ::chmod(it->path().c_str(), it->is_directory() ? 0755 : 0644);
    }
    ::chmod(m_path.c_str(), 0755);
    std::filesystem::remove_all(m_path, ec);
  }
  TestTree(const TestTree&) = delete;
  TestTree& operator=(const TestTree&) = delete;

  const std::string& Path() const { return m_path; }
  std::string operator/(const std::string& relative) const { return m_path + "/" + relative; }

  // Writes a file (creating its folders); returns its path.
  std::string File(const std::string& relative, const std::string& content = "data") const {
    const std::string path = *this / relative;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << content;
    return path;
  }

 private:
  std::string m_path;
};

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

inline mode_t ModeOf(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

inline void Protect(const std::string& path) { ::chmod(path.c_str(), 0444); }
