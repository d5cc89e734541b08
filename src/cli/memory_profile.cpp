#include "cli/memory_profile.h"

#include <charconv>

std::string MemoryProfileStore::Key(std::string_view section, std::string_view entry) {
  std::string key(section);
  key += '\n';
  key += entry;
  return key;
}

int MemoryProfileStore::GetProfileInt(std::string_view section, std::string_view entry,
                                      int defaultValue) {
  const auto it = m_values.find(Key(section, entry));
  if (it == m_values.end()) return defaultValue;
  int value = defaultValue;
  const std::string& text = it->second;
  const auto [end, err] = std::from_chars(text.data(), text.data() + text.size(), value);
  return err == std::errc() && end == text.data() + text.size() ? value : defaultValue;
}

void MemoryProfileStore::WriteProfileInt(std::string_view section, std::string_view entry,
                                         int value) {
  m_values[Key(section, entry)] = std::to_string(value);
}

std::string MemoryProfileStore::GetProfileString(std::string_view section, std::string_view entry,
                                                 bool* found) {
  const auto it = m_values.find(Key(section, entry));
  if (found) *found = it != m_values.end();
  return it == m_values.end() ? std::string() : it->second;
}

void MemoryProfileStore::WriteProfileString(std::string_view section, std::string_view entry,
                                            std::string_view value) {
  m_values[Key(section, entry)] = std::string(value);
}
