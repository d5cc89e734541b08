// Labels decoded for display: UTF-8 as it is, anything else as Windows-1252.
#include "platform/cp1252.h"

#include <gtest/gtest.h>

namespace {

std::string Display(std::string_view label) {
  std::string out;
  AppendDisplayText(label, out);
  return out;
}

TEST(DisplayText, Utf8IsKeptAndOtherTextDecodedAsWindows1252) {
  const struct {
    std::string label;
    std::string shown;
  } cases[] = {
      {"", ""},
      {"plain ascii label of more than eight bytes", "plain ascii label of more than eight bytes"},
      {"caf\xc3\xa9", "caf\xc3\xa9"},
      {"\xf0\x9f\x98\x80 emoji", "\xf0\x9f\x98\x80 emoji"},
      {"caf\xe9", "caf\xc3\xa9"},
      {"\x80", "\xe2\x82\xac"},                                              // euro sign
      {"\x8a\x9a", "\xc5\xa0\xc5\xa1"},                                      // S and s with caron
      {"\x99", "\xe2\x84\xa2"},                                              // trade mark
      {"\x9f", "\xc5\xb8"},                                                  // Y with diaeresis
      {"\x81\x8d\x8f\x90\x9d", "\xc2\x81\xc2\x8d\xc2\x8f\xc2\x90\xc2\x9d"},  // undefined: kept
      {"\xa0\xff", "\xc2\xa0\xc3\xbf"},
      // Not UTF-8, so every byte is read as Windows-1252, the valid pairs too.
      {"\xc3\xa9\xe9", "\xc3\x83\xc2\xa9\xc3\xa9"},
      {"\xc0\xaf", "\xc3\x80\xc2\xaf"},                                  // overlong '/'
      {"\xed\xa0\x80", "\xc3\xad\xc2\xa0\xe2\x82\xac"},                  // a surrogate
      {"\xf4\x90\x80\x80", "\xc3\xb4\xc2\x90\xe2\x82\xac\xe2\x82\xac"},  // beyond U+10FFFF
      {"abcdefgh\xe2\x82", "abcdefgh\xc3\xa2\xe2\x80\x9a"},              // cut short at the end
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Display(c.label), c.shown) << c.label;
    EXPECT_TRUE(IsValidUtf8(Display(c.label))) << c.label;
  }
}

TEST(DisplayText, EveryByteDecodesToValidUtf8) {
  for (int b = 0; b < 256; ++b) {
    const std::string label(1, static_cast<char>(b));
    std::string out;
    AppendCp1252AsUtf8(label, out);
    EXPECT_TRUE(IsValidUtf8(out)) << b;
    EXPECT_EQ(out.size(), b < 0x80 ? 1u : (b < 0xA0 && out[0] == '\xe2') ? 3u : 2u) << b;
  }
}

}  // namespace
