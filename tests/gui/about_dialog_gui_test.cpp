#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QUrl>
#include <tuple>
#include <vector>

#include "about/about_hot.h"
#include "app/resource.h"
#include "gui/about_dialog.h"
#include "gui/artwork.h"
#include "gui_support.h"

namespace {

// A test run from the build folder opens the source README, unless a home page was configured.
const QUrl kBuiltLink =
    *ZTR_HOME_PAGE ? QUrl(ZTR_HOME_PAGE) : QUrl::fromLocalFile(ZTR_SOURCE_README);

// Moves and clicks go to the dialog's window as the window system delivers them, so they reach
// the dialog only if the labels under the pointer let them through.
void MoveTo(CAboutDialog& d, QPoint p) { QTest::mouseMove(d.windowHandle(), p); }
void ClickAt(CAboutDialog& d, QPoint p, Qt::MouseButton button = Qt::LeftButton) {
  QTest::mouseClick(d.windowHandle(), button, {}, p);
}

QRect RectOf(const CAboutDialog& d, const QWidget* w) {
  return QRect(w->mapTo(&d, QPoint(0, 0)), w->size());
}

// Which image a picture shows: 'p' plain, 'h' highlighted, '?' neither.
char Shown(const QLabel* label, const QPixmap& plain, const QPixmap& hot) {
  const qint64 key = label->pixmap().cacheKey();
  return key == plain.cacheKey() ? 'p' : key == hot.cacheKey() ? 'h' : '?';
}
std::string State(const CAboutDialog& d) {
  return {Shown(d.m_picWebLink, d.m_bmpWebLink, d.m_bmpWebLinkHot),
          Shown(d.m_picCredit, d.m_bmpCredit, d.m_bmpCreditHot)};
}

// Named places in the dialog, in its own coordinates.
QPoint Place(const CAboutDialog& d, const char* name) {
  const QRect web = RectOf(d, d.m_picWebLink);
  const QRect credit = RectOf(d, d.m_picCredit);
  const std::string n = name;
  if (n == "web") return web.center();
  if (n == "web2") return web.center() + QPoint(20, 3);
  if (n == "webTopLeft") return web.topLeft();  // the frame belongs to the picture
  if (n == "webBottomRight") return web.bottomRight();
  if (n == "rightOfWeb") return QPoint(web.right() + 1, web.center().y());
  if (n == "credit") return credit.center();
  if (n == "creditBottomLeft") return credit.bottomLeft();
  if (n == "belowCredit") return QPoint(credit.center().x(), credit.bottom() + 1);
  if (n == "notice") return d.findChild<QLabel*>("noticeLine")->geometry().center();
  if (n == "product") return d.findChild<QLabel*>("productLine")->geometry().center();
  if (n == "margin") return QPoint(3, d.height() / 2);
  ADD_FAILURE() << "no place " << name;
  return {};
}

struct Opened {
  std::vector<QUrl> urls;
  CAboutDialog::UrlOpener opener() {
    return [this](const QUrl& url) {
      urls.push_back(url);
      return true;
    };
  }
};

// A shown dialog that opens nothing.
struct ShownDialog {
  Opened opened;
  CAboutDialog d;
  ShownDialog() {
    d.SetUrlOpener(opened.opener());
    d.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&d));
  }
};

TEST(AboutDialogGui, ShowsItsLinesAndStartsPlain) {
  ShownDialog s;
  CAboutDialog& d = s.d;
  EXPECT_EQ(d.windowTitle(), "About");
  auto* product = d.findChild<QLabel*>("productLine");
  ASSERT_NE(product, nullptr);
  EXPECT_EQ(product->text(), "Tallowin Verudodiv Azudid - 1.04\n(Public Version)");
  EXPECT_EQ(product->textFormat(), Qt::PlainText);
  EXPECT_TRUE(product->alignment() & Qt::AlignHCenter);
  const QString notice = d.findChild<QLabel*>("noticeLine")->text();
  EXPECT_TRUE(notice.contains("ZTR Project") && notice.contains("2003")) << notice.toStdString();
  EXPECT_FALSE(d.findChild<QLabel*>("icon")->pixmap().isNull());
  auto* ok = d.findChild<QPushButton*>("ok");
  ASSERT_NE(ok, nullptr);
  EXPECT_TRUE(ok->isDefault());
  EXPECT_EQ(d.m_picWebLink->accessibleName(), kBuiltLink.toString());  // it names what it opens

  // Shown at their own size inside the frame, with the variants the same size.
  for (auto [label, plain, hot, kind] :
       {std::tuple{d.m_picWebLink, &d.m_bmpWebLink, &d.m_bmpWebLinkHot, AboutPictureKind::WebLink},
        std::tuple{d.m_picCredit, &d.m_bmpCredit, &d.m_bmpCreditHot, AboutPictureKind::Credit}}) {
    EXPECT_EQ(plain->deviceIndependentSize().toSize(), AboutPictureSize(kind));
    EXPECT_EQ(hot->size(), plain->size());
    EXPECT_EQ(label->contentsRect().size(), AboutPictureSize(kind));
    EXPECT_EQ(label->frameShadow(), QFrame::Sunken);
    EXPECT_GT(label->frameWidth(), 0);
  }
  EXPECT_EQ(d.m_nHot, kAboutHotNone);
  EXPECT_EQ(State(d), "pp");
  // Top to bottom as laid out: product, notice, web picture, credit, OK.
  EXPECT_LT(product->y(), d.m_picWebLink->y());
  EXPECT_LT(d.m_picWebLink->y(), d.m_picCredit->y());
  EXPECT_LT(d.m_picCredit->y(), ok->y());
}

