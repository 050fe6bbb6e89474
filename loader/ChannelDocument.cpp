#include "ChannelDocument.h"

#include "JsonFeed.h"
#include "XmlDocument.h"
#include "XmlGuard.h"
#include "XmlHandles.h"
#include "XmlStylesheet.h"
#include "modItemHandler.h"

#include <QDateTime>
#include <QStringDecoder>
#include <QStringList>

#include <libxml/parser.h>

#include <algorithm>
#include <malloc.h>
#include <numeric>
#include <optional>
#include <vector>

namespace ChannelDocument {
namespace {

using modItemHandler::ItemMoment;

bool IsEntry(const xmlChar *local)
{
    return local && (xmlStrEqual(local, BAD_CAST "item") || xmlStrEqual(local, BAD_CAST "entry"));
}

// The date elements of RSS, RSS 1.0 (Dublin Core) and Atom.
bool IsDate(const xmlChar *local)
{
    static const char *const names[] = {
        "pubDate", "date", "published", "updated", "issued", "modified"};
    return local && std::any_of(std::begin(names), std::end(names), [local](const char *n) {
        return xmlStrEqual(local, BAD_CAST n);
    });
}

std::optional<ItemMoment> EntryDate(const QString &text)
{
    if (const auto moment = modItemHandler::ParseFeedDate(text))
        return moment;
    const QDateTime iso = QDateTime::fromString(text.trimmed(), Qt::ISODate);
    if (iso.isValid())
        return modItemHandler::MomentOf(iso.date(), iso.time().msecsSinceStartOfDay() / 1000);
    // Other RFC 822 layouts ("Thu, 07 Dec 17 10:00:29 -0800", "7 Dec 2017 10:00"), as the
    // stylesheet reads them: weekday and zone aside.
    QString rest = text.trimmed();
    const qsizetype comma = rest.indexOf(QLatin1Char(','));
    if (comma >= 0 && comma < 12)
        rest = rest.mid(comma + 1);
    QStringList parts = rest.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (parts.size() > 3 && !parts.last().contains(QLatin1Char(':')))
        parts.removeLast();
    return modItemHandler::ReadDateTime(parts.join(QLatin1Char(' ')));
}

// A first look through the document that builds nothing: each entry's own date.
struct DateScan
{
    std::vector<std::optional<ItemMoment>> dates;
    int depth = 0;
    int entryDepth = -1;
    bool inDate = false;
    bool dated = false;
    QByteArray text;
};

DateScan &ScanOf(void *ctx)
{
    return *static_cast<DateScan *>(static_cast<xmlParserCtxtPtr>(ctx)->_private);
}

void ScanStart(void *ctx, const xmlChar *local, const xmlChar *, const xmlChar *, int,
    const xmlChar **, int, int, const xmlChar **)
{
    DateScan &scan = ScanOf(ctx);
    if (scan.entryDepth < 0 && IsEntry(local)) {
        scan.entryDepth = scan.depth;
        scan.dated = false;
        scan.dates.emplace_back();
    } else if (scan.entryDepth >= 0 && !scan.dated && IsDate(local)) {
        scan.inDate = true;
        scan.text.clear();
    }
    ++scan.depth;
}

void ScanEnd(void *ctx, const xmlChar *, const xmlChar *, const xmlChar *)
{
    DateScan &scan = ScanOf(ctx);
    if (--scan.depth == scan.entryDepth)
        scan.entryDepth = -1;
    if (scan.inDate) {
        scan.inDate = false;
        scan.dated = true;
        scan.dates.back() = EntryDate(QString::fromUtf8(scan.text));
    }
}

void ScanText(void *ctx, const xmlChar *text, int length)
{
    DateScan &scan = ScanOf(ctx);
    if (scan.inDate && scan.text.size() < 256)
        scan.text.append(reinterpret_cast<const char *>(text), length);
}

// Each entry's own date (nothing where it has none, or none that reads), in document order;
// nullopt when the document does not parse.
std::optional<std::vector<std::optional<ItemMoment>>> EntryDates(const QByteArray &raw)
{
    xml::ParserCtxtPtr ctxt(xmlNewParserCtxt());
    if (!ctxt || !ctxt->sax)
        return std::nullopt;
    DateScan scan;
    ctxt->_private = &scan;
    xmlSAXHandler handler = {};
    handler.initialized = XML_SAX2_MAGIC;
    handler.startElementNs = ScanStart;
    handler.endElementNs = ScanEnd;
    handler.characters = ScanText;
    handler.cdataBlock = ScanText;
    *ctxt->sax = handler;
    ctxt->userData = ctxt.get();
    xml::DocPtr nothing(xmlCtxtReadMemory(
        ctxt.get(), raw.constData(), int(raw.size()), nullptr, nullptr, xml::parseOptions()));
    if (!ctxt->wellFormed)
        return std::nullopt;
    return std::move(scan.dates);
}

} // namespace

std::vector<bool> NewestEntries(const std::vector<std::optional<ItemMoment>> &dates, int maxEntries)
{
    std::vector<int> order(dates.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        if (!dates[size_t(a)] || !dates[size_t(b)])
            return !dates[size_t(a)] && dates[size_t(b)];
        return *dates[size_t(a)] > *dates[size_t(b)];
    });
    std::vector<bool> keep(dates.size(), false);
    for (size_t i = 0; i < order.size() && i < size_t(maxEntries); ++i)
        keep[size_t(order[i])] = true;
    return keep;
}

