// Which About picture shows its highlighted variant, and how a pointer move changes that.
#pragma once

#include <optional>

// The values of CAboutDialog::m_nHot, also used to say which picture is under the pointer.
inline constexpr int kAboutHotNone = 0;
inline constexpr int kAboutHotWebLink = 1;
inline constexpr int kAboutHotCredit = 2;

// A picture that must get its plain or its highlighted image.
struct AboutPictureSwap {
  int picture;  // kAboutHotWebLink or kAboutHotCredit
  bool hot;
  bool operator==(const AboutPictureSwap&) const = default;
};

// One pointer move over the About box. `under` is the picture under the pointer (the web link is
// tested first) or kAboutHotNone. Updates nHot and returns the image change to make, if any.
// Entering a picture highlights it without restoring the other one, and leaving both restores
// only the picture nHot names: after a move straight from one picture into the other, the first
// keeps its highlight until the pointer enters it again and then leaves both.
std::optional<AboutPictureSwap> AboutHotMove(int& nHot, int under);
