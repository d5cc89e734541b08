// The per-user settings file, in Qt's INI form: on Linux
// ~/.config/Local AppWizard-Generated Applications/ZTR.conf, on Windows
// %APPDATA%\Local AppWizard-Generated Applications\ZTR.ini.
//
// The file is the user's as much as ours: it is read as lines and rewritten
// only where one of our values changed. Every other line (comments, other
// sections and keys, values Qt could not read, backslashes as typed) stays
// byte for byte, and a value is given back exactly as the file spells it.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include "app/profile_store.h"

class QtProfileStore : public ProfileStore {
 public:
  QtProfileStore();                              // the user's settings
  explicit QtProfileStore(const QString& path);  // an explicit settings file (tests)
  // Writes the file back when a value changed.
  ~QtProfileStore() override;
  QtProfileStore(const QtProfileStore&) = delete;
  QtProfileStore& operator=(const QtProfileStore&) = delete;

  int GetProfileInt(std::string_view section, std::string_view entry, int defaultValue) override;
  void WriteProfileInt(std::string_view section, std::string_view entry, int value) override;
  std::string GetProfileString(std::string_view section, std::string_view entry,
                               bool* found) override;
  void WriteProfileString(std::string_view section, std::string_view entry,
                          std::string_view value) override;

  const QString& FileName() const { return m_path; }
  // True when the file could not be read whole: then nothing is written
  // back, so a file we failed to understand is never replaced by a part of it.
  bool ReadOnly() const { return m_readOnly; }

 private:
  struct Place {
    qsizetype line = -1;        // the entry's line, or -1
    qsizetype sectionEnd = -1;  // after the section's last non-blank line, or -1
  };
  void Read();
  Place Find(std::string_view section, std::string_view entry) const;
  QByteArray Value(std::string_view section, std::string_view entry, bool* found) const;
  void SetValue(std::string_view section, std::string_view entry, const QByteArray& text);

  QString m_path;
  QList<QByteArray> m_lines;  // each with its line end as the file has it
  bool m_readOnly = false;
  bool m_changed = false;
};
