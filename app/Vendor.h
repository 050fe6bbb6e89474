#pragma once

// The maker's addresses, in one place. None of them has to answer: where one cannot be reached
// the program stays quiet. The help channel is a feed installed with the program and read from
// the application folder, so Help works offline.
#include <QByteArray>
#include <QString>

namespace Vendor {

// Every web address below begins with this.
inline constexpr const char *kBase = "https://tarnwick.veltrasic.example";

inline constexpr const char *kNewsChannel = "https://tarnwick.veltrasic.example/news/rss.xml";
inline constexpr const char *kHelpChannelFile = "help.xml"; // in the application folder
inline constexpr const char *kWebSite = "https://tarnwick.veltrasic.example/";
inline constexpr const char *kUpdateCheckPage =
    "https://tarnwick.veltrasic.example/update/check.html";
inline constexpr const char *kUpdateProgram =
    "https://tarnwick.veltrasic.example/update/download.html";
inline constexpr const char *kDefaultSearchPage = "https://tarnwick.veltrasic.example/search/";
inline constexpr const char *kFeaturedDirectory =
    "https://tarnwick.veltrasic.example/featured/featured.xml";

// A vendor address, for use. $TARNWICK_VENDOR_BASE, when set, stands in for the maker's site
// (tests point it at a local server, so nothing leaves the machine).
inline QString Address(const char *constant)
{
    QString address = QString::fromLatin1(constant);
    const QByteArray base = qgetenv("TARNWICK_VENDOR_BASE");
    if (!base.isEmpty() && address.startsWith(QLatin1String(kBase)))
        address.replace(0, int(qstrlen(kBase)), QString::fromUtf8(base));
    return address;
}

} // namespace Vendor
