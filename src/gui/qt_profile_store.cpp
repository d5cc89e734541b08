#include "gui/qt_profile_store.h"

#include <QFileInfo>

namespace {
QString Key(std::string_view section, std::string_view entry) {
  return QString::fromUtf8(section.data(), section.size()) + '/' +
         QString::fromUtf8(entry.data(), entry.size());
}
}  // namespace

QtProfileStore::QtProfileStore()
    : m_settings(QSettings::IniFormat, QSettings::UserScope, "Local AppWizard-Generated Applications",
                 "ZTR") {
  CheckReadable();
}

QtProfileStore::QtProfileStore(const QString& path) : m_settings(path, QSettings::IniFormat) {
  CheckReadable();
}

void QtProfileStore::CheckReadable() {
  const QFileInfo file(m_settings.fileName());
  m_settings.allKeys();  // reads the file now, so that its status is known
  m_readOnly = (file.exists() && (!file.isFile() || !file.isReadable())) ||
               m_settings.status() != QSettings::NoError;
}

int QtProfileStore::GetProfileInt(std::string_view section, std::string_view entry,
                                  int defaultValue) {
  bool ok = false;
  const int value = m_settings.value(Key(section, entry)).toInt(&ok);
  return ok ? value : defaultValue;
}

void QtProfileStore::WriteProfileInt(std::string_view section, std::string_view entry, int value) {
  if (!m_readOnly) m_settings.setValue(Key(section, entry), value);
}

std::string QtProfileStore::GetProfileString(std::string_view section, std::string_view entry,
                                             bool* found) {
  const QVariant value = m_settings.value(Key(section, entry));
  if (found) *found = value.isValid();
  return value.toString().toStdString();
}

void QtProfileStore::WriteProfileString(std::string_view section, std::string_view entry,
                                        std::string_view value) {
  if (!m_readOnly)
    m_settings.setValue(Key(section, entry), QString::fromUtf8(value.data(), value.size()));
}

void QtProfileStore::DeleteSection(std::string_view section) {
  if (!m_readOnly) m_settings.remove(QString::fromUtf8(section.data(), section.size()));
}
