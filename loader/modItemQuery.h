#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>

#include <libxml/tree.h>

#include <optional>

// The selections behind item lists and counts. A channel or filter address, an optional first
// and second filter and a search text make one query. Its XPath 1.0 form over the store's root
// is the contract (toXPath); matches() answers the same question for one item directly, which
// is what the bank runs, so that a count over a large store does not walk it as XPath.
namespace modItemQuery {

// True for exactly the nine filter addresses "_tarnwick/all", "/read", "/unread", "/flagged",
// "/deleted", "/today", "/yesterday", "/week" and "/old".
bool IsFilterName(const QString &address);

// What the filters ask of an item, read once from its children and attributes: which mark
// children exist with exactly "true" or "false", and its date attribute.
struct ItemFacts
{
    enum Bit : quint8 {
        ReadTrue = 1,
        ReadFalse = 2,
        FlagTrue = 4,
        FlagFalse = 8,
        DeleteTrue = 16,
        DeleteFalse = 32,
        HasDate = 64
    };
    quint8 bits = 0;
    QByteArray date;

    bool has(Bit b) const { return bits & b; }
    // (The store reads them from its own form of the item; this is the tree's reading, which
    // checks hold it to.)
    static ItemFacts of(xmlNode *item);
};

// One filter's condition on an item.
struct Condition
{
    enum Kind { None, MarkIs, DateIn, DateNotIn } kind = None;
    QByteArray mark; // MarkIs: "read" or "flag"
    QByteArray value; // MarkIs: "true" or "false"
    QList<QByteArray> dates; // DateIn / DateNotIn: "dd mmm yyyy" texts

    bool isNone() const { return kind == None; }
    QString toXPath() const;
    bool matches(const ItemFacts &facts) const;
};

struct ItemQuery
{
    std::optional<QString> channel; // unset for filter addresses
    QString search; // trimmed, lower case; "" for none
    Condition main; // the address's own filter
    Condition first; // first filter, when it differs from the address
    Condition second; // second filter, only with a first one
    bool deleted = false; // only deleted items, else only undeleted ones

    QString toXPath() const;
    // Whether item (StoredNode tokens of an "item" child of the store's root, with its channel
    // attribute, null when it has none, and its facts) is selected by toXPath(). The channel
    // is left to the caller when skipChannel is set (it picked the channel's items already).
    bool matches(QByteArrayView item, const QByteArray &channelAttr, const ItemFacts &facts,
        bool skipChannel = false) const;
};

// Every list leaves deleted items out, unless one of the three addresses is
// "_tarnwick/deleted": then it holds only deleted ones. Day filters compare the stored date
// text with today and the days before it. Addresses and search text of any content are
// quoted safely.
ItemQuery MakeItemQuery(const QString &sURL, const QString &FilterCHL, const QString &sSearch,
    const QString &Filter2, QDate today = QDate::currentDate());

inline QString BuildItemQuery(const QString &sURL, const QString &FilterCHL, const QString &sSearch,
    const QString &Filter2, QDate today = QDate::currentDate())
{
    return MakeItemQuery(sURL, FilterCHL, sSearch, Filter2, today).toXPath();
}

} // namespace modItemQuery
