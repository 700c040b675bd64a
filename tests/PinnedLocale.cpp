// Linked into every test binary: the tests start in a Japanese desktop
// locale, whatever the caller's environment, so that the interface language
// (Japanese) and the speed unit (km/h) they expect do not depend on who runs
// them. Tests of the locale rules set these variables themselves.
#include <cstdlib>
#include <initializer_list>

namespace {

struct PinnedLocale {
  PinnedLocale() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LC_MEASUREMENT"}) ::unsetenv(name);
    ::setenv("LANG", "ja_JP.UTF-8", 1);
  }
};

const PinnedLocale kPinnedLocale;

}  // namespace
