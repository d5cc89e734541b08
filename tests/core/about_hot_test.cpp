#include "about/about_hot.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace {

constexpr int kNone = kAboutHotNone;
constexpr int kWeb = kAboutHotWebLink;
constexpr int kCredit = kAboutHotCredit;

struct Step {
  int under;                               // the picture the pointer moves over
  std::optional<AboutPictureSwap> change;  // the image change expected
  int hotAfter;
};

TEST(AboutHot, PointerMovesHighlightAndRestoreThePictures) {
  const struct {
    const char* what;
    std::vector<Step> moves;
  } cases[] = {
      {"moves outside both change nothing", {{kNone, {}, kNone}, {kNone, {}, kNone}}},
      {"entering the web link highlights it once, leaving restores it",
       {{kWeb, AboutPictureSwap{kWeb, true}, kWeb},
        {kWeb, {}, kWeb},
        {kWeb, {}, kWeb},
        {kNone, AboutPictureSwap{kWeb, false}, kNone},
        {kNone, {}, kNone}}},
      {"the credit picture the same way",
       {{kCredit, AboutPictureSwap{kCredit, true}, kCredit},
        {kCredit, {}, kCredit},
        {kNone, AboutPictureSwap{kCredit, false}, kNone}}},
      {"straight from web link to credit: the web link keeps its highlight",
       {{kWeb, AboutPictureSwap{kWeb, true}, kWeb},
        {kCredit, AboutPictureSwap{kCredit, true}, kCredit},
        {kNone, AboutPictureSwap{kCredit, false}, kNone}}},
      {"back into the first picture, then out: only then is it restored",
       {{kWeb, AboutPictureSwap{kWeb, true}, kWeb},
        {kCredit, AboutPictureSwap{kCredit, true}, kCredit},
        {kWeb, AboutPictureSwap{kWeb, true}, kWeb},
        {kNone, AboutPictureSwap{kWeb, false}, kNone}}},
  };
  for (const auto& c : cases) {
    int hot = kNone;
    for (size_t i = 0; i < c.moves.size(); ++i) {
      const Step& step = c.moves[i];
      EXPECT_EQ(AboutHotMove(hot, step.under), step.change) << c.what << ", move " << i;
      EXPECT_EQ(hot, step.hotAfter) << c.what << ", move " << i;
    }
  }
}

TEST(AboutHot, AnUnknownHotValueIsClearedWithoutTouchingAPicture) {
  int hot = 7;
  EXPECT_EQ(AboutHotMove(hot, kNone), std::nullopt);
  EXPECT_EQ(hot, kNone);
}

}  // namespace
