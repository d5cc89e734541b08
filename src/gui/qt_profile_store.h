// The per-user settings in QSettings, in Qt's native format for the system:
// on Linux the file ~/.config/Local AppWizard-Generated Applications/ZTR.conf,
// on Windows the registry key HKCU\Software\Local AppWizard-Generated
// Applications\ZTR.
#pragma once

#include <QSettings>

#include "app/profile_store.h"

class QtProfileStore : public ProfileStore {
 public:
  QtProfileStore();                              // the user's settings
  explicit QtProfileStore(const QString& path);  // an explicit settings file (tests)

  int GetProfileInt(std::string_view section, std::string_view entry, int defaultValue) override;
  void WriteProfileInt(std::string_view section, std::string_view entry, int value) override;
  std::string GetProfileString(std::string_view section, std::string_view entry,
                               bool* found) override;
  void WriteProfileString(std::string_view section, std::string_view entry,
                          std::string_view value) override;
  void DeleteSection(std::string_view section) override;

  QSettings& Settings() { return m_settings; }
  // True when the file could not be read whole: then nothing is written
  // back, so a file we failed to understand is never replaced by a part of it.
  bool ReadOnly() const { return m_readOnly; }

 private:
  void CheckReadable();
  // A value's text exactly as the file holds it.
  QString RawValue(std::string_view section, std::string_view entry) const;

  QSettings m_settings;
  bool m_readOnly = false;
};
