#include "JsonFeed.h"

#include "modItemHandler.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QStringList>
#include <QXmlStreamWriter>

#include <libxml/HTMLparser.h>
#include <libxml/tree.h>

#include <optional>
#include <vector>

namespace JsonFeed {
namespace {

using modItemHandler::ItemMoment;

// A headline made from an item's text is cut after about this many characters.
constexpr int kMadeTitleLength = 80;

QByteArray Body(const QByteArray &raw)
{
    QByteArray body = raw;
    if (body.startsWith("\xEF\xBB\xBF"))
        body.remove(0, 3);
    return body;
}

char FirstCharacter(const QByteArray &body)
{
    for (char c : body) {
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n')
            return c;
    }
    return 0;
}

// Text as XML 1.0 can carry it: characters it cannot hold (most control characters, unpaired
// surrogates, U+FFFE and U+FFFF) are left out, so one odd string never costs the whole feed.
QString XmlSafe(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            out += c;
            out += text[++i];
            continue;
        }
        const char16_t u = c.unicode();
        if (c.isSurrogate() || u == 0xFFFE || u == 0xFFFF
            || (u < 0x20 && u != '\t' && u != '\n' && u != '\r'))
            continue;
        out += c;
    }
    return out;
}

QString Text(const QJsonValue &value)
{
    if (value.isString())
        return value.toString();
    if (value.isDouble())
        return value.toVariant().toString();
    return QString();
}

// "a < b" as HTML that shows it, line breaks kept.
QString TextAsHtml(const QString &text)
{
    return text.toHtmlEscaped().replace(QLatin1Char('\n'), QLatin1String("<br/>"));
}

bool IsBlock(const xmlChar *name)
{
    static const char *const blocks[] = {"p", "div", "br", "li", "ul", "ol", "h1", "h2", "h3", "h4",
        "h5", "h6", "tr", "td", "th", "blockquote", "pre", "hr", "dt", "dd", "table", "section"};
    for (const char *b : blocks) {
        if (xmlStrcasecmp(name, BAD_CAST b) == 0)
            return true;
    }
    return false;
}

void CollectText(xmlNodePtr node, QString &out)
{
    for (xmlNodePtr n = node; n; n = n->next) {
        if (n->type == XML_TEXT_NODE || n->type == XML_CDATA_SECTION_NODE) {
            out += QString::fromUtf8(reinterpret_cast<const char *>(n->content));
        } else if (n->type == XML_ELEMENT_NODE && xmlStrcasecmp(n->name, BAD_CAST "script") != 0
            && xmlStrcasecmp(n->name, BAD_CAST "style") != 0) {
            CollectText(n->children, out);
            if (IsBlock(n->name))
                out += QLatin1Char(' ');
        }
    }
}

// What a person reads of some HTML: its text, blanks run together.
QString PlainText(const QString &html)
{
    const QByteArray bytes = html.toUtf8();
    if (bytes.isEmpty())
        return QString();
    htmlDocPtr doc = htmlReadMemory(bytes.constData(), int(bytes.size()), nullptr, "UTF-8",
        HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET);
    if (!doc)
        return QString();
    QString text;
    CollectText(xmlDocGetRootElement(doc), text);
    xmlFreeDoc(doc);
    return text.simplified();
}

// A headline for an item that has none: the start of its summary or text, cut at a word.
QString MadeTitle(const QJsonObject &item)
{
    QString text = Text(item.value(QLatin1String("summary"))).simplified();
    if (text.isEmpty())
        text = Text(item.value(QLatin1String("content_text"))).simplified();
    if (text.isEmpty())
        text = PlainText(Text(item.value(QLatin1String("content_html"))));
    if (text.size() <= kMadeTitleLength)
        return text;
    qsizetype cut = text.lastIndexOf(QLatin1Char(' '), kMadeTitleLength);
    if (cut < kMadeTitleLength / 2)
        cut = kMadeTitleLength;
    return text.left(cut) + QChar(0x2026);
}

std::optional<QDateTime> ReadDate(const QString &text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    QDateTime moment = QDateTime::fromString(t, Qt::ISODateWithMs);
    if (!moment.isValid())
        moment = QDateTime::fromString(t, Qt::ISODate);
    if (!moment.isValid()) {
        const QDate day = QDate::fromString(t.left(10), Qt::ISODate);
        if (!day.isValid())
            return std::nullopt;
        moment = QDateTime(day, QTime(0, 0), Qt::UTC);
    }
    return moment;
}

// The item's date as written: date_published, else date_modified.
std::optional<QDateTime> ItemDate(const QJsonObject &item)
{
    for (const char *key : {"date_published", "date_modified"}) {
        if (auto moment = ReadDate(Text(item.value(QLatin1String(key)))))
            return moment;
    }
    return std::nullopt;
}

