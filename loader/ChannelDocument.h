#pragma once

#include "modItemHandler.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

namespace xml {
class Stylesheet;
}

// What a fetched channel document becomes before the bank merges it: parsed with at most
// maxEntries of its entries (RSS "item" and Atom "entry" elements; the newest by their own
// dates, in document order where they have none), transformed by the channel stylesheet and
// serialized. The entries left out are never built into a tree, so the memory one fetch takes
// follows maxEntries rather than the document's length.
//
// It touches nothing but its arguments and libxml2's per-thread state, so the fetcher runs it
// on a worker thread and the bank's thread stays free for its clients.
namespace ChannelDocument {

struct Prepared
{
    bool ok = false; // the document parsed and transformed
    QString error; // why not, when not
    QByteArray text; // the transformed document, serialized
    int entries = 0; // entries the document had
    int dropped = 0; // left out (the oldest beyond maxEntries)
};

// contentType: what the server called the document (its Content-Type header), "" when unknown.
// A JSON Feed is read by JsonFeed instead of the stylesheet.
Prepared Prepare(const QByteArray &raw, const xml::Stylesheet &stylesheet, int maxEntries,
    const QByteArray &contentType = QByteArray());

// Which entries stay of those with these dates: the newest maxEntries; entries without a date
// count as the newest and keep their document order.
std::vector<bool> NewestEntries(
    const std::vector<std::optional<modItemHandler::ItemMoment>> &dates, int maxEntries);

} // namespace ChannelDocument
