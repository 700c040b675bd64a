#pragma once
// A fresh folder under /tmp for one test, removed afterwards; optionally the
// current directory while it lives.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

class TempFolder {
 public:
  explicit TempFolder(bool enter = false) {
    std::string pattern = "/tmp/trk-settings-XXXXXX";
    if (!::mkdtemp(pattern.data())) ADD_FAILURE() << "mkdtemp failed";
    m_path = pattern;
    if (enter) {
      m_previous = std::filesystem::current_path().string();
      std::filesystem::current_path(m_path);
    }
  }
  ~TempFolder() {
    if (!m_previous.empty()) std::filesystem::current_path(m_previous);
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
  }
  const std::string& Path() const { return m_path; }
  std::string operator/(const std::string& name) const { return m_path + "/" + name; }

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