// "Mon, 02 Oct 2006 13:00:00 +0200": the day and clock time as the feed wrote them.
QString Rfc822(const QDateTime &moment)
{
    const int offset = moment.timeSpec() == Qt::LocalTime ? 0 : moment.offsetFromUtc();
    QString zone = QStringLiteral("GMT");
    if (offset != 0) {
        const int minutes = qAbs(offset) / 60;
        zone = QStringLiteral("%1%2%3")
                   .arg(offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
                   .arg(minutes / 60, 2, 10, QLatin1Char('0'))
                   .arg(minutes % 60, 2, 10, QLatin1Char('0'));
    }
    return QLocale::c().toString(moment.date(), QStringLiteral("ddd, dd MMM yyyy ")) //
        + moment.time().toString(QStringLiteral("hh:mm:ss ")) + zone;
}

// The names of an "authors" list (version 1.1) or an "author" object (version 1).
QString Authors(const QJsonObject &owner)
{
    QStringList names;
    for (const QJsonValue &a : owner.value(QLatin1String("authors")).toArray()) {
        const QString name = Text(a.toObject().value(QLatin1String("name"))).trimmed();
        if (!name.isEmpty())
            names << name;
    }
    if (names.isEmpty())
        names << Text(owner.value(QLatin1String("author")).toObject().value(QLatin1String("name")))
                     .trimmed();
    names.removeAll(QString());
    return names.join(QLatin1String(", "));
}

void Element(QXmlStreamWriter &out, const char *name, const QString &text)
{
    out.writeTextElement(QLatin1String(name), XmlSafe(text));
}

void WriteItem(QXmlStreamWriter &out, const QJsonObject &item, const QString &feedAuthors)
{
    out.writeStartElement(QStringLiteral("item"));
    QString title = Text(item.value(QLatin1String("title"))).trimmed();
    if (title.isEmpty())
        title = MadeTitle(item);
    Element(out, "title", title);
    QString link = Text(item.value(QLatin1String("url"))).trimmed();
    if (link.isEmpty())
        link = Text(item.value(QLatin1String("external_url"))).trimmed();
    if (!link.isEmpty())
        Element(out, "link", link);
    QString description = Text(item.value(QLatin1String("content_html")));
    if (description.isEmpty())
        description = TextAsHtml(Text(item.value(QLatin1String("content_text"))));
    if (description.isEmpty())
        description = TextAsHtml(Text(item.value(QLatin1String("summary"))));
    Element(out, "description", description);
    QString author = Authors(item);
    if (author.isEmpty())
        author = feedAuthors;
    if (!author.isEmpty())
        Element(out, "author", author);
    const QString guid = Text(item.value(QLatin1String("id"))).trimmed();
    if (!guid.isEmpty())
        Element(out, "guid", guid);
    if (const auto moment = ItemDate(item))
        Element(out, "pubDate", Rfc822(*moment));
    for (const QJsonValue &tag : item.value(QLatin1String("tags")).toArray()) {
        const QString text = Text(tag).trimmed();
        if (!text.isEmpty())
            Element(out, "category", text);
    }
    out.writeEndElement();
}

} // namespace

bool IsJson(const QByteArray &raw, const QByteArray &contentType)
{
    const char first = FirstCharacter(Body(raw.left(4096)));
    if (first == '{')
        return true;
    if (first == '<')
        return false;
    const QByteArray type = contentType.split(';').value(0).trimmed().toLower();
    return type == "application/feed+json" || type == "application/json";
}

ChannelDocument::Prepared Convert(const QByteArray &raw, int maxEntries)
{
    ChannelDocument::Prepared out;
    QJsonParseError parsed;
    const QJsonDocument doc = QJsonDocument::fromJson(Body(raw), &parsed);
    if (parsed.error != QJsonParseError::NoError) {
        out.error = QStringLiteral("not valid JSON (%1 at character %2)")
                        .arg(parsed.errorString())
                        .arg(parsed.offset);
        return out;
    }
    const QJsonObject feed = doc.object();
    if (!doc.isObject()
        || !Text(feed.value(QLatin1String("version")))
                .contains(QLatin1String("jsonfeed.org"), Qt::CaseInsensitive)) {
        out.error = QStringLiteral("JSON, but not a JSON Feed");
        return out;
    }

    const QJsonArray items = feed.value(QLatin1String("items")).toArray();
    std::vector<std::optional<ItemMoment>> dates;
    dates.reserve(size_t(items.size()));
    for (const QJsonValue &item : items) {
        const auto moment = ItemDate(item.toObject());
        dates.push_back(moment ? std::optional<ItemMoment>(modItemHandler::MomentOf(
                            moment->date(), moment->time().msecsSinceStartOfDay() / 1000))
                               : std::nullopt);
    }
    const std::vector<bool> keep = ChannelDocument::NewestEntries(dates, maxEntries);
    out.entries = int(items.size());
    out.dropped = std::max(0, out.entries - maxEntries);

    QXmlStreamWriter writer(&out.text);
    writer.writeStartElement(QStringLiteral("rss"));
    writer.writeAttribute(QStringLiteral("version"), QStringLiteral("2.0"));
    writer.writeStartElement(QStringLiteral("channel"));
    Element(writer, "title", Text(feed.value(QLatin1String("title"))));
    Element(writer, "link", Text(feed.value(QLatin1String("home_page_url"))).trimmed());
    Element(writer, "description", Text(feed.value(QLatin1String("description"))));
    const QString language = Text(feed.value(QLatin1String("language"))).trimmed();
    if (!language.isEmpty())
        Element(writer, "language", language);
    const QString feedAuthors = Authors(feed);
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (keep[size_t(i)] && items[i].isObject())
            WriteItem(writer, items[i].toObject(), feedAuthors);
    }
    writer.writeEndElement();
    writer.writeEndElement();
    out.ok = true;
    return out;
}

} // namespace JsonFeed
