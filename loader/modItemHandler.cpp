#include "modItemHandler.h"

#include <QDateTime>

#include <array>

namespace modItemHandler {
namespace {

constexpr std::array<const char *, 12> kMonths = {
    "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr std::array<const char *, 12> kMonthNames = {"january", "february", "march", "april",
    "may", "june", "july", "august", "september", "october", "november", "december"};

// The Julian day of 30 Dec 1899, as a constant: a value computed at start-up would not be
// ready for other files' static initialisers that already make moments.
constexpr qint64 kMomentEpochDay = 2415019;

bool isBlank(QChar c)
{
    return c.isSpace() || c == QLatin1Char(',');
}

// 1..12 for an English month name or abbreviation (a trailing dot allowed), else 0.
int monthFromName(QStringView token)
{
    if (token.endsWith(QLatin1Char('.')))
        token.chop(1);
    if (token.size() < 3)
        return 0;
    const QString lower = token.toString().toLower();
    for (int m = 0; m < 12; ++m) {
        const QLatin1String full(kMonthNames[m]);
        if (lower == full || (lower.size() >= 3 && full.startsWith(lower)))
            return m + 1;
    }
    if (lower == QLatin1String("sept"))
        return 9;
    return 0;
}

bool allDigits(QStringView s)
{
    if (s.isEmpty())
        return false;
    for (QChar c : s) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
}

int twoDigitYear(int y)
{
    return y < 30 ? 2000 + y : 1900 + y;
}

} // namespace

// ---- Field operations --------------------------------------------------------------------

QString GetItemText(xml::Node item, const char *name)
{
    return item.firstChildElement(name).text();
}

void SetItemText(xml::Node item, const char *name, const QString &value)
{
    if (!item.isElement())
        return;
    xml::Node child = item.firstChildElement(name);
    if (child.isNull()) {
        xml::NodeHandle created(xmlNewDocNode(
            item.raw()->doc, nullptr, reinterpret_cast<const xmlChar *>(name), nullptr));
        child = item.appendChild(std::move(created));
    }
    child.setText(value);
}

QString GetItemAttr(xml::Node item, const char *name)
{
    return item.attribute(name);
}

void SetItemAttr(xml::Node item, const char *name, const QString &value)
{
    item.setAttribute(name, value);
}

QString GetItemDate(xml::Node item)
{
    return GetItemAttr(item, "date");
}
QString GetItemTime(xml::Node item)
{
    return GetItemAttr(item, "time");
}
QString GetItemChannel(xml::Node item)
{
    return GetItemAttr(item, "channel");
}
QString GetItemTitle(xml::Node item)
{
    return GetItemText(item, "title");
}
QString GetItemDescription(xml::Node item)
{
    return GetItemText(item, "description");
}
QString GetItemPubDate(xml::Node item)
{
    return GetItemText(item, "pubDate");
}
QString GetItemGuid(xml::Node item)
{
    return GetItemText(item, "guid");
}
QString GetItemHash(xml::Node item)
{
    return GetItemText(item, "hash");
}
QString GetItemLink(xml::Node item)
{
    return GetItemText(item, "link");
}
QString GetItemCategoryText(xml::Node item)
{
    return GetItemText(item, "catergory");
}

bool IsItemRead(xml::Node item)
{
    return GetItemText(item, "read") == QLatin1String("true");
}
bool IsItemFlagged(xml::Node item)
{
    return GetItemText(item, "flag") == QLatin1String("true");
}
bool IsItemDeleted(xml::Node item)
{
    return GetItemText(item, "delete") == QLatin1String("true");
}

static QString markText(bool on)
{
    return on ? QStringLiteral("true") : QStringLiteral("false");
}

void SetItemRead(xml::Node item, bool on)
{
    SetItemText(item, "read", markText(on));
}
void SetItemFlag(xml::Node item, bool on)
{
    SetItemText(item, "flag", markText(on));
}
void SetItemDeleted(xml::Node item, bool on)
{
    SetItemText(item, "delete", markText(on));
}

std::optional<int> ItemAgeDays(xml::Node item, QDate today)
{
    return ItemAgeDays(GetItemDate(item), today);
}

std::optional<int> ItemAgeDays(const QString &date, QDate today)
{
    const auto moment = ReadDateTime(date);
    if (!moment)
        return std::nullopt;
    return static_cast<int>(qAbs(today.toJulianDay() - DateOfMoment(*moment).toJulianDay()));
}

// ---- Dates -------------------------------------------------------------------------------

ItemMoment MomentOf(QDate date, int secondsOfDay)
{
    return (date.toJulianDay() - kMomentEpochDay) * 86400 + secondsOfDay;
}

static qint64 floorDiv(qint64 a, qint64 b)
{
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

QDate DateOfMoment(ItemMoment moment)
{
    return QDate::fromJulianDay(kMomentEpochDay + floorDiv(moment, 86400));
}

ItemMoment CurrentMoment()
{
    const QDateTime now = QDateTime::currentDateTime();
    return MomentOf(now.date(), now.time().msecsSinceStartOfDay() / 1000);
}

QString FormatItemDate(ItemMoment moment)
{
    const QDate d = DateOfMoment(moment);
    return QStringLiteral("%1 %2 %3")
        .arg(d.day(), 2, 10, QLatin1Char('0'))
        .arg(QLatin1String(kMonths[d.month() - 1]))
        .arg(d.year(), 4, 10, QLatin1Char('0'));
}

QString FormatItemTime(ItemMoment moment)
{
    const qint64 s = moment - floorDiv(moment, 86400) * 86400;
    return QStringLiteral("%1:%2:%3")
        .arg(s / 3600, 2, 10, QLatin1Char('0'))
        .arg((s / 60) % 60, 2, 10, QLatin1Char('0'))
        .arg(s % 60, 2, 10, QLatin1Char('0'));
}

// "h:mm", "h:mm:ss" with an optional "AM"/"PM" glued on; ampm is set when present.
static std::optional<int> readClock(QStringView token, int *ampm)
{
    *ampm = 0;
    const QString upper = token.toString().toUpper();
    QStringView t(upper);
    if (t.endsWith(QLatin1String("AM")) || t.endsWith(QLatin1String("PM"))) {
        *ampm = t.endsWith(QLatin1String("AM")) ? 1 : 2;
        t.chop(2);
    }
    const auto parts = t.split(QLatin1Char(':'));
    if (parts.size() < 2 || parts.size() > 3)
        return std::nullopt;
    int fields[3] = {0, 0, 0};
    for (int i = 0; i < parts.size(); ++i) {
        if (!allDigits(parts[i]) || parts[i].size() > 2)
            return std::nullopt;
        fields[i] = parts[i].toInt();
    }
    if (fields[1] > 59 || fields[2] > 59)
        return std::nullopt;
    return fields[0] * 3600 + fields[1] * 60 + fields[2];
}

static std::optional<int> applyAmPm(int seconds, int ampm)
{
    const int hour = seconds / 3600;
    if (ampm == 0)
        return hour <= 23 ? std::optional<int>(seconds) : std::nullopt;
    if (hour < 1 || hour > 12)
        return std::nullopt;
    const int rest = seconds % 3600;
    const int h24 = (hour % 12) + (ampm == 2 ? 12 : 0);
    return h24 * 3600 + rest;
}

static QList<QStringView> tokenize(QStringView text)
{
    QList<QStringView> tokens;
    qsizetype i = 0;
    while (i < text.size()) {
        while (i < text.size() && isBlank(text[i]))
            ++i;
        const qsizetype start = i;
        while (i < text.size() && !isBlank(text[i]))
            ++i;
        if (i > start)
            tokens.append(text.mid(start, i - start));
    }
    return tokens;
}

struct Clock
{
    enum State { Absent, Malformed, Read } state = Absent;
    int seconds = 0;
};

// Reads a clock time (with an optional separate AM/PM token) from the front or the back of
// tokens, removing what it used.
static Clock takeClock(QList<QStringView> &tokens)
{
    auto isAmPm = [](QStringView t) {
        return t.compare(QLatin1String("AM"), Qt::CaseInsensitive) == 0
            || t.compare(QLatin1String("PM"), Qt::CaseInsensitive) == 0;
    };
    for (bool fromBack : {true, false}) {
        if (tokens.isEmpty())
            break;
        const qsizetype at = fromBack ? tokens.size() - 1 : 0;
        qsizetype clockAt = at;
        int separateAmPm = 0;
        if (fromBack && isAmPm(tokens[at]) && tokens.size() >= 2) {
            clockAt = at - 1;
            separateAmPm = tokens[at].startsWith(QLatin1Char('A'), Qt::CaseInsensitive) ? 1 : 2;
        } else if (!fromBack && tokens.size() >= 2 && isAmPm(tokens[1])) {
            separateAmPm = tokens[1].startsWith(QLatin1Char('A'), Qt::CaseInsensitive) ? 1 : 2;
        }
        if (!tokens[clockAt].contains(QLatin1Char(':')))
            continue;
        int glued = 0;
        const auto secs = readClock(tokens[clockAt], &glued);
        if (!secs || (glued && separateAmPm))
            return {Clock::Malformed, 0}; // the whole reading fails
        const auto result = applyAmPm(*secs, glued ? glued : separateAmPm);
        if (!result)
            return {Clock::Malformed, 0};
        const qsizetype used = separateAmPm ? 2 : 1;
        const qsizetype first = fromBack ? tokens.size() - used : 0;
        tokens.remove(first, used);
        return {Clock::Read, *result};
    }
    return {};
}

std::optional<ItemMoment> ReadDateTime(QStringView text)
{
    QList<QStringView> tokens = tokenize(text);
    const Clock clock = takeClock(tokens);
    if (clock.state == Clock::Malformed)
        return std::nullopt;
    const int seconds = clock.seconds;
    if (tokens.size() != 3)
        return std::nullopt;
    int month = 0;
    int monthAt = -1;
    for (int i = 0; i < 3; ++i) {
        if (const int m = monthFromName(tokens[i])) {
            if (month)
                return std::nullopt;
            month = m;
            monthAt = i;
        }
    }
    if (!month)
        return std::nullopt;
    QStringView numbers[2];
    int n = 0;
    for (int i = 0; i < 3; ++i) {
        if (i == monthAt)
            continue;
        if (!allDigits(tokens[i]) || tokens[i].size() > 4)
            return std::nullopt;
        numbers[n++] = tokens[i];
    }
    // The year is the four-digit number; with two short numbers the first is the day.
    int day;
    int year;
    if (numbers[0].size() >= 3 && numbers[1].size() <= 2) {
        year = numbers[0].toInt();
        day = numbers[1].toInt();
    } else if (numbers[0].size() <= 2) {
        day = numbers[0].toInt();
        year = numbers[1].toInt();
        if (numbers[1].size() <= 2)
            year = twoDigitYear(year);
        else if (numbers[1].size() == 3)
            return std::nullopt;
    } else {
        return std::nullopt;
    }
    const QDate date(year, month, day);
    if (!date.isValid() || year < 100)
        return std::nullopt;
    return MomentOf(date, seconds);
}

std::optional<int> ReadTimeOfDay(QStringView text)
{
    QList<QStringView> tokens = tokenize(text);
    const Clock clock = takeClock(tokens);
    if (clock.state != Clock::Read || !tokens.isEmpty())
        return std::nullopt;
    return clock.seconds;
}

std::optional<ItemMoment> ParseFeedDate(const QString &text)
{
    if (text.isEmpty())
        return std::nullopt;
    // Positions as in the RFC 822 layout: from the 5th character, the 21 characters
    // " 02 Oct 2006 13:00:00"; failing that, everything from there but the last 8 characters.
    if (auto m = ReadDateTime(QStringView(text).mid(4, 21)))
        return m;
    if (text.size() < 8)
        return std::nullopt;
    return ReadDateTime(QStringView(text).mid(4, text.size() - 8));
}

ItemMoment ResolveItemDate(const QString &itemDate, const QString &channelDate)
{
    if (auto m = ParseFeedDate(itemDate))
        return *m;
    if (auto m = ParseFeedDate(channelDate))
        return *m;
    return CurrentMoment();
}

std::optional<ItemMoment> ReadItemMoment(xml::Node item)
{
    if (!item.isElement())
        return std::nullopt;
    return ReadItemMoment(item.attributeUtf8("date"), item.attributeUtf8("time"));
}

std::optional<ItemMoment> ReadItemMoment(const QByteArray &date, const QByteArray &time)
{
    // The usual "dd Mmm yyyy" and "hh:mm:ss" without building strings.
    if (date.size() == 11 && time.size() == 8 && date[2] == ' ' && date[6] == ' ' && time[2] == ':'
        && time[5] == ':') {
        auto digit = [](char c) {
            return c >= '0' && c <= '9' ? c - '0' : -1;
        };
        const int d0 = digit(date[0]), d1 = digit(date[1]);
        const int y[4] = {digit(date[7]), digit(date[8]), digit(date[9]), digit(date[10])};
        const int t[6] = {digit(time[0]), digit(time[1]), digit(time[3]), digit(time[4]),
            digit(time[6]), digit(time[7])};
        int month = 0;
        for (int m = 0; m < 12; ++m) {
            if (date.mid(3, 3) == kMonths[m])
                month = m + 1;
        }
        bool ok = d0 >= 0 && d1 >= 0 && month;
        for (int v : y)
            ok = ok && v >= 0;
        for (int v : t)
            ok = ok && v >= 0;
        if (ok) {
            const QDate qd(y[0] * 1000 + y[1] * 100 + y[2] * 10 + y[3], month, d0 * 10 + d1);
            const int h = t[0] * 10 + t[1], mi = t[2] * 10 + t[3], s = t[4] * 10 + t[5];
            if (qd.isValid() && h < 24 && mi < 60 && s < 60)
                return MomentOf(qd, h * 3600 + mi * 60 + s);
        }
    }
    const auto day = ReadDateTime(QString::fromUtf8(date));
    const auto clock = ReadTimeOfDay(QString::fromUtf8(time));
    if (!day || !clock)
        return std::nullopt;
    return *day + *clock;
}

} // namespace modItemHandler
