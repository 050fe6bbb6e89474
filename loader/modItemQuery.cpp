#include "modItemQuery.h"

#include "StoredNode.h"

#include "XmlGuard.h"
#include "XmlNode.h"
#include "modItemHandler.h"

namespace modItemQuery {
namespace {

const QLatin1String kPrefix("_tarnwick/");

QByteArray dayText(QDate today, int daysBack)
{
    return modItemHandler::FormatItemDate(modItemHandler::MomentOf(today.addDays(-daysBack), 0))
        .toUtf8();
}

QList<QByteArray> week(QDate today)
{
    QList<QByteArray> days;
    for (int k = 0; k <= 6; ++k)
        days << dayText(today, k);
    return days;
}

// The condition a filter address stands for; None for "all", "deleted" and anything else.
Condition conditionOf(const QString &address, QDate today)
{
    Condition c;
    if (!address.startsWith(kPrefix))
        return c;
    const QStringView name = QStringView(address).mid(kPrefix.size());
    auto mark = [&](const char *child, const char *value) {
        c.kind = Condition::MarkIs;
        c.mark = child;
        c.value = value;
    };
    if (name == QLatin1String("flagged"))
        mark("flag", "true");
    else if (name == QLatin1String("read"))
        mark("read", "true");
    else if (name == QLatin1String("unread"))
        mark("read", "false");
    else if (name == QLatin1String("today") || name == QLatin1String("yesterday")) {
        c.kind = Condition::DateIn;
        c.dates = {dayText(today, name == QLatin1String("today") ? 0 : 1)};
    } else if (name == QLatin1String("week") || name == QLatin1String("old")) {
        c.kind = name == QLatin1String("week") ? Condition::DateIn : Condition::DateNotIn;
        c.dates = week(today);
    }
    return c;
}

QString literal(const QString &text)
{
    return xml::xpathLiteral(text, '\'');
}

// Whether node's string value equals value. The usual single text child is compared in place.
bool textEquals(xmlNode *node, const QByteArray &value)
{
    const xmlNode *only = node->children;
    if (!only)
        return value.isEmpty();
    if (!only->next && (only->type == XML_TEXT_NODE || only->type == XML_CDATA_SECTION_NODE)) {
        const char *text = reinterpret_cast<const char *>(only->content);
        return text && qstrcmp(text, value.constData()) == 0;
    }
    return xml::Node(node).textUtf8() == value;
}

} // namespace

bool IsFilterName(const QString &address)
{
    static const QStringList names = {
        "all", "read", "unread", "flagged", "deleted", "today", "yesterday", "week", "old"};
    return address.startsWith(kPrefix) && names.contains(address.mid(kPrefix.size()));
}

QString Condition::toXPath() const
{
    switch (kind) {
    case MarkIs:
        return QStringLiteral("%1='%2'").arg(QString::fromUtf8(mark), QString::fromUtf8(value));
    case DateIn:
    case DateNotIn: {
        QStringList tests;
        for (const QByteArray &d : dates)
            tests << QStringLiteral("@date='%1'").arg(QString::fromUtf8(d));
        const QString list = tests.join(QLatin1String(" or "));
        if (kind == DateNotIn)
            return QLatin1String("not(") + list + QLatin1Char(')');
        return dates.size() > 1 ? QLatin1Char('(') + list + QLatin1Char(')') : list;
    }
    case None:
        break;
    }
    return {};
}

ItemFacts ItemFacts::of(xmlNode *item)
{
    ItemFacts f;
    static const QByteArray yes("true");
    static const QByteArray no("false");
    for (xmlNode *c = item->children; c; c = c->next) {
        if (c->type != XML_ELEMENT_NODE || c->ns)
            continue;
        const char *name = reinterpret_cast<const char *>(c->name);
        quint8 t = 0;
        if (qstrcmp(name, "read") == 0)
            t = ReadTrue;
        else if (qstrcmp(name, "flag") == 0)
            t = FlagTrue;
        else if (qstrcmp(name, "delete") == 0)
            t = DeleteTrue;
        if (!t)
            continue;
        if (textEquals(c, yes))
            f.bits |= t;
        else if (textEquals(c, no))
            f.bits |= quint8(t << 1); // the matching ...False bit
    }
    if (xmlAttr *date = xmlHasNsProp(item, reinterpret_cast<const xmlChar *>("date"), nullptr)) {
        f.bits |= HasDate;
        f.date = xml::Node(reinterpret_cast<xmlNode *>(date)).textUtf8();
    }
    return f;
}

bool Condition::matches(const ItemFacts &facts) const
{
    switch (kind) {
    case MarkIs: {
        const bool isTrue = value == "true";
        if (mark == "read")
            return facts.has(isTrue ? ItemFacts::ReadTrue : ItemFacts::ReadFalse);
        return facts.has(isTrue ? ItemFacts::FlagTrue : ItemFacts::FlagFalse);
    }
    case DateIn:
    case DateNotIn: {
        const bool in = facts.has(ItemFacts::HasDate) && dates.contains(facts.date);
        return kind == DateIn ? in : !in;
    }
    case None:
        break;
    }
    return true;
}

QString ItemQuery::toXPath() const
{
    QString q = QStringLiteral("item[");
    if (channel)
        q += QLatin1String("@channel=") + literal(*channel) + QLatin1String(" and ");
    if (!search.isEmpty())
        q += QLatin1String("contains(translate(., 'ABCDEFGHIJKLMNOPSQRTUVWXYZ', "
                           "'abcdefghijklmnopsqrtuvwxyz'),")
            + literal(search) + QLatin1String(") and ");
    if (!main.isNone())
        q += main.toXPath() + QLatin1String(" and ");
    if (!first.isNone()) {
        // The first and second filters share one bracket, joined by "or".
        q += QLatin1Char('(') + first.toXPath();
        if (!second.isNone())
            q += QLatin1String(" or ") + second.toXPath();
        q += QLatin1String(") and ");
    }
    q += deleted ? QLatin1String("delete='true'") : QLatin1String("delete='false'");
    q += QLatin1Char(']');
    return q;
}

bool ItemQuery::matches(QByteArrayView item, const QByteArray &channelAttr, const ItemFacts &facts,
    bool skipChannel) const
{
    if (!facts.has(deleted ? ItemFacts::DeleteTrue : ItemFacts::DeleteFalse))
        return false;
    if (!main.matches(facts))
        return false;
    if (!first.isNone() && !first.matches(facts) && (second.isNone() || !second.matches(facts)))
        return false;
    if (channel && !skipChannel && (channelAttr.isNull() || channelAttr != channel->toUtf8()))
        return false;
    if (!search.isEmpty()) {
        thread_local QByteArray text; // keeps its capacity from item to item
        text.clear();
        StoredNode::AppendFoldedValue(item, text);
        if (!text.contains(search.toUtf8()))
            return false;
    }
    return true;
}

ItemQuery MakeItemQuery(const QString &sURL, const QString &FilterCHL, const QString &sSearch,
    const QString &Filter2, QDate today)
{
    ItemQuery q;
    // Blanks trimmed at both ends, then lower case.
    qsizetype from = 0;
    qsizetype to = sSearch.size();
    while (from < to && sSearch[from] == QLatin1Char(' '))
        ++from;
    while (to > from && sSearch[to - 1] == QLatin1Char(' '))
        --to;
    q.search = sSearch.mid(from, to - from).toLower();
    if (!IsFilterName(sURL))
        q.channel = sURL;
    q.main = conditionOf(sURL, today);
    if (FilterCHL != sURL) {
        q.first = conditionOf(FilterCHL, today);
        if (!q.first.isNone())
            q.second = conditionOf(Filter2, today);
    }
    const QLatin1String deleted("_tarnwick/deleted");
    q.deleted = sURL == deleted || FilterCHL == deleted || Filter2 == deleted;
    return q;
}

} // namespace modItemQuery
