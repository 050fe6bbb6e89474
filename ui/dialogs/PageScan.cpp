#include "PageScan.h"

#include <QRegularExpression>
#include <QSet>
#include <QStringDecoder>

#include <libxml/HTMLparser.h>
#include <libxml/tree.h>

namespace {

QString Attribute(xmlNodePtr node, const char *name)
{
    for (xmlAttrPtr attr = node->properties; attr; attr = attr->next) {
        if (xmlStrcasecmp(attr->name, BAD_CAST name) != 0)
            continue;
        xmlChar *value = xmlNodeListGetString(node->doc, attr->children, 1);
        const QString text = QString::fromUtf8(reinterpret_cast<const char *>(value)).trimmed();
        xmlFree(value);
        return text;
    }
    return QString();
}

bool Announces(xmlNodePtr link)
{
    const QStringList rel =
        Attribute(link, "rel").toLower().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const QString type = Attribute(link, "type").toLower();
    return rel.contains(QLatin1String("alternate"))
        && (type == QLatin1String("application/rss+xml")
            || type == QLatin1String("application/atom+xml")
            || type == QLatin1String("application/rdf+xml")
            || type == QLatin1String("application/feed+json"));
}

void Walk(xmlNodePtr node, const QUrl &base, QList<FoundChannel> &found, QSet<QString> &seen)
{
    for (xmlNodePtr n = node; n; n = n->next) {
        if (n->type == XML_ELEMENT_NODE && xmlStrcasecmp(n->name, BAD_CAST "link") == 0
            && Announces(n)) {
            const QString href = Attribute(n, "href");
            if (!href.isEmpty()) {
                const QUrl url = base.isValid() ? base.resolved(QUrl(href)) : QUrl(href);
                const QString address = url.isValid() ? url.toString() : href;
                // Only a channel on the web is offered: a page cannot make the user subscribe
                // to a local file or hand an address to some other program.
                const QString scheme = url.scheme().toLower();
                const bool web = url.isValid()
                    && (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
                if (web && !seen.contains(address)) {
                    seen.insert(address);
                    found.append({Attribute(n, "title"), address});
                }
            }
        }
        if (n->children)
            Walk(n->children, base, found, seen);
    }
}

} // namespace

QList<FoundChannel> ScanPage(const QString &html, const QUrl &pageAddress)
{
    QList<FoundChannel> found;
    const QByteArray bytes = html.toUtf8();
    if (bytes.isEmpty())
        return found;
    htmlDocPtr doc = htmlReadMemory(bytes.constData(), int(bytes.size()), nullptr, "UTF-8",
        HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET);
    if (!doc)
        return found;
    QSet<QString> seen;
    Walk(xmlDocGetRootElement(doc), pageAddress, found, seen);
    xmlFreeDoc(doc);
    return found;
}

bool IsWebPage(const QByteArray &bytes, const QByteArray &contentType)
{
    const QByteArray type = contentType.toLower();
    if (type.contains("html"))
        return true;
    if (type.contains("xml") || type.contains("rss") || type.contains("atom"))
        return false;
    // No telling type: the first element (after a declaration, comments and a doctype).
    static const QRegularExpression first(
        QStringLiteral(
            R"(^\s*(?:<\?[^>]*\?>\s*|<!--.*?-->\s*|<!doctype[^>]*>\s*)*<([A-Za-z][\w:.-]*))"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    const QString head = QString::fromLatin1(bytes.left(4096));
    const QRegularExpressionMatch m = first.match(head);
    if (m.hasMatch())
        return m.captured(1).compare(QLatin1String("html"), Qt::CaseInsensitive) == 0;
    return head.trimmed().startsWith(QLatin1String("<!doctype html"), Qt::CaseInsensitive);
}

bool HoldsChannel(const QByteArray &bytes)
{
    static const QRegularExpression root(
        QStringLiteral(R"(<(?:rss|feed|rdf:rdf)[\s>])"), QRegularExpression::CaseInsensitiveOption);
    return root.match(QString::fromLatin1(bytes)).hasMatch();
}

QString PageText(const QByteArray &bytes)
{
    QStringDecoder decoder = QStringDecoder::decoderForHtml(bytes);
    if (!decoder.isValid())
        return QString::fromUtf8(bytes);
    return decoder.decode(bytes);
}
