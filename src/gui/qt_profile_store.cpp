#include "gui/qt_profile_store.h"

namespace {
QString Key(std::string_view section, std::string_view entry) {
  return QString::fromUtf8(section.data(), section.size()) + '/' +
         QString::fromUtf8(entry.data(), entry.size());
}
}  // namespace

QtProfileStore::QtProfileStore()
    : m_settings(QSettings::IniFormat, QSettings::UserScope, "Local AppWizard-Generated Applications",
                 "ZTR") {}

QtProfileStore::QtProfileStore(const QString& path) : m_settings(path, QSettings::IniFormat) {}

int QtProfileStore::GetProfileInt(std::string_view section, std::string_view entry,
                                  int defaultValue) {
  bool ok = false;
  const int value = m_settings.value(Key(section, entry)).toInt(&ok);
  return ok ? value : defaultValue;
}

void QtProfileStore::WriteProfileInt(std::string_view section, std::string_view entry, int value) {
  m_settings.setValue(Key(section, entry), value);
}

std::string QtProfileStore::GetProfileString(std::string_view section, std::string_view entry,
                                             bool* found) {
  const QVariant value = m_settings.value(Key(section, entry));
  if (found) *found = value.isValid();
  return value.toString().toStdString();
}

void QtProfileStore::WriteProfileString(std::string_view section, std::string_view entry,
                                        std::string_view value) {
  m_settings.setValue(Key(section, entry), QString::fromUtf8(value.data(), value.size()));
}

void QtProfileStore::DeleteSection(std::string_view section) {
  m_settings.remove(QString::fromUtf8(section.data(), section.size()));
}