namespace {

// The tree builder of libxml2, with the entries not kept passed over: their elements, text and
// everything inside never reach the tree.
struct EntryFilter
{
    xmlSAXHandler builder;
    const std::vector<bool> *keep = nullptr;
    int index = -1;
    int depth = 0;
    int entryDepth = -1; // depth of the kept entry being read; -1 outside
    int skipping = 0; // nesting inside an entry that is not kept
};

EntryFilter &FilterOf(void *ctx)
{
    return *static_cast<EntryFilter *>(static_cast<xmlParserCtxtPtr>(ctx)->_private);
}

void FilterStart(void *ctx, const xmlChar *local, const xmlChar *prefix, const xmlChar *uri,
    int namespaces, const xmlChar **nsDecls, int attributes, int defaulted, const xmlChar **attrs)
{
    EntryFilter &f = FilterOf(ctx);
    if (f.skipping > 0) {
        ++f.skipping;
        return;
    }
    if (f.entryDepth < 0 && IsEntry(local)) {
        ++f.index;
        if (!(*f.keep)[size_t(f.index)]) {
            f.skipping = 1;
            return;
        }
        f.entryDepth = f.depth;
    }
    ++f.depth;
    f.builder.startElementNs(
        ctx, local, prefix, uri, namespaces, nsDecls, attributes, defaulted, attrs);
}

void FilterEnd(void *ctx, const xmlChar *local, const xmlChar *prefix, const xmlChar *uri)
{
    EntryFilter &f = FilterOf(ctx);
    if (f.skipping > 0) {
        --f.skipping;
        return;
    }
    if (--f.depth == f.entryDepth)
        f.entryDepth = -1;
    f.builder.endElementNs(ctx, local, prefix, uri);
}

void FilterText(void *ctx, const xmlChar *text, int length)
{
    EntryFilter &f = FilterOf(ctx);
    if (f.skipping == 0)
        f.builder.characters(ctx, text, length);
}

void FilterCData(void *ctx, const xmlChar *text, int length)
{
    EntryFilter &f = FilterOf(ctx);
    if (f.skipping == 0)
        f.builder.cdataBlock(ctx, text, length);
}

void FilterReference(void *ctx, const xmlChar *name)
{
    EntryFilter &f = FilterOf(ctx);
    if (f.skipping == 0 && f.builder.reference)
        f.builder.reference(ctx, name);
}

xml::DocPtr Pruned(const QByteArray &raw, const std::vector<bool> &keep)
{
    xml::ParserCtxtPtr ctxt(xmlNewParserCtxt());
    if (!ctxt || !ctxt->sax)
        return nullptr;
    EntryFilter filter;
    filter.builder = *ctxt->sax;
    filter.keep = &keep;
    ctxt->_private = &filter;
    ctxt->sax->startElementNs = FilterStart;
    ctxt->sax->endElementNs = FilterEnd;
    ctxt->sax->characters = FilterText;
    ctxt->sax->cdataBlock = FilterCData;
    ctxt->sax->reference = FilterReference;
    xml::DocPtr doc(xmlCtxtReadMemory(
        ctxt.get(), raw.constData(), int(raw.size()), nullptr, nullptr, xml::parseOptions()));
    if (!ctxt->wellFormed)
        return nullptr;
    return doc;
}

// A web page rather than a feed: its markup starts (after a byte order mark, blanks and
// comments) with an HTML doctype or an html element.
bool LooksLikeHtml(const QByteArray &raw)
{
    QByteArray head = raw.left(4096);
    if (head.startsWith("\xEF\xBB\xBF"))
        head.remove(0, 3);
    head = head.trimmed().toLower();
    while (head.startsWith("<!--")) {
        const qsizetype end = head.indexOf("-->");
        if (end < 0)
            return false;
        head = head.mid(end + 3).trimmed();
    }
    if (head.startsWith("<?xml")) {
        const qsizetype end = head.indexOf("?>");
        head = end < 0 ? QByteArray() : head.mid(end + 2).trimmed();
    }
    return head.startsWith("<!doctype html") || head.startsWith("<html");
}

bool InNamespace(const xmlNode *node, const char *href)
{
    return node->ns && node->ns->href && xmlStrEqual(node->ns->href, BAD_CAST href);
}

bool SameNamespace(const xmlNode *a, const xmlNode *b)
{
    if (!a->ns || !b->ns)
        return !a->ns && !b->ns;
    return xmlStrEqual(a->ns->href, b->ns->href);
}

// An RSS, RDF or Atom element the stylesheet reads. RSS may be in no namespace, in the userland
// RSS 2.0 namespace, or in the XHTML namespace of a page that carries it; its channel shares
// its namespace.
bool IsFeedElement(const xmlNode *node)
{
    if (node->type != XML_ELEMENT_NODE || !node->name)
        return false;
    if (xmlStrEqual(node->name, BAD_CAST "rss")
        && (!node->ns || InNamespace(node, "http://backend.userland.com/rss2")
            || InNamespace(node, "http://www.w3.org/1999/xhtml"))) {
        for (const xmlNode *child = node->children; child; child = child->next) {
            if (child->type == XML_ELEMENT_NODE && xmlStrEqual(child->name, BAD_CAST "channel")
                && SameNamespace(child, node))
                return true;
        }
        return false;
    }
    if (xmlStrEqual(node->name, BAD_CAST "RDF"))
        return InNamespace(node, "http://www.w3.org/1999/02/22-rdf-syntax-ns#");
    if (xmlStrEqual(node->name, BAD_CAST "feed"))
        return InNamespace(node, "http://www.w3.org/2005/Atom")
            || InNamespace(node, "http://purl.org/atom/ns#");
    return false;
}

// The first feed element in document order (the one the stylesheet reads), or null.
const xmlNode *FirstFeedElement(const xmlNode *node)
{
    for (; node; node = node->next) {
        if (node->type != XML_ELEMENT_NODE)
            continue;
        if (IsFeedElement(node))
            return node;
        if (const xmlNode *inside = FirstFeedElement(node->children))
            return inside;
    }
    return nullptr;
}

// Why a well-formed document is not a channel the stylesheet can read: empty when it is one
// (RSS 0.9x/2.0 with its channel, RSS 1.0 / 0.90 in RDF, Atom 1.0 or 0.3), or when it carries
// one inside (an XHTML page with a feed in it).
QString NotAFeed(const xml::Document &doc)
{
    const xmlNode *root = xmlDocGetRootElement(doc.raw());
    if (!root || !root->name)
        return QStringLiteral("the document is empty, not a feed");
    if (FirstFeedElement(root))
        return {};
    const QByteArray name(reinterpret_cast<const char *>(root->name));
    if (name == "rss")
        return QStringLiteral("an RSS document without a channel");
    if (name.compare("html", Qt::CaseInsensitive) == 0)
        return QStringLiteral("a web page (HTML), not a feed");
    return QStringLiteral("not a feed (the document is a <%1> element)")
        .arg(QString::fromUtf8(name.left(64)));
}

// UTF-16 with neither a byte order mark nor an XML declaration, which the parser cannot tell
// from the bytes: known by the zero byte beside its first "<", and read as UTF-8 instead.
// Everything else is returned as it is.
QByteArray WithoutBareUtf16(const QByteArray &raw)
{
    if (raw.size() < 4 || raw.size() % 2 != 0)
        return raw;
    const bool little = raw[0] == '<' && raw[1] == '\0' && raw[2] != '?';
    const bool big = raw[0] == '\0' && raw[1] == '<' && raw[3] != '?';
    if (!little && !big)
        return raw;
    QStringDecoder decode(little ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE);
    const QString text = decode(raw);
    return decode.hasError() ? raw : text.toUtf8();
}

Prepared Build(const QByteArray &fetched, const xml::Stylesheet &stylesheet, int maxEntries)
{
    Prepared out;
    const QByteArray raw = WithoutBareUtf16(fetched);
    const auto dates = EntryDates(raw);
    if (!dates) {
        out.error = LooksLikeHtml(raw) ? QStringLiteral("a web page (HTML), not a feed")
                                       : QStringLiteral("not well-formed XML");
        return out;
    }
    out.entries = int(dates->size());
    xml::Document source;
    if (out.entries > maxEntries) {
        xml::DocPtr doc = Pruned(raw, NewestEntries(*dates, maxEntries));
        if (!doc || !xmlDocGetRootElement(doc.get())) {
            out.error = QStringLiteral("not well-formed XML");
            return out;
        }
        source.adopt(std::move(doc));
        out.dropped = out.entries - maxEntries;
    } else if (!source.loadXML(raw)) {
        out.error = QStringLiteral("not well-formed XML");
        return out;
    }
    out.error = NotAFeed(source);
    if (!out.error.isEmpty())
        return out;
    xml::Document result;
    if (!stylesheet.transformToDocument(source, result)) {
        out.error = QStringLiteral("the channel stylesheet could not transform it");
        return out;
    }
    out.text = result.xmlUtf8();
    out.ok = true;
    return out;
}

} // namespace

Prepared Prepare(const QByteArray &raw, const xml::Stylesheet &stylesheet, int maxEntries,
    const QByteArray &contentType)
{
    xml::initialize(); // this thread's error handlers
    const Prepared prepared = JsonFeed::IsJson(raw, contentType)
        ? JsonFeed::Convert(raw, maxEntries)
        : Build(raw, stylesheet, maxEntries);
    if (raw.size() > 4 * 1024 * 1024)
        malloc_trim(0); // the trees of a large document are gone: their memory goes back
    return prepared;
}

} // namespace ChannelDocument
