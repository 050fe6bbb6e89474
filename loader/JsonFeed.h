#pragma once

#include "ChannelDocument.h"

#include <QByteArray>

// JSON Feed (versions 1 and 1.1) read into the plain RSS 2.0 shape the channel stylesheet gives
// every XML feed: rss/channel with title, link, description (and language), then one item per
// entry with title, link, description, author, guid, pubDate (RFC 822, the clock time as
// written) and a category per tag. The bank merges it like any other channel.
namespace JsonFeed {

// Whether a fetched document is to be read as JSON: its first character (after a byte order mark
// and blanks) is "{", or the server calls it application/feed+json or application/json and it
// does not start with "<" (a feed sent with the wrong type stays readable).
bool IsJson(const QByteArray &raw, const QByteArray &contentType);

// The document in the plain shape, the newest maxEntries items at most. A document that is not
// JSON, or JSON whose "version" does not name jsonfeed.org, gives no text and says why.
ChannelDocument::Prepared Convert(const QByteArray &raw, int maxEntries);

} // namespace JsonFeed
