#pragma once

#include <QDate>
#include <QString>

// The expressions that select item lists and counts from the store: a channel or filter
// address, an optional first and second filter and a search text become one XPath 1.0
// expression over the store's root.
namespace modItemQuery {

// True for exactly the nine filter addresses "_tarnwick/all", "/read", "/unread", "/flagged",
// "/deleted", "/today", "/yesterday", "/week" and "/old".
bool IsFilterName(const QString &address);

// Every list leaves deleted items out, unless one of the three addresses is
// "_tarnwick/deleted": then it holds only deleted ones. Day filters compare the stored date
// text with today and the days before it. Addresses and search text of any content are
// quoted safely.
QString BuildItemQuery(const QString &sURL, const QString &FilterCHL, const QString &sSearch,
                       const QString &Filter2, QDate today = QDate::currentDate());

} // namespace modItemQuery
