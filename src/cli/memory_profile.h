// Settings that live only as long as the tool runs: the frame reads and
// writes its options as always, and the user's own settings are never touched.
#pragma once

#include <map>
#include <string>

#include "app/profile_store.h"

class MemoryProfileStore : public ProfileStore {
 public:
  int GetProfileInt(std::string_view section, std::string_view entry, int defaultValue) override;
  void WriteProfileInt(std::string_view section, std::string_view entry, int value) override;
  std::string GetProfileString(std::string_view section, std::string_view entry,
                               bool* found = nullptr) override;
  void WriteProfileString(std::string_view section, std::string_view entry,
                          std::string_view value) override;

 private:
  // Keyed "section\nentry"; a newline is in neither name.
  static std::string Key(std::string_view section, std::string_view entry);

  std::map<std::string, std::string, std::less<>> m_values;
};
