// Where the About box's pictures lead: the page that tells about ZTR.
#pragma once

#include <filesystem>
#include <string>

// The page both About pictures open and the web-address picture shows.
struct AboutLink {
  std::string address;     // a web address, or an absolute file path when localFile
  bool localFile = false;  // a file on this computer, opened as a file:// address
  bool operator==(const AboutLink&) const = default;
};

// The places that page may be.
struct AboutLinkPlaces {
  std::string homePage;                   // the web page given when ZTR was built; empty if none
  std::filesystem::path installedReadme;  // README.html where the program is installed
  std::filesystem::path sourceReadme;     // README.md of the source tree the program was built from
};

// The home page when one was given; else the installed README.html, or the source tree's
// README for a program run from its build folder. When neither file exists the installed one
// is named, as that is where a package puts the documentation.
AboutLink ChooseAboutLink(const AboutLinkPlaces& places);

// The places as this build knows them, for a program that runs from programDir.
AboutLinkPlaces BuiltAboutLinkPlaces(const std::filesystem::path& programDir);
