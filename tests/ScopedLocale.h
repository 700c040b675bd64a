#pragma once
// A desktop locale for one test: LC_ALL, LC_MESSAGES, LC_MEASUREMENT and LANG
// are cleared, the given ones set, and all four restored afterwards.
#include <cstdlib>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class ScopedLocale {
 public:
  using Variable = std::pair<const char*, const char*>;

  explicit ScopedLocale(std::initializer_list<Variable> variables) : ScopedLocale(std::vector<Variable>(variables)) {}
  explicit ScopedLocale(const std::vector<Variable>& variables) {
    for (std::size_t i = 0; i < kCount; ++i) {
      const char* value = std::getenv(kNames[i]);
      if (value != nullptr) m_saved[i] = std::string(value);
      ::unsetenv(kNames[i]);
    }
    for (const Variable& v : variables) ::setenv(v.first, v.second, 1);
  }
  ~ScopedLocale() {
    for (std::size_t i = 0; i < kCount; ++i) {
      if (m_saved[i])
        ::setenv(kNames[i], m_saved[i]->c_str(), 1);
      else
        ::unsetenv(kNames[i]);
    }
  }
  ScopedLocale(const ScopedLocale&) = delete;
  ScopedLocale& operator=(const ScopedLocale&) = delete;

 private:
  static constexpr std::size_t kCount = 4;
  static constexpr const char* kNames[kCount] = {"LC_ALL", "LC_MESSAGES", "LC_MEASUREMENT", "LANG"};
  std::optional<std::string> m_saved[kCount];
};
