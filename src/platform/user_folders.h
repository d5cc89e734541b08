// The per-user folders where programs keep settings and caches, by the
// system's conventions: $XDG_CONFIG_HOME (or ~/.config) and $XDG_CACHE_HOME
// (or ~/.cache) on Linux, %APPDATA% and %LOCALAPPDATA% on Windows.
#pragma once

#include <string>

// Each is empty when the environment names no such folder (no home either).
std::string UserConfigFolder();
std::string UserCacheFolder();
