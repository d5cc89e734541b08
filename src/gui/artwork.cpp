#include "gui/artwork.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPixmapCache>
#include <QPolygonF>
#include <QStringList>
#include <functional>
#include <initializer_list>

namespace {

// ---------------------------------------------------------------------------------------------
// Drawing on the logical pixel grid. A "cell" is one logical pixel. Outlines run through the
// centres of their outer cells with a pen one cell wide, so they cover exactly those cells;
// blocks fill whole cells. Both land on device pixel boundaries at every integral ratio.

QPointF Cell(qreal x, qreal y) { return {x + 0.5, y + 0.5}; }

// Exactly the cells from (x0, y0) to (x1, y1).
QRectF Block(int x0, int y0, int x1, int y1) { return QRectF(x0, y0, x1 - x0 + 1, y1 - y0 + 1); }

QPen Outline(const QColor& colour, qreal width = 1.0) {
  return QPen(colour, width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
}

// A closed polygon through the centres of the given cells, filled and outlined.
void Shape(QPainter& p, std::initializer_list<QPointF> cells, const QColor& fill,
           const QColor& outline) {
  QPolygonF polygon;
  for (const QPointF& c : cells) polygon << Cell(c.x(), c.y());
  p.setPen(Outline(outline));
  p.setBrush(fill);
  p.drawPolygon(polygon);
}

// A rectangle over the cells x0..x1, y0..y1 with a one-cell border. Filled rather than stroked,
// so its corners are as sharp as its sides.
void Box(QPainter& p, int x0, int y0, int x1, int y1, const QColor& fill, const QColor& outline) {
  p.fillRect(Block(x0, y0, x1, y1), outline);
  p.fillRect(Block(x0 + 1, y0 + 1, x1 - 1, y1 - 1), fill);
}

// A horizontal line one cell high over the cells x0..x1 of row y.
void Row(QPainter& p, int x0, int x1, int y, const QColor& colour) {
  p.fillRect(Block(x0, y, x1, y), colour);
}

// Below ratio 1.5 small curves and diagonals drawn smoothly turn to grey mush, so the tick and
// the scissors' rings are laid out cell by cell there; finer screens get the smooth shapes.
bool Coarse(QPainter& p) { return p.device()->devicePixelRatioF() < 1.5; }

QPixmap Blank(QSize logical, qreal dpr) {
  if (!(dpr > 0)) dpr = 1;
  QPixmap pixmap(qRound(logical.width() * dpr), qRound(logical.height() * dpr));
  pixmap.setDevicePixelRatio(dpr);
  pixmap.fill(Qt::transparent);
  return pixmap;
}

QPixmap Render(QSize logical, qreal dpr, const std::function<void(QPainter&)>& draw) {
  QPixmap pixmap = Blank(logical, dpr);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  draw(p);
  return pixmap;
}

// The tree view repaints rows all the time; drawing each image once per ratio is enough.
QPixmap Cached(const QString& key, const std::function<QPixmap()>& make) {
  QPixmap pixmap;
  if (!QPixmapCache::find(key, &pixmap)) {
    pixmap = make();
    QPixmapCache::insert(key, pixmap);
  }
  return pixmap;
}

// ---------------------------------------------------------------------------------------------
// Palette: flat colours, each hue with its own dark outline.

const QColor kInk(0x3a, 0x3a, 0x3a);
const QColor kPaper(0xff, 0xff, 0xff);
const QColor kPaperShade(0xd4, 0xd8, 0xde);
const QColor kTextLine(0x98, 0xa4, 0xb4);

struct FolderColours {
  QColor front, back, light, outline;
};
const FolderColours kYellowFolder{
    {0xf6, 0xcb, 0x4a}, {0xd8, 0xa5, 0x2c}, {0xfc, 0xe7, 0x9c}, {0x86, 0x5e, 0x10}};
const FolderColours kRedFolder{
    {0xe8, 0x55, 0x48}, {0xbe, 0x36, 0x2c}, {0xf6, 0xa4, 0x9c}, {0x6c, 0x14, 0x10}};

// ---------------------------------------------------------------------------------------------
// Shared motifs, drawn in the 17 x 16 node grid (toolbar icons shift them by a translation).

void Folder(QPainter& p, bool open, const FolderColours& c) {
  if (!open) {
    Shape(p, {{1, 3}, {2, 2}, {6, 2}, {7, 3}, {15, 3}, {15, 14}, {1, 14}}, c.front, c.outline);
    Row(p, 2, 14, 4, c.light);
    return;
  }
  // The back panel; its hidden lower edge runs under the front flap.
  Shape(p, {{1, 14}, {1, 3}, {2, 2}, {6, 2}, {7, 3}, {14, 3}, {14, 7}}, c.back, c.outline);
  Shape(p, {{1, 14}, {4, 7}, {16, 7}, {13, 14}}, c.front, c.outline);
  Row(p, 5, 15, 8, c.light);
}

// A page with a turned-down corner over the cells x0..x1, y0..y1.
void Page(QPainter& p, int x0, int y0, int x1, int y1, bool lines) {
  const int fold = 3;
  Shape(p,
        {QPoint(x0, y0), QPoint(x1 - fold, y0), QPoint(x1, y0 + fold), QPoint(x1, y1),
         QPoint(x0, y1)},
        kPaper, kInk);
  Shape(p, {QPoint(x1 - fold, y0), QPoint(x1 - fold, y0 + fold), QPoint(x1, y0 + fold)},
        kPaperShade, kInk);
  if (!lines) return;
  // Lines of text on every other row below the fold; the last one ends short, like a paragraph.
  const int first = y0 + 5;
  const int last = first + (y1 - 2 - first) / 2 * 2;
  for (int y = first; y <= last; y += 2) Row(p, x0 + 2, y == last ? x1 - 4 : x1 - 2, y, kTextLine);
}

// ---------------------------------------------------------------------------------------------
// Node images

void Drive(QPainter& p) {
  const QColor outline(0x3c, 0x3c, 0x3c);
  Shape(p, {{3, 4}, {15, 4}, {13, 7}, {1, 7}}, QColor(0xe6, 0xe6, 0xe6), outline);      // top
  Shape(p, {{13, 7}, {15, 4}, {15, 10}, {13, 12}}, QColor(0x84, 0x84, 0x88), outline);  // side
  Box(p, 1, 7, 13, 12, QColor(0xb8, 0xba, 0xc0), outline);                              // front
  Row(p, 3, 7, 10, QColor(0x50, 0x50, 0x58));                                           // slot
  p.fillRect(Block(10, 9, 11, 10), QColor(0x2c, 0xc8, 0x3c));                           // light
}

void DrawNode(QPainter& p, int index) {
  switch (index) {
    case 0:
      Drive(p);
      break;
    case 1:
      Folder(p, false, kYellowFolder);
      break;
    case 2:
      Folder(p, true, kYellowFolder);
      break;
    case 3:
      Folder(p, false, kRedFolder);
      break;
    case 4:
      Folder(p, true, kRedFolder);
      break;
    case 5:
      Page(p, 3, 1, 13, 14, true);
      break;
  }
}

// ---------------------------------------------------------------------------------------------
// State images

void Tick(QPainter& p, const QColor& colour) {
  if (Coarse(p)) {
    const int tops[] = {6, 7, 8, 7, 6, 5, 4};  // columns 4..10, each three cells high
    for (int i = 0; i < 7; ++i) p.fillRect(Block(4 + i, tops[i], 4 + i, tops[i] + 2), colour);
    return;
  }
  p.setPen(QPen(colour, 2.2, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
  p.setBrush(Qt::NoBrush);
  p.drawPolyline(QPolygonF{{QPointF(4.0, 7.5), QPointF(6.5, 10.0), QPointF(11.0, 5.0)}});
}

void DrawState(QPainter& p, int index) {
  switch (index) {
    case 1:
      Box(p, 1, 1, 13, 13, kPaper, kInk);
      break;
    case 2:
      Box(p, 1, 1, 13, 13, kPaper, kInk);
      Tick(p, QColor(0x18, 0x18, 0x18));
      break;
    case 3:
      Box(p, 1, 1, 13, 13, QColor(0xe8, 0xe8, 0xe8), QColor(0x80, 0x80, 0x80));
      Tick(p, QColor(0x90, 0x90, 0x90));
      break;
    case 4:
      p.setPen(Outline(QColor(0x70, 0x0c, 0x0c)));
      p.setBrush(QColor(0xdc, 0x22, 0x22));
      p.drawEllipse(QPointF(7.5, 7.5), 6.0, 6.0);
      p.fillRect(Block(4, 6, 10, 8), kPaper);
      break;
  }
}

// ---------------------------------------------------------------------------------------------
// Toolbar icons, 16 x 15

void Floppy(QPainter& p) {
  const QColor outline(0x16, 0x26, 0x50);
  Shape(p, {{1, 1}, {13, 1}, {14, 2}, {14, 14}, {1, 14}}, QColor(0x3c, 0x5c, 0xaa), outline);
  Box(p, 4, 1, 11, 5, QColor(0xc8, 0xcc, 0xd4), outline);  // shutter
  p.fillRect(Block(9, 2, 10, 4), QColor(0x3c, 0x5c, 0xaa));
  Box(p, 3, 8, 12, 14, kPaper, outline);  // label
  Row(p, 5, 10, 10, kTextLine);
  Row(p, 5, 10, 12, kTextLine);
}

// A finger ring of the scissors: five cells across, centred on cell (cx, cy).
void Ring(QPainter& p, int cx, int cy, const QColor& colour) {
  if (Coarse(p)) {
    Row(p, cx - 1, cx + 1, cy - 2, colour);
    Row(p, cx - 1, cx + 1, cy + 2, colour);
    p.fillRect(Block(cx - 2, cy - 1, cx - 2, cy + 1), colour);
    p.fillRect(Block(cx + 2, cy - 1, cx + 2, cy + 1), colour);
    return;
  }
  p.setPen(Outline(colour));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(Cell(cx, cy), 2.0, 2.0);
}

// A straight line through the cells from (x0, y0) to (x1, y1), one cell thick.
void Line(QPainter& p, int x0, int y0, int x1, int y1, const QColor& colour) {
  if (!Coarse(p)) {
    p.setPen(Outline(colour));
    p.drawLine(Cell(x0, y0), Cell(x1, y1));
    return;
  }
  const int steps = qMax(qAbs(x1 - x0), qAbs(y1 - y0));
  for (int i = 0; i <= steps; ++i) {
    const qreal t = steps ? qreal(i) / steps : 0;
    const int x = qRound(x0 + t * (x1 - x0)), y = qRound(y0 + t * (y1 - y0));
    p.fillRect(Block(x, y, x, y), colour);
  }
}

void Scissors(QPainter& p) {
  const QColor blade(0x58, 0x5c, 0x64);
  Line(p, 5, 8, 10, 0, blade);
  Line(p, 10, 8, 5, 0, blade);
  const QColor handle(0x1c, 0x2c, 0x7c);
  Ring(p, 4, 11, handle);
  Ring(p, 11, 11, handle);
  p.fillRect(Block(7, 4, 8, 4), kInk);  // pivot
}

void Clipboard(QPainter& p) {
  const QColor outline(0x5a, 0x3a, 0x14);
  Box(p, 1, 1, 12, 14, QColor(0xb8, 0x84, 0x44), outline);
  Box(p, 4, 0, 9, 2, QColor(0xc8, 0xcc, 0xd4), kInk);
  Page(p, 6, 5, 14, 14, false);
  Row(p, 8, 12, 9, kTextLine);
  Row(p, 8, 12, 11, kTextLine);
}

void Printer(QPainter& p) {
  Box(p, 4, 0, 11, 6, kPaper, kInk);                          // paper going in
  Box(p, 0, 5, 15, 11, QColor(0xc4, 0xc6, 0xcc), kInk);       // body
  Row(p, 2, 13, 7, QColor(0x8c, 0x90, 0x98));                 // feed slot
  p.fillRect(Block(12, 9, 13, 9), QColor(0x2c, 0xc8, 0x3c));  // power light
  Box(p, 3, 10, 12, 14, kPaper, kInk);                        // printout
  Row(p, 5, 10, 12, kTextLine);
}

void AboutSign(QPainter& p) {
  p.setPen(Outline(QColor(0x14, 0x36, 0x70)));
  p.setBrush(QColor(0x2f, 0x6c, 0xd0));
  p.drawEllipse(QPointF(8.0, 7.5), 6.5, 6.5);
  p.fillRect(Block(7, 3, 8, 4), kPaper);
  p.fillRect(Block(7, 6, 8, 11), kPaper);
}

// A magnifying glass over a page: searching the catalogues.
void Magnifier(QPainter& p) {
  Page(p, 1, 0, 10, 12, true);
  p.setPen(QPen(kInk, 2.0, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(11.5, 10.5), QPointF(14.5, 13.5));
  p.setPen(Outline(kInk));
  p.setBrush(QColor(0xcf, 0xe4, 0xff));
  p.drawEllipse(QPointF(9.0, 8.0), 3.5, 3.5);
}

void DrawToolbar(QPainter& p, ToolbarButton which) {
  switch (which) {
    case ToolbarButton::New:
      Page(p, 3, 0, 13, 14, false);
      break;
    case ToolbarButton::Open:
      p.translate(-1, 0);
      Folder(p, true, kYellowFolder);
      break;
    case ToolbarButton::Save:
      Floppy(p);
      break;
    case ToolbarButton::Cut:
      Scissors(p);
      break;
    case ToolbarButton::Copy:
      Page(p, 1, 0, 9, 10, true);
      Page(p, 6, 4, 14, 14, true);
      break;
    case ToolbarButton::Paste:
      Clipboard(p);
      break;
    case ToolbarButton::Print:
      Printer(p);
      break;
    case ToolbarButton::About:
      AboutSign(p);
      break;
    case ToolbarButton::Search:
      Magnifier(p);
      break;
  }
}

// ---------------------------------------------------------------------------------------------
// About pictures

constexpr QSize kWebLinkSize{206, 32};
constexpr QSize kCreditSize{114, 19};
const char* const kCreditText = "ZTR Project";

// The largest font up to `pixels` high in which `text` fits into `width`.
QFont FittingFont(const QString& text, int pixels, int width, bool bold) {
  QFont font(QStringLiteral("Sans Serif"));
  font.setStyleHint(QFont::SansSerif);
  font.setBold(bold);
  for (; pixels > 6; --pixels) {
    font.setPixelSize(pixels);
    if (QFontMetrics(font).horizontalAdvance(text) <= width) break;
  }
  return font;
}

// The smallest font an address is drawn in on one line before it is broken onto two.
constexpr int kOneLineMinimumPixels = 10;

// The address on one line, or on two broken after the '/' that balances them best.
QStringList AddressLines(const QString& address, int width) {
  if (FittingFont(address, 14, width, true).pixelSize() >= kOneLineMinimumPixels) return {address};
  qsizetype best = -1;
  for (qsizetype i = address.indexOf('/'); i >= 0 && i + 1 < address.size();
       i = address.indexOf('/', i + 1))
    if (best < 0 || qAbs(address.size() - 2 * (i + 1)) < qAbs(address.size() - 2 * (best + 1)))
      best = i;
  if (best < 0) return {address};
  return {address.left(best + 1), address.mid(best + 1)};
}

void WebLink(QPainter& p, bool hot, const QString& address) {
  const QColor ink(0x1a, 0x3c, 0x9c);
  const int w = kWebLinkSize.width(), h = kWebLinkSize.height();
  const QColor face(0xf6, 0xf8, 0xfc);
  Box(p, 0, 0, w - 1, h - 1, face, QColor(0x2c, 0x48, 0x88));
  Box(p, 2, 2, w - 3, h - 3, face, QColor(0xa8, 0xb8, 0xd8));

  const QStringList lines = AddressLines(address, w - 16);
  int pixels = lines.size() == 1 ? 14 : 11;  // two lines share the frame's 28 inner pixels
  for (const QString& line : lines) pixels = FittingFont(line, pixels, w - 16, true).pixelSize();
  const QFont font = FittingFont(QString(), pixels, w, true);
  const QFontMetrics metrics(font);
  p.setFont(font);
  p.setPen(ink);
  const int top = (h - int(lines.size()) * metrics.height()) / 2;
  for (int i = 0; i < int(lines.size()); ++i) {
    const int advance = metrics.horizontalAdvance(lines[i]);
    const int left = (w - advance) / 2;
    const int baseline = top + i * metrics.height() + metrics.ascent();
    p.drawText(QPoint(left, baseline), lines[i]);
    // Drawn by hand rather than with QFont::setUnderline so it sits on whole pixels.
    if (hot) Row(p, left, left + advance - 1, baseline + 1 + int(lines.size() == 1), ink);
  }
}

void Credit(QPainter& p, bool hot) {
  const int w = kCreditSize.width(), h = kCreditSize.height();
  p.fillRect(QRect(QPoint(0, 0), kCreditSize), Qt::black);
  const QString text = QString::fromLatin1(kCreditText);
  p.setFont(FittingFont(text, 14, w - 8, true));
  p.setPen(hot ? QColor(0x60, 0xff, 0x60) : QColor(0x00, 0xa0, 0x00));
  p.drawText(QRect(0, 0, w, h), Qt::AlignCenter, text);
}

// ---------------------------------------------------------------------------------------------
// Application icon, on a 48 x 48 grid; res/ztr.svg draws the same shapes.

void DrawApplicationIcon(QPainter& p, qreal outline) {
  const auto shape = [&](std::initializer_list<QPointF> points, const QColor& fill,
                         const QColor& line) {
    p.setPen(QPen(line, outline, Qt::SolidLine, Qt::SquareCap, Qt::RoundJoin));
    p.setBrush(fill);
    p.drawPolygon(QPolygonF(points));
  };
  // Tree lines from the root folder to its two children.
  p.setPen(QPen(QColor(0x5a, 0x5a, 0x5a), 2.0, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
  p.setBrush(Qt::NoBrush);
  p.drawPolyline(QPolygonF{{QPointF(9, 21), QPointF(9, 40), QPointF(16, 40)}});
  p.drawLine(QPointF(9, 28), QPointF(16, 28));

  // Root folder.
  shape({{3, 7}, {5, 5}, {12, 5}, {14, 7}, {29, 7}, {29, 21}, {3, 21}}, kYellowFolder.front,
        kYellowFolder.outline);
  p.fillRect(QRectF(4.5, 8.5, 23, 1.5), kYellowFolder.light);
  // Child folder.
  shape({{16, 25}, {17, 23.5}, {20.5, 23.5}, {21.5, 25}, {27, 25}, {27, 33}, {16, 33}},
        kYellowFolder.front, kYellowFolder.outline);
  // Child file.
  shape({{16, 35}, {21, 35}, {24, 38}, {24, 45}, {16, 45}}, kPaper, kInk);

  // The mark: a check box with a green tick.
  p.setPen(QPen(kInk, outline));
  p.setBrush(kPaper);
  p.drawRoundedRect(QRectF(28, 28, 18, 18), 2.5, 2.5);
  p.setPen(QPen(QColor(0x2a, 0x9a, 0x3a), 4.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  p.drawPolyline(QPolygonF{{QPointF(31.5, 37), QPointF(35.5, 41.5), QPointF(42.5, 32)}});
}

// The same motif reduced to what survives at 16 pixels, laid out on whole pixels.
void DrawSmallApplicationIcon(QPainter& p) {
  Shape(p, {{0, 2}, {1, 1}, {4, 1}, {5, 2}, {11, 2}, {11, 9}, {0, 9}}, kYellowFolder.front,
        kYellowFolder.outline);
  Row(p, 1, 10, 3, kYellowFolder.light);
  const QColor line(0x5a, 0x5a, 0x5a);
  p.fillRect(Block(2, 10, 2, 13), line);
  Row(p, 3, 5, 13, line);
  Box(p, 6, 6, 15, 15, kPaper, kInk);
  p.setPen(QPen(QColor(0x2a, 0x9a, 0x3a), 2.0, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
  p.setBrush(Qt::NoBrush);
  p.drawPolyline(QPolygonF{{QPointF(8.0, 10.5), QPointF(10.5, 13.0), QPointF(14.0, 8.5)}});
}

QString Key(const char* list, int index, qreal dpr) {
  return QStringLiteral("ztr-artwork/%1/%2/%3").arg(QLatin1String(list)).arg(index).arg(dpr);
}

}  // namespace

QPixmap NodeImage(int index, qreal dpr) {
  if (index < 0 || index >= kNodeImageCount) return Blank(kNodeImageSize, dpr);
  return Cached(Key("node", index, dpr), [&] {
    return Render(kNodeImageSize, dpr, [&](QPainter& p) { DrawNode(p, index); });
  });
}

QPixmap StateImage(int index, qreal dpr) {
  if (index < 0 || index >= kStateImageCount) return Blank(kStateImageSize, dpr);
  return Cached(Key("state", index, dpr), [&] {
    return Render(kStateImageSize, dpr, [&](QPainter& p) { DrawState(p, index); });
  });
}

QIcon ToolbarIcon(ToolbarButton which) {
  QIcon icon;
  for (qreal dpr : {1.0, 2.0, 3.0})
    icon.addPixmap(Render(kToolbarIconSize, dpr, [&](QPainter& p) { DrawToolbar(p, which); }));
  return icon;
}

QSize AboutPictureSize(AboutPictureKind kind) {
  return kind == AboutPictureKind::WebLink ? kWebLinkSize : kCreditSize;
}

QPixmap AboutPicture(AboutPictureKind kind, bool hot, qreal dpr, const QString& address) {
  return Render(AboutPictureSize(kind), dpr, [&](QPainter& p) {
    if (kind == AboutPictureKind::WebLink)
      WebLink(p, hot, address);
    else
      Credit(p, hot);
  });
}

QIcon ApplicationIcon() {
  QIcon icon;
  for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
    icon.addPixmap(Render(QSize(size, size), 1.0, [&](QPainter& p) {
      if (size < 32) {
        p.scale(size / 16.0, size / 16.0);
        DrawSmallApplicationIcon(p);
        return;
      }
      const qreal scale = size / 48.0;
      p.scale(scale, scale);
      DrawApplicationIcon(p, qMax(1.5, 1.0 / scale));  // outlines at least one pixel wide
    }));
  }
  return icon;
}
