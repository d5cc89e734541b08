#include "gui/change_rows.h"

#include <QGuiApplication>
#include <QPixmap>

#include "gui/artwork.h"
#include "gui/display_text.h"
#include "platform/local_time.h"
#include "platform/number_text.h"
#include "tree/scan_nodes.h"

namespace {

QString Text(std::string_view utf8) {
  return OneLineText(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())));
}

// "1,234 bytes, 2019-04-15 12:34" for a file, "12 files, 1,234 bytes" for a
// folder, "not entered [reason]" for a folder the scan could not enter.
QString SideText(const ChangeEntry& entry, const ChangeSide& side) {
  if (!side.present) return {};
  if (side.unreadable) return Text("not entered [" + entry.reason + "]");
  std::string text;
  if (entry.folder) text = Thousands(side.files) + (side.files == 1 ? " file, " : " files, ");
  text += Thousands(static_cast<uint64_t>(side.bytes)) + " bytes";
  if (!entry.folder) text += ", " + FormatFileTime(side.lastWrite, "%Y-%m-%d %H:%M");
  return Text(text);
}

// A side that is not there, or not entered, sorts before every size.
int64_t SideKey(const ChangeSide& side) {
  return side.present && !side.unreadable ? side.bytes : -1;
}

}  // namespace

ChangeRows::ChangeRows() {
  const qreal dpr = qApp ? qApp->devicePixelRatio() : 1.0;
  m_fileImage = QIcon(NodeImage(kFileImages.image, dpr));
  m_folderImage = QIcon(NodeImage(FolderImages(0).image, dpr));
}

QString ChangeRows::Header(int column) const {
  static const char* const kHeaders[] = {"Change", "Path", "Old", "New"};
  return column >= 0 && column < ColumnCount_ ? QString(kHeaders[column]) : QString();
}

bool ChangeRows::IsNumeric(int) const { return false; }

QVariant ChangeRows::Data(size_t row, int column, int role) const {
  const ChangeEntry& entry = m_list.entries[row];
  if (role == Qt::DecorationRole)
    return column == PathColumn ? (entry.folder ? m_folderImage : m_fileImage) : QVariant();
  if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
  switch (column) {
    case ChangeColumn:
      return Text(ChangeKindName(entry.kind));
    case PathColumn:
      return entry.from.empty() ? Text(entry.path) : Text(entry.from + " -> " + entry.path);
    case OldColumn:
      return SideText(entry, entry.oldSide);
    case NewColumn:
      return SideText(entry, entry.newSide);
    default:
      return {};
  }
}

bool ChangeRows::Less(size_t a, size_t b, int column) const {
  const ChangeEntry& x = m_list.entries[a];
  const ChangeEntry& y = m_list.entries[b];
  switch (column) {
    case ChangeColumn:
      return x.kind < y.kind;
    case PathColumn:
      return CompareFolded(x.path, y.path) < 0;
    case OldColumn:
      return SideKey(x.oldSide) < SideKey(y.oldSide);
    case NewColumn:
      return SideKey(x.newSide) < SideKey(y.newSide);
    default:
      return false;
  }
}

bool ChangeRows::SortKey(size_t row, int column, int64_t& key) const {
  const ChangeEntry& entry = m_list.entries[row];
  switch (column) {
    case ChangeColumn:
      key = static_cast<int64_t>(entry.kind);
      return true;
    case OldColumn:
      key = SideKey(entry.oldSide);
      return true;
    case NewColumn:
      key = SideKey(entry.newSide);
      return true;
    default:
      return false;
  }
}
