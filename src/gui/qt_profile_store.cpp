#include "gui/qt_profile_store.h"

#include <QFile>
#include <QFileInfo>
#include <QUrl>

namespace {
QString Key(std::string_view section, std::string_view entry) {
  return QString::fromUtf8(section.data(), section.size()) + '/' +
         QString::fromUtf8(entry.data(), entry.size());
}
}  // namespace

QString QtProfileStore::RawValue(std::string_view section, std::string_view entry) const {
  QFile file(m_settings.fileName());
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return {};
  const QString wantedSection = QString::fromUtf8(section.data(), section.size());
  const QString wantedEntry = QString::fromUtf8(entry.data(), entry.size());
  bool inSection = false;
  while (!file.atEnd()) {
    const QString line = QString::fromUtf8(file.readLine()).trimmed();
    if (line.startsWith('[') && line.endsWith(']')) {
      // Section names are stored with %XX escapes (a space is %20).
      const QString name = QUrl::fromPercentEncoding(line.mid(1, line.size() - 2).toUtf8());
      inSection = name == wantedSection;
      continue;
    }
    const qsizetype eq = line.indexOf('=');
    if (inSection && eq > 0 && line.left(eq).trimmed() == wantedEntry)
      return line.mid(eq + 1).trimmed();
  }
  return {};
}

QtProfileStore::QtProfileStore()
    : m_settings(QSettings::NativeFormat, QSettings::UserScope,
                 "Local AppWizard-Generated Applications", "ZTR") {
  CheckReadable();
}

QtProfileStore::QtProfileStore(const QString& path) : m_settings(path, QSettings::NativeFormat) {
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
  // The file format reads an unquoted comma as a list separator; a string
  // value (a recent file's path) is wanted as it stands in the file.
  if (value.typeId() == QMetaType::QStringList) return RawValue(section, entry).toStdString();
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
