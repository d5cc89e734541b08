#include "platform/user_folders.h"

#include <cstdlib>

namespace {

// The variable's value when it holds an absolute path (XDG says a relative
// one is to be ignored); else home followed by fallback.
std::string FromEnvironment(const char* variable, const char* home, const char* fallback) {
  const char* value = std::getenv(variable);
  if (value != nullptr && value[0] != '\0') {
#ifdef _WIN32
    return value;
#else
    if (value[0] == '/') return value;
#endif
  }
  const char* homeValue = home == nullptr ? nullptr : std::getenv(home);
  if (homeValue == nullptr || homeValue[0] == '\0') return {};
  return std::string(homeValue) + fallback;
}

}  // namespace

#ifdef _WIN32
std::string UserConfigFolder() { return FromEnvironment("APPDATA", nullptr, ""); }
std::string UserCacheFolder() { return FromEnvironment("LOCALAPPDATA", nullptr, ""); }
#else
std::string UserConfigFolder() { return FromEnvironment("XDG_CONFIG_HOME", "HOME", "/.config"); }
std::string UserCacheFolder() { return FromEnvironment("XDG_CACHE_HOME", "HOME", "/.cache"); }
#endif
