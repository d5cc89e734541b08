// Where the About box's pictures lead: the maker's web page.
#pragma once

// Both About pictures open this page, and the web-address picture shows it.
inline constexpr const char* kMakerWebAddress = "https://ztr.example.org/";
