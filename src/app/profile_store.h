// Per-user settings, in sections of named values. A value that cannot be read
// gives the default; a write that fails is ignored.
#pragma once

#include <string>
#include <string_view>

class ProfileStore {
 public:
  virtual ~ProfileStore() = default;
  virtual int GetProfileInt(std::string_view section, std::string_view entry, int defaultValue) = 0;
  virtual void WriteProfileInt(std::string_view section, std::string_view entry, int value) = 0;
  // found is false when the value does not exist.
  virtual std::string GetProfileString(std::string_view section, std::string_view entry,
                                       bool* found = nullptr) = 0;
  virtual void WriteProfileString(std::string_view section, std::string_view entry,
                                  std::string_view value) = 0;
};
