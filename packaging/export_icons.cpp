// Writes the application icon as the PNG files of the hicolor icon theme,
// FOLDER/NxN/apps/ztr.png for each size N given, drawn by the same code as the window's icon.
#include <QDir>
#include <QGuiApplication>
#include <QPixmap>
#include <cstdio>

#include "gui/artwork.h"

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  const QStringList args = QGuiApplication::arguments();
  if (args.size() < 3) {
    std::fputs("Usage: export_icons FOLDER SIZE...\n", stderr);
    return 2;
  }
  const QIcon icon = ApplicationIcon();
  for (qsizetype i = 2; i < args.size(); ++i) {
    const int size = args[i].toInt();
    const QString folder = QStringLiteral("%1/%2x%2/apps").arg(args[1]).arg(size);
    const QPixmap pixmap = icon.pixmap(QSize(size, size), 1.0);
    if (size <= 0 || pixmap.size() != QSize(size, size) || !QDir().mkpath(folder) ||
        !pixmap.save(folder + "/ztr.png")) {
      std::fprintf(stderr, "export_icons: cannot write the %s pixel icon\n", qPrintable(args[i]));
      return 1;
    }
  }
  return 0;
}
