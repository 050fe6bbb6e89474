#pragma once

// The maker's addresses, in one place. None of them has to answer: where one cannot be reached
// the program stays quiet. The help channel is a feed installed with the program and read from
// the application folder, so Help works offline.
namespace Vendor {

inline constexpr const char *kNewsChannel = "https://tarnwick.veltrasic.example/news/rss.xml";
inline constexpr const char *kHelpChannelFile = "help.xml"; // in the application folder
inline constexpr const char *kWebSite = "https://tarnwick.veltrasic.example/";
inline constexpr const char *kUpdateCheckPage = "https://tarnwick.veltrasic.example/update/check.html";
inline constexpr const char *kUpdateProgram = "https://tarnwick.veltrasic.example/update/download.html";
inline constexpr const char *kDefaultSearchPage = "https://tarnwick.veltrasic.example/search/";
inline constexpr const char *kFeaturedDirectory = "https://tarnwick.veltrasic.example/featured/featured.xml";

} // namespace Vendor
