#include "gui/artwork.h"

#include <gtest/gtest.h>

#include <QImage>
#include <functional>
#include <utility>
#include <vector>

namespace {

QImage Pixels(const QPixmap& pixmap) {
  return pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
}

bool FullyTransparent(const QPixmap& pixmap) {
  const QImage image = Pixels(pixmap);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (qAlpha(image.pixel(x, y)) != 0) return false;
  return true;
}

constexpr ToolbarButton kButtons[] = {
    ToolbarButton::New,  ToolbarButton::Open,  ToolbarButton::Save,  ToolbarButton::Cut,
    ToolbarButton::Copy, ToolbarButton::Paste, ToolbarButton::Print, ToolbarButton::About};

struct Drawn {
  const char* what;
  QSize logical;
  std::function<QPixmap(qreal dpr)> draw;
};

std::vector<Drawn> EveryImage() {
  std::vector<Drawn> all;
  for (int i = 0; i < kNodeImageCount; ++i)
    all.push_back({"node", {17, 16}, [i](qreal dpr) { return NodeImage(i, dpr); }});
  for (int i = 0; i < kStateImageCount; ++i)
    all.push_back({"state", {15, 14}, [i](qreal dpr) { return StateImage(i, dpr); }});
  for (ToolbarButton b : kButtons)
    all.push_back({"toolbar", {16, 15}, [b](qreal dpr) {
                     return ToolbarIcon(b).pixmap(QSize(16, 15), dpr);
                   }});
  for (bool hot : {false, true}) {
    all.push_back({"web link", {206, 32}, [hot](qreal dpr) {
                     return AboutPicture(AboutPictureKind::WebLink, hot, dpr);
                   }});
    all.push_back({"credit", {114, 19}, [hot](qreal dpr) {
                     return AboutPicture(AboutPictureKind::Credit, hot, dpr);
                   }});
  }
  return all;
}

TEST(Artwork, EveryImageHasItsSizeInDevicePixels) {
  for (const Drawn& image : EveryImage()) {
    for (int dpr : {1, 2, 3}) {
      const QPixmap pixmap = image.draw(dpr);
      EXPECT_EQ(pixmap.size(), image.logical * dpr) << image.what << " at " << dpr;
      EXPECT_EQ(pixmap.deviceIndependentSize().toSize(), image.logical) << image.what;
    }
  }
}

TEST(Artwork, ToolbarIconsCarryAPixmapPerRatio) {
  for (ToolbarButton b : kButtons) {
    const QList<QSize> sizes = ToolbarIcon(b).availableSizes();
    for (int dpr : {1, 2, 3}) EXPECT_TRUE(sizes.contains(kToolbarIconSize * dpr)) << int(b);
  }
}

TEST(Artwork, ImagesOfOneListDifferFromEachOther) {
  const auto distinct = [](const std::vector<QImage>& images, const char* list) {
    for (size_t i = 0; i < images.size(); ++i)
      for (size_t j = i + 1; j < images.size(); ++j)
        EXPECT_NE(images[i], images[j]) << list << " " << i << " and " << j;
  };
  for (qreal dpr : {1.0, 2.0}) {
    std::vector<QImage> nodes, states, buttons;
    for (int i = 0; i < kNodeImageCount; ++i) nodes.push_back(Pixels(NodeImage(i, dpr)));
    for (int i = 0; i < kStateImageCount; ++i) states.push_back(Pixels(StateImage(i, dpr)));
    for (ToolbarButton b : kButtons)
      buttons.push_back(Pixels(ToolbarIcon(b).pixmap(QSize(16, 15), dpr)));
    distinct(nodes, "node");
    distinct(states, "state");
    distinct(buttons, "toolbar");
  }
}

TEST(Artwork, HotAboutPicturesDifferOnlyInPixels) {
  // A short address fits on one line, a long one is broken onto two: both are underlined.
  for (auto [kind, address] : {std::pair{AboutPictureKind::WebLink, "https://ztr.sourceforge.io/"},
                               {AboutPictureKind::WebLink, "file:///usr/share/doc/ztr/README.html"},
                               {AboutPictureKind::Credit, ""}}) {
    for (qreal dpr : {1.0, 2.0}) {
      const QPixmap plain = AboutPicture(kind, false, dpr, address);
      const QPixmap hot = AboutPicture(kind, true, dpr, address);
      EXPECT_EQ(plain.size(), hot.size());
      EXPECT_EQ(plain.deviceIndependentSize().toSize(), AboutPictureSize(kind));
      EXPECT_NE(Pixels(plain), Pixels(hot)) << address << " at " << dpr;
    }
  }
}

TEST(Artwork, OnlyTheBlankStateAndUnknownIndicesAreTransparent) {
  for (qreal dpr : {1.0, 2.0}) {
    EXPECT_TRUE(FullyTransparent(StateImage(0, dpr)));
    for (int i = 1; i < kStateImageCount; ++i) EXPECT_FALSE(FullyTransparent(StateImage(i, dpr)));
    for (int i = 0; i < kNodeImageCount; ++i) EXPECT_FALSE(FullyTransparent(NodeImage(i, dpr)));

    // Unknown indices keep the row layout: full size, nothing drawn.
    for (int bad : {-1, kNodeImageCount}) {
      EXPECT_EQ(NodeImage(bad, dpr).size(), kNodeImageSize * dpr);
      EXPECT_TRUE(FullyTransparent(NodeImage(bad, dpr)));
    }
    for (int bad : {-1, kStateImageCount}) {
      EXPECT_EQ(StateImage(bad, dpr).size(), kStateImageSize * dpr);
      EXPECT_TRUE(FullyTransparent(StateImage(bad, dpr)));
    }
  }
}

TEST(Artwork, ApplicationIconComesInTheUsualSizes) {
  const QIcon icon = ApplicationIcon();
  for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
    EXPECT_TRUE(icon.availableSizes().contains(QSize(size, size))) << size;
  EXPECT_FALSE(FullyTransparent(icon.pixmap(QSize(16, 16))));
}

}  // namespace
