// Linked into every test binary, run before main:
// - the tests start in a Japanese desktop locale, whatever the caller's
//   environment, so that the interface language (Japanese) and the speed unit
//   (km/h) they expect do not depend on who runs them; tests of the locale
//   rules set these variables themselves;
// - the settings file that is not in a test's current folder lands in a
//   configuration folder of the test process's own, never in the user's
//   ~/.config (nor the scan index in ~/.cache); tests of the location rules
//   set XDG_CONFIG_HOME themselves.
#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <system_error>

#include <unistd.h>

namespace {

class PinnedEnvironment {
 public:
  PinnedEnvironment() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LC_MEASUREMENT"}) ::unsetenv(name);
    ::setenv("LANG", "ja_JP.UTF-8", 1);

    std::string pattern = (std::filesystem::temp_directory_path() / "trk-test-config-XXXXXX").string();
    if (::mkdtemp(pattern.data()) != nullptr) {
      m_configHome = pattern;
      m_owner = ::getpid();
      ::setenv("XDG_CONFIG_HOME", m_configHome.c_str(), 1);
      ::setenv("XDG_CACHE_HOME", (m_configHome + "/cache").c_str(), 1);  // the scan index
    }
  }
  ~PinnedEnvironment() {
    // A child forked by a test that ends through exit() must not take the
    // folder away from its parent.
    std::error_code ignored;
    if (!m_configHome.empty() && ::getpid() == m_owner) std::filesystem::remove_all(m_configHome, ignored);
  }
  PinnedEnvironment(const PinnedEnvironment&) = delete;
  PinnedEnvironment& operator=(const PinnedEnvironment&) = delete;

 private:
  std::string m_configHome;
  pid_t m_owner = 0;
};

const PinnedEnvironment kPinnedEnvironment;

}  // namespace
