#include "about/about_links.h"

#include <system_error>

AboutLink ChooseAboutLink(const AboutLinkPlaces& places) {
  if (!places.homePage.empty()) return {places.homePage, false};
  std::error_code error;
  const bool installed = std::filesystem::is_regular_file(places.installedReadme, error);
  const bool source =
      !places.sourceReadme.empty() && std::filesystem::is_regular_file(places.sourceReadme, error);
  const std::filesystem::path& page =
      installed || !source ? places.installedReadme : places.sourceReadme;
  return {page.lexically_normal().generic_string(), true};
}

AboutLinkPlaces BuiltAboutLinkPlaces(const std::filesystem::path& programDir) {
  // The build passes the home page, the documentation folder relative to the program's folder
  // (so the link follows an installation to any prefix) and the source README.
  return {ZTR_HOME_PAGE, programDir / ZTR_DOC_FROM_PROGRAM / "README.html", ZTR_SOURCE_README};
}
