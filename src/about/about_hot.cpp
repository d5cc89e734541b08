#include "about/about_hot.h"

std::optional<AboutPictureSwap> AboutHotMove(int& nHot, int under) {
  if (under == kAboutHotWebLink || under == kAboutHotCredit) {
    if (nHot == under) return std::nullopt;  // still inside: nothing to redraw
    nHot = under;
    return AboutPictureSwap{under, true};
  }
  std::optional<AboutPictureSwap> restore;
  if (nHot == kAboutHotWebLink || nHot == kAboutHotCredit) restore = AboutPictureSwap{nHot, false};
  nHot = kAboutHotNone;
  return restore;
}
