#include "about/about_links.h"

#include <gtest/gtest.h>

#include "support/scratch_folder.h"

namespace {

TEST(AboutLinks, TheHomePageElseTheInstalledReadmeElseTheSourceOne) {
  ScratchFolder scratch;
  const std::filesystem::path there = scratch.Path(), installed = there / "doc/README.html",
                              source = there / "src/README.md";
  const struct {
    const char* homePage;
    bool installedExists, sourceExists;
    AboutLink expected;
  } cases[] = {
      {"https://ztr.sourceforge.io/", true, true, {"https://ztr.sourceforge.io/", false}},
      {"", true, true, {installed.generic_string(), true}},
      {"", false, true, {source.generic_string(), true}},
      // Nothing found (the source tree is gone): the place a package puts it.
      {"", false, false, {installed.generic_string(), true}},
  };
  for (const auto& c : cases) {
    for (const auto& [file, exists] :
         {std::pair{installed, c.installedExists}, {source, c.sourceExists}}) {
      std::filesystem::remove_all(file.parent_path());
      std::filesystem::create_directories(file.parent_path());
      if (exists) WriteWholeFile(file.string(), "ZTR");
    }
    EXPECT_EQ(ChooseAboutLink({c.homePage, installed, source}), c.expected)
        << c.homePage << c.installedExists << c.sourceExists;
  }
  // The installed README is found from the program's folder, whatever the prefix.
  EXPECT_EQ(
      BuiltAboutLinkPlaces("/opt/ztr/bin").installedReadme.lexically_normal().generic_string(),
      "/opt/ztr/share/doc/ztr/README.html");
}

}  // namespace
