#include "modItemQuery.h"

#include "XmlGuard.h"
#include "modItemHandler.h"

namespace modItemQuery {
namespace {

const QLatin1String kPrefix("_tarnwick/");

QString dayText(QDate today, int daysBack)
{
    return modItemHandler::FormatItemDate(modItemHandler::MomentOf(today.addDays(-daysBack), 0));
}

QString dayTest(QDate today, int daysBack)
{
    return QStringLiteral("@date='%1'").arg(dayText(today, daysBack));
}

// "@date='D0' or @date='D1' or ... or @date='D6'"
QString weekList(QDate today)
{
    QStringList days;
    for (int k = 0; k <= 6; ++k)
        days << dayTest(today, k);
    return days.join(QLatin1String(" or "));
}

// The condition a filter address stands for; "" for "all", "deleted" and anything else.
QString mainFragment(const QString &address, QDate today)
{
    if (!address.startsWith(kPrefix))
        return {};
    const QStringView name = QStringView(address).mid(kPrefix.size());
    if (name == QLatin1String("flagged"))
        return QStringLiteral("flag='true'");
    if (name == QLatin1String("read"))
        return QStringLiteral("read='true'");
    if (name == QLatin1String("unread"))
        return QStringLiteral("read='false'");
    if (name == QLatin1String("today"))
        return dayTest(today, 0);
    if (name == QLatin1String("yesterday"))
        return dayTest(today, 1);
    if (name == QLatin1String("week"))
        return QLatin1Char('(') + weekList(today) + QLatin1Char(')');
    if (name == QLatin1String("old"))
        return QLatin1String("not(") + weekList(today) + QLatin1Char(')');
    return {};
}

QString literal(const QString &text)
{
    return xml::xpathLiteral(text, '\'');
}

} // namespace

bool IsFilterName(const QString &address)
{
    static const QStringList names = {"all",   "read",      "unread", "flagged", "deleted",
                                      "today", "yesterday", "week",   "old"};
    return address.startsWith(kPrefix) && names.contains(address.mid(kPrefix.size()));
}

QString BuildItemQuery(const QString &sURL, const QString &FilterCHL, const QString &sSearch,
                       const QString &Filter2, QDate today)
{
    // Blanks trimmed at both ends, then lower case.
    qsizetype from = 0;
    qsizetype to = sSearch.size();
    while (from < to && sSearch[from] == QLatin1Char(' '))
        ++from;
    while (to > from && sSearch[to - 1] == QLatin1Char(' '))
        --to;
    const QString search = sSearch.mid(from, to - from).toLower();

    QString q = QStringLiteral("item[");
    if (!IsFilterName(sURL))
        q += QLatin1String("@channel=") + literal(sURL) + QLatin1String(" and ");
    if (!search.isEmpty())
        q += QLatin1String("contains(translate(., 'ABCDEFGHIJKLMNOPSQRTUVWXYZ', "
                           "'abcdefghijklmnopsqrtuvwxyz'),")
             + literal(search) + QLatin1String(") and ");
    if (const QString main = mainFragment(sURL, today); !main.isEmpty())
        q += main + QLatin1String(" and ");
    const QString first = FilterCHL != sURL ? mainFragment(FilterCHL, today) : QString();
    if (!first.isEmpty()) {
        // The first and second filters share one bracket, joined by "or".
        q += QLatin1Char('(') + first;
        const QString second = mainFragment(Filter2, today);
        q += second.isEmpty() ? QStringLiteral(") and ")
                              : QLatin1String(" or ") + second + QLatin1String(") and ");
    }
    const QLatin1String deleted("_tarnwick/deleted");
    const bool wantDeleted = sURL == deleted || FilterCHL == deleted || Filter2 == deleted;
    q += wantDeleted ? QLatin1String("delete='true'") : QLatin1String("delete='false'");
    q += QLatin1Char(']');
    return q;
}

} // namespace modItemQuery
