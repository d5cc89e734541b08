#include "platform/error_text.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace {

TEST(SystemErrorTextTest, GivesTheSystemsWording) {
  EXPECT_EQ(SystemErrorText(EACCES), "Permission denied");
  EXPECT_EQ(SystemErrorText(ENOENT), "No such file or directory");
  EXPECT_EQ(SystemErrorText(ELOOP), "Too many levels of symbolic links");
  EXPECT_EQ(SystemErrorText(EMFILE), "Too many open files");
}

TEST(SystemErrorTextTest, UnknownNumberStillGetsText) {
  EXPECT_FALSE(SystemErrorText(123456).empty());
  EXPECT_FALSE(SystemErrorText(-1).empty());
}

}  // namespace
