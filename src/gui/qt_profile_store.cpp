#include "gui/qt_profile_store.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QUrl>
#include <QUtf8StringView>

#include "files/atomic_file_writer.h"

namespace {

#ifdef Q_OS_WIN
constexpr QSettings::Format kFormat = QSettings::IniFormat;
#else
constexpr QSettings::Format kFormat = QSettings::NativeFormat;
#endif

QByteArray Bytes(std::string_view text) { return QByteArray(text.data(), text.size()); }

// A line without its end and the blanks around it.
QByteArray Trimmed(const QByteArray& line) { return line.trimmed(); }

bool IsSectionLine(const QByteArray& trimmed) {
  return trimmed.startsWith('[') && trimmed.endsWith(']');
}

// Section names are stored with %XX escapes (a space is %20); a hand-written
// name with its spaces is the same section.
QByteArray SectionName(const QByteArray& trimmed) {
  return QUrl::fromPercentEncoding(trimmed.mid(1, trimmed.size() - 2)).toUtf8();
}

bool IsComment(const QByteArray& trimmed) {
  return trimmed.startsWith(';') || trimmed.startsWith('#');
}

}  // namespace

QtProfileStore::QtProfileStore()
    : QtProfileStore(
          QSettings(kFormat, QSettings::UserScope, "Local AppWizard-Generated Applications", "ZTR")
              .fileName()) {}

QtProfileStore::QtProfileStore(const QString& path) : m_path(path) { Read(); }

void QtProfileStore::Read() {
  const QFileInfo info(m_path);
  if (!info.exists()) return;
  QFile file(m_path);
  const QByteArray all = info.isFile() && file.open(QIODevice::ReadOnly) ? file.readAll() : "";
  // Not text, or not all of it read: not a file we understand, so not one
  // to write back.
  m_readOnly = !file.isOpen() || file.error() != QFileDevice::NoError || all.contains('\0') ||
               !QUtf8StringView(all).isValidUtf8();
  if (m_readOnly) return;
  for (qsizetype at = 0; at < all.size();) {
    qsizetype end = all.indexOf('\n', at);
    end = end < 0 ? all.size() : end + 1;
    m_lines.append(all.mid(at, end - at));
    at = end;
  }
}

QtProfileStore::~QtProfileStore() {
  if (!m_changed || m_readOnly) return;
  // A failed write is ignored, as the settings always were.
  try {
    QDir().mkpath(QFileInfo(m_path).path());
    CAtomicFileWriter writer(m_path.toStdString());
    for (const QByteArray& line : m_lines) writer.GetFile().Write(line.constData(), line.size());
    writer.Commit();
  } catch (...) {
  }
}

QtProfileStore::Place QtProfileStore::Find(std::string_view section, std::string_view entry) const {
  const QByteArray wantedSection = Bytes(section), wantedEntry = Bytes(entry);
  Place place;
  bool inSection = false;
  for (qsizetype i = 0; i < m_lines.size(); ++i) {
    const QByteArray line = Trimmed(m_lines[i]);
    if (IsSectionLine(line)) {
      inSection = SectionName(line) == wantedSection;
      if (inSection && place.sectionEnd < 0) place.sectionEnd = i + 1;
      continue;
    }
    if (!inSection || line.isEmpty()) continue;
    if (place.sectionEnd <= i) place.sectionEnd = i + 1;
    const qsizetype eq = line.indexOf('=');
    if (place.line < 0 && !IsComment(line) && eq > 0 && line.left(eq).trimmed() == wantedEntry)
      place.line = i;
  }
  return place;
}

QByteArray QtProfileStore::Value(std::string_view section, std::string_view entry,
                                 bool* found) const {
  const Place place = Find(section, entry);
  if (found) *found = place.line >= 0;
  if (place.line < 0) return {};
  const QByteArray line = Trimmed(m_lines[place.line]);
  return line.mid(line.indexOf('=') + 1).trimmed();
}

void QtProfileStore::SetValue(std::string_view section, std::string_view entry,
                              const QByteArray& text) {
  if (m_readOnly) return;
  const Place place = Find(section, entry);
  if (place.line >= 0) {
    const QByteArray line = Trimmed(m_lines[place.line]);
    if (line.mid(line.indexOf('=') + 1).trimmed() == text) return;
    const QByteArray& old = m_lines[place.line];
    const QByteArray end = old.endsWith("\r\n") ? "\r\n" : "\n";
    m_lines[place.line] = Bytes(entry) + '=' + text + end;
  } else {
    const QByteArray newLine = Bytes(entry) + '=' + text + '\n';
    if (place.sectionEnd >= 0) {
      m_lines.insert(place.sectionEnd, newLine);
    } else {
      if (!m_lines.isEmpty() && !m_lines.last().endsWith('\n')) m_lines.last().append('\n');
      if (!m_lines.isEmpty()) m_lines.append("\n");
      m_lines.append('[' + QUrl::toPercentEncoding(QString::fromUtf8(Bytes(section))) + "]\n");
      m_lines.append(newLine);
    }
  }
  m_changed = true;
}

int QtProfileStore::GetProfileInt(std::string_view section, std::string_view entry,
                                  int defaultValue) {
  QByteArray text = Value(section, entry, nullptr);
  if (text.size() >= 2 && text.startsWith('"') && text.endsWith('"'))
    text = text.mid(1, text.size() - 2).trimmed();
  bool ok = false;
  const int value = text.toInt(&ok);
  return ok ? value : defaultValue;
}

void QtProfileStore::WriteProfileInt(std::string_view section, std::string_view entry, int value) {
  SetValue(section, entry, QByteArray::number(value));
}

// The value as the file spells it: nothing here reads a recent file's path,
// and one written back unchanged must stay byte for byte what it was.
std::string QtProfileStore::GetProfileString(std::string_view section, std::string_view entry,
                                             bool* found) {
  return Value(section, entry, found).toStdString();
}

void QtProfileStore::WriteProfileString(std::string_view section, std::string_view entry,
                                        std::string_view value) {
  SetValue(section, entry, Bytes(value));
}