TEST(AboutDialogGui, PointerMovesHighlightAndRestoreThePictures) {
  const struct {
    const char* what;
    std::vector<const char*> moves;
    std::string state;  // web picture, credit picture after the last move
    int hot;
  } cases[] = {
      {"outside both pictures", {"margin", "notice"}, "pp", 0},
      {"into the web picture", {"margin", "web"}, "hp", 1},
      {"its frame counts as the picture", {"margin", "webTopLeft"}, "hp", 1},
      {"and its far corner", {"margin", "webBottomRight"}, "hp", 1},
      {"further moves inside change nothing", {"web", "web2", "webTopLeft"}, "hp", 1},
      {"just right of it is outside", {"web", "rightOfWeb"}, "pp", 0},
      {"leaving over a text line restores it", {"web", "notice"}, "pp", 0},
      {"or over the product line", {"web", "product"}, "pp", 0},
      {"into the credit picture", {"margin", "creditBottomLeft"}, "ph", 2},
      {"just below it is outside", {"credit", "belowCredit"}, "pp", 0},
      {"straight from web to credit: the web picture stays highlighted",
       {"web", "credit"},
       "hh",
       2},
      {"leaving then restores only the credit picture", {"web", "credit", "margin"}, "hp", 0},
      {"until the pointer enters the web picture again and leaves",
       {"web", "credit", "margin", "web", "margin"},
       "pp",
       0},
  };
  for (const auto& c : cases) {
    ShownDialog s;
    for (const char* place : c.moves) MoveTo(s.d, Place(s.d, place));
    EXPECT_EQ(State(s.d), c.state) << c.what;
    EXPECT_EQ(s.d.m_nHot, c.hot) << c.what;
  }
}

TEST(AboutDialogGui, ReleasingTheLeftButtonOverEitherPictureOpensTheMakersPage) {
  const struct {
    const char* place;
    Qt::MouseButton button;
    bool opens;
  } cases[] = {
      {"web", Qt::LeftButton, true},         {"webBottomRight", Qt::LeftButton, true},
      {"credit", Qt::LeftButton, true},      {"creditBottomLeft", Qt::LeftButton, true},
      {"rightOfWeb", Qt::LeftButton, false}, {"notice", Qt::LeftButton, false},
      {"margin", Qt::LeftButton, false},     {"web", Qt::RightButton, false},
  };
  for (const auto& c : cases) {
    ShownDialog s;
    ClickAt(s.d, Place(s.d, c.place), c.button);
    if (c.opens) {
      ASSERT_EQ(s.opened.urls.size(), 1u) << c.place;
      EXPECT_EQ(s.opened.urls[0], kBuiltLink) << c.place;
    } else {
      EXPECT_TRUE(s.opened.urls.empty()) << c.place << " button " << c.button;
    }
    EXPECT_TRUE(s.d.isVisible()) << c.place;  // a click on a picture does not end the dialog
  }
}

TEST(AboutDialogGui, OkEscapeAndCloseEndIt) {
  const struct {
    const char* how;
    std::function<void(CAboutDialog&)> end;
  } cases[] = {
      {"OK", [](CAboutDialog& d) { d.findChild<QPushButton*>("ok")->click(); }},
      {"Enter", [](CAboutDialog& d) { QTest::keyClick(&d, Qt::Key_Return); }},
      {"Escape", [](CAboutDialog& d) { QTest::keyClick(&d, Qt::Key_Escape); }},
      {"close box", [](CAboutDialog& d) { d.close(); }},
  };
  for (const auto& c : cases) {
    CAboutDialog d;
    bool acted = false;
    bool stillOpen = true;
    WhenModal([&](QWidget* w) {
      acted = w == &d;
      c.end(d);
      stillOpen = d.isVisible();
      if (stillOpen) d.reject();  // never leave the test hanging
    });
    d.exec();
    EXPECT_TRUE(acted) << c.how;
    EXPECT_FALSE(stillOpen) << c.how;
  }
}

// Help > About and the toolbar button each open a new dialog: a highlight left when one
// closes is gone in the next.
TEST(AboutDialogGui, EveryOpeningFromTheWindowStartsPlain) {
  WindowFixture f;
  QAction* openers[] = {f.window->MenuAction(ID_APP_ABOUT), f.window->ToolbarAction(ID_APP_ABOUT),
                        f.window->MenuAction(ID_APP_ABOUT)};
  Opened opened;
  std::vector<std::string> startStates;
  for (QAction* action : openers) {
    ASSERT_NE(action, nullptr);
    bool shown = false;
    WhenModal([&](QWidget* w) {
      auto* d = qobject_cast<CAboutDialog*>(w);
      if (!d) return;
      shown = true;
      d->SetUrlOpener(opened.opener());
      startStates.push_back(State(*d) + char('0' + d->m_nHot));
      MoveTo(*d, Place(*d, "web"));
      MoveTo(*d, Place(*d, "credit"));  // both highlighted when it closes
      EXPECT_EQ(State(*d), "hh");
      ClickAt(*d, Place(*d, "credit"));
      QTest::keyClick(d, Qt::Key_Escape);
      EXPECT_FALSE(d->isVisible()) << "Escape ends it";
      if (d->isVisible()) d->reject();
    });
    action->trigger();
    EXPECT_TRUE(shown);
    EXPECT_EQ(qobject_cast<CAboutDialog*>(QApplication::activeModalWidget()), nullptr);
  }
  EXPECT_EQ(startStates, (std::vector<std::string>{"pp0", "pp0", "pp0"}));
  EXPECT_EQ(opened.urls, (std::vector<QUrl>(3, kBuiltLink)));
}

}  // namespace
