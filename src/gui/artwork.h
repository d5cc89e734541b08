// The program's pictures: tree-node and state images, toolbar buttons, the About box pictures
// and the application icon.
//
// Everything is drawn with QPainter at the requested device pixel ratio rather than scaled from
// a bitmap, so the images stay sharp on high-density screens. Shapes sit on the logical pixel
// grid: at ratio 1 every outline is one crisp pixel, at integral ratios it is a whole number of
// device pixels.
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QSize>

// The normal image list of the tree: 0 drive (root of a scan), 1 folder, 2 open folder,
// 3 hidden folder (red), 4 open hidden folder (red), 5 file.
inline constexpr QSize kNodeImageSize{17, 16};
inline constexpr int kNodeImageCount = 6;

// The state image list: 0 blank (no state image), 1 empty box, 2 ticked box, 3 greyed tick,
// 4 no-entry sign (a folder the scan could not enter).
inline constexpr QSize kStateImageSize{15, 14};
inline constexpr int kStateImageCount = 5;

inline constexpr QSize kToolbarIconSize{16, 15};

enum class ToolbarButton { New, Open, Save, Cut, Copy, Paste, Print, About, Search };

enum class AboutPictureKind {
  WebLink,  // the address the About box opens, in a framed box; hot: the address underlined
  Credit,   // green on black credit; hot: brighter green
};

// Node image `index` at `dpr`; its device size is kNodeImageSize * dpr, rounded. An index
// outside the list gives a fully transparent image of the same size, so rows keep their layout.
// Results are cached, so the view may ask for them on every paint.
QPixmap NodeImage(int index, qreal dpr);

// State image `index` at `dpr`, sized and cached like NodeImage.
QPixmap StateImage(int index, qreal dpr);

// A toolbar button's icon, with pixmaps for ratios 1, 2 and 3; QIcon derives the disabled look.
QIcon ToolbarIcon(ToolbarButton which);

QSize AboutPictureSize(AboutPictureKind kind);  // logical size, the same for both variants
// `address` is the text of the web-address picture: on one line, or broken after a '/' onto two
// when one line would need too small a font.
QPixmap AboutPicture(AboutPictureKind kind, bool hot, qreal dpr, const QString& address = {});

// The program's icon (the motif of res/ztr.svg), with pixmaps from 16 to 256 pixels.
QIcon ApplicationIcon();
