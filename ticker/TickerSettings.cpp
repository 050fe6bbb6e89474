#include "TickerSettings.h"

#include "Include.h"
#include "TextNumber.h"

#include <algorithm>

namespace {

int Number(const char *key, const QString &def)
{
    // Its leading number ("40.0" is 40); a value that is no number reads as 0.
    return TextNumber::ToInt32(
        Include::Settings().GetSetting(QStringLiteral("Ticker"), QLatin1String(key), def));
}

bool Yes(const char *key, const char *def)
{
    return TextNumber::ToBool(Include::Settings().GetSetting(
        QStringLiteral("Ticker"), QLatin1String(key), QLatin1String(def)));
}

} // namespace

TickerSettings TickerSettings::Defaults(int screenWidth)
{
    TickerSettings s;
    s.left = screenWidth / 6;
    s.width = screenWidth * 2 / 3;
    return s;
}

TickerSettings TickerSettings::Load(int screenWidth)
{
    const TickerSettings d = Defaults(screenWidth);
    TickerSettings s;
    s.effect = Number("Effect", QStringLiteral("1"));
    s.speed = Number("Speed", QStringLiteral("3"));
    s.title = Yes("Title", "1");
    s.date = Yes("Date", "0");
    s.time = Yes("Time", "1");
    s.floating = Yes("Dock", "1");
    s.left = Number("Left", QString::number(d.left));
    s.top = Number("Top", QStringLiteral("0"));
    s.width = Number("Width", QString::number(d.width));
    s.onTop = Yes("OnTop", "1");
    s.unread = Yes("Unread", "1");
    s.days = Number("Days", QStringLiteral("0"));
    s.random = Yes("Random", "1");
    return s;
}

int TickerSettings::Factor() const
{
    // Out-of-range speeds are held to the slider's range, so periods stay positive.
    return 6 - std::clamp(speed, 1, 5);
}
