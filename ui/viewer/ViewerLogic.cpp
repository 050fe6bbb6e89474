#include "ViewerLogic.h"

#include "Include.h"
#include "TextNumber.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QHash>
#include <QLocale>
#include <QSet>
#include <QUrl>

#include <libxml/HTMLparser.h>
#include <libxml/HTMLtree.h>
#include <libxml/tree.h>
#include <libxml/xmlsave.h>
#include <tidy/tidy.h>
#include <tidy/tidybuffio.h>

namespace ViewerLogic {

std::optional<PageCommand> ParsePageTitle(const QString &title, int count)
{
    const QString t = title.trimmed();
    if (t.size() < 3)
        return std::nullopt;
    const QChar letter = t.at(0);
    if (letter != QLatin1Char('R') && letter != QLatin1Char('D') && letter != QLatin1Char('T'))
        return std::nullopt;
    const double value = TextNumber::LeadingValue(t.mid(2, t.size() - 3));
    if (!(value >= 1 && value <= count))
        return std::nullopt;
    return PageCommand {letter, int(value)};
}

namespace {
const QHash<QString, QString> &FilterNames()
{
    static const QHash<QString, QString> names = {
        {QString(), QStringLiteral(QT_TRANSLATE_NOOP("ViewerLogic", "All"))},
        {QStringLiteral("_tarnwick/today"),
            QStringLiteral(QT_TRANSLATE_NOOP("ViewerLogic", "Today"))},
        {QStringLiteral("_tarnwick/unread"),
            QStringLiteral(QT_TRANSLATE_NOOP("ViewerLogic", "Unread"))},
        {QStringLiteral("_tarnwick/read"),
            QStringLiteral(QT_TRANSLATE_NOOP("ViewerLogic", "Read"))},
        {QStringLiteral("_tarnwick/deleted"),
            QStringLiteral(QT_TRANSLATE_NOOP("ViewerLogic", "Deleted"))},
        {QStringLiteral("_tarnwick/flagged"),
            QStringLiteral(QT_TRANSLATE_NOOP("ViewerLogic", "Tagged"))},
        {QStringLiteral("_tarnwick/yesterday"),
            QStringLiteral(QT_TRANSLATE_NOOP("ViewerLogic", "Yesterday"))},
        {QStringLiteral("_tarnwick/week"),
            QStringLiteral(QT_TRANSLATE_NOOP("ViewerLogic", "Past 7 Days"))},
    };
    return names;
}
} // namespace

std::optional<QString> FilterFor(const QString &address)
{
    if (address == QLatin1String("_tarnwick/old"))
        return std::nullopt;
    if (!address.isEmpty() && FilterNames().contains(address))
        return address;
    return QString();
}

QString FilterName(const QString &filter)
{
    const QString name = FilterNames().value(filter);
    return name.isEmpty() ? name
                          : QCoreApplication::translate("ViewerLogic", name.toUtf8().constData());
}

QString ListToItems(const QString &list)
{
    QString out = list;
    int at = out.indexOf(QLatin1String("<itembank>"));
    if (at >= 0)
        out.replace(at, 10, QStringLiteral("<items>"));
    at = out.indexOf(QLatin1String("</itembank>"));
    if (at >= 0)
        out.replace(at, 11, QStringLiteral("</items>"));
    return out;
}

QString ShowChannelTitles(const QString &page)
{
    static const QString hidden = QStringLiteral(".channelTitle{display:none;}");
    QString out = page;
    const int at = out.indexOf(hidden);
    if (at >= 0)
        out.replace(at, hidden.size(), QStringLiteral(".channelTitle{display:block;}"));
    return out;
}

// ---- Item markup -----------------------------------------------------------------------------

namespace {

// Elements dropped with everything inside them.
const QSet<QByteArray> kDropped = {"script", "style", "meta", "link", "base", "title", "noscript",
    "template", "head", "textarea", "select", "input"};
// Elements taken out while what they hold (fallback content, cleaned too) stays.
const QSet<QByteArray> kUnwrapped = {"iframe", "frame", "frameset", "object", "embed", "applet",
    "form", "button", "svg", "math", "portal", "html", "body"};
// Attributes that carry addresses.
const QSet<QByteArray> kAddresses = {"href", "src", "action", "formaction", "background", "poster",
    "cite", "longdesc", "usemap", "xlink:href", "data", "codebase", "dynsrc", "lowsrc", "ping"};

bool SafeAddress(const QByteArray &element, const QByteArray &attribute, const QString &raw)
{
    if (Include::IsWebAddress(raw))
        return true;
    // Browsers skip blanks and control characters in a scheme: so must the check.
    QString value;
    for (const QChar c : raw)
        if (c.unicode() > 0x20)
            value += c.toLower();
    // Pictures may be inline data; nothing else may.
    return element == "img" && attribute == "src" && value.startsWith(QLatin1String("data:image/"))
        && !value.startsWith(QLatin1String("data:image/svg"));
}

void Clean(xmlNodePtr node)
{
    for (xmlNodePtr child = node->children; child;) {
        xmlNodePtr next = child->next;
        if (child->type == XML_ELEMENT_NODE) {
            const QByteArray name =
                QByteArray(reinterpret_cast<const char *>(child->name)).toLower();
            if (kDropped.contains(name)) {
                xmlUnlinkNode(child);
                xmlFreeNode(child);
                child = next;
                continue;
            }
            if (kUnwrapped.contains(name)) {
                Clean(child);
                while (xmlNodePtr inner = child->children) {
                    xmlUnlinkNode(inner);
                    xmlAddPrevSibling(child, inner);
                }
                xmlUnlinkNode(child);
                xmlFreeNode(child);
                child = next;
                continue;
            }
            for (xmlAttrPtr attr = child->properties; attr;) {
                xmlAttrPtr following = attr->next;
                const QByteArray an =
                    QByteArray(reinterpret_cast<const char *>(attr->name)).toLower();
                bool drop = an.startsWith("on") || an == "style" || an == "srcset"
                    || an == "formaction" || an == "http-equiv";
                if (!drop && kAddresses.contains(an)) {
                    xmlChar *value = xmlNodeListGetString(child->doc, attr->children, 1);
                    drop = !SafeAddress(
                        name, an, QString::fromUtf8(reinterpret_cast<const char *>(value)));
                    xmlFree(value);
                }
                if (drop)
                    xmlRemoveProp(attr);
                attr = following;
            }
            // A picture left without a source (a local file's, a script's) would only be an
            // empty frame on the page: it goes.
            if (name == "img" && !xmlHasProp(child, BAD_CAST "src")) {
                xmlUnlinkNode(child);
                xmlFreeNode(child);
                child = next;
                continue;
            }
            Clean(child);
        } else if (child->type == XML_COMMENT_NODE || child->type == XML_PI_NODE) {
            xmlUnlinkNode(child);
            xmlFreeNode(child);
        }
        child = next;
    }
}

} // namespace

void SanitizeItem(xml::Node item)
{
    if (xml::Node description = item.firstChildElement("description"))
        description.setText(SanitizeItemHtml(description.text()));
    // The item's own address becomes a link in the page: only a web address may.
    for (xml::Node field = item.firstChild(); field; field = field.nextSibling()) {
        const QString name = field.nodeName();
        if (field.isElement()
            && (name == QLatin1String("link") || name == QLatin1String("comments"))
            && !Include::IsWebAddress(field.text()))
            field.setText(QString());
    }
    DescribeEnclosures(item);
}

bool IsHttpAddress(const QString &address)
{
    const QUrl url(address.trimmed(), QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.host().isEmpty()
        && (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

QString EnclosureKind(const QString &type, const QString &url)
{
    const QString t = type.trimmed().toLower();
    if (t.startsWith(QLatin1String("audio/")))
        return QStringLiteral("audio");
    if (t.startsWith(QLatin1String("video/")))
        return QStringLiteral("video");
    if (!t.isEmpty() && t != QLatin1String("application/octet-stream"))
        return QStringLiteral("other");
    // No type, or only "some bytes": the file name's ending tells.
    static const QSet<QString> audio = {QStringLiteral("mp3"), QStringLiteral("m4a"),
        QStringLiteral("aac"), QStringLiteral("ogg"), QStringLiteral("oga"), QStringLiteral("opus"),
        QStringLiteral("flac"), QStringLiteral("wav")};
    static const QSet<QString> video = {QStringLiteral("mp4"), QStringLiteral("m4v"),
        QStringLiteral("webm"), QStringLiteral("mkv"), QStringLiteral("mov"), QStringLiteral("ogv"),
        QStringLiteral("avi")};
    const QString path = QUrl(url.trimmed()).path();
    const QString ending = path.mid(path.lastIndexOf(QLatin1Char('.')) + 1).toLower();
    if (path.contains(QLatin1Char('.')) && audio.contains(ending))
        return QStringLiteral("audio");
    if (path.contains(QLatin1Char('.')) && video.contains(ending))
        return QStringLiteral("video");
    return QStringLiteral("other");
}

QString ReadableSize(const QString &length)
{
    bool ok = false;
    const qint64 bytes = length.trimmed().toLongLong(&ok);
    if (!ok || bytes <= 0)
        return QString();
    return QLocale().formattedDataSize(bytes, 1, QLocale::DataSizeTraditionalFormat);
}

void DescribeEnclosures(xml::Node item)
{
    for (xml::Node field = item.firstChild(); field; field = field.nextSibling()) {
        if (!field.isElement() || field.nodeName() != QLatin1String("enclosure"))
            continue;
        QString url = field.attribute("url").trimmed();
        if (!IsHttpAddress(url))
            url.clear(); // shown, but not a link
        field.setAttribute("url", url);
        const QString kind = EnclosureKind(field.attribute("type"), url);
        field.setAttribute("kind", kind);
        field.setAttribute("kindname",
            kind == QLatin1String("audio")       ? QCoreApplication::translate("Viewer", "Audio")
                : kind == QLatin1String("video") ? QCoreApplication::translate("Viewer", "Video")
                                                 : QCoreApplication::translate("Viewer", "File"));
        const QString path = QUrl(url).path(QUrl::FullyDecoded);
        field.setAttribute("name", path.mid(path.lastIndexOf(QLatin1Char('/')) + 1));
        field.setAttribute("size", ReadableSize(field.attribute("length")));
    }
}

QString SanitizeItemHtml(const QString &html)
{
    if (html.isEmpty())
        return html;
    const QByteArray wrapped = "<html><body><div>" + html.toUtf8() + "</div></body></html>";
    htmlDocPtr doc = htmlReadMemory(wrapped.constData(), int(wrapped.size()), nullptr, "UTF-8",
        HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET);
    if (!doc)
        return html.toHtmlEscaped(); // not even HTML: show it as text
    xmlNodePtr root = xmlDocGetRootElement(doc);
    xmlNodePtr body = nullptr;
    for (xmlNodePtr n = root ? root->children : nullptr; n; n = n->next)
        if (n->type == XML_ELEMENT_NODE && xmlStrcasecmp(n->name, BAD_CAST "body") == 0)
            body = n;
    // Whatever the parser put into the head (a stray title, meta or script) is dropped with it.
    QByteArray out;
    if (body) {
        Clean(body);
        xmlBufferPtr buffer = xmlBufferCreate();
        for (xmlNodePtr n = body->children; n; n = n->next) {
            xmlNodePtr container = n;
            // The wrapping DIV: its children are the markup.
            if (n == body->children && n->type == XML_ELEMENT_NODE
                && xmlStrcmp(n->name, BAD_CAST "div") == 0) {
                for (xmlNodePtr c = container->children; c; c = c->next)
                    htmlNodeDump(buffer, doc, c);
                continue;
            }
            htmlNodeDump(buffer, doc, n);
        }
        out = QByteArray(
            reinterpret_cast<const char *>(xmlBufferContent(buffer)), xmlBufferLength(buffer));
        xmlBufferFree(buffer);
    }
    xmlFreeDoc(doc);
    return QString::fromUtf8(out);
}

// ---- Tidy -------------------------------------------------------------------------------------

TidyResult TidyPage(const QString &page, const QString &configFile, const QString &errorFile)
{
    TidyResult result;
    result.text = page;
    TidyDoc tidy = tidyCreate();
    TidyBuffer output;
    tidyBufInit(&output);
    const QByteArray input = page.toUtf8();
    int rc = tidySetErrorFile(tidy, errorFile.toLocal8Bit().constData()) ? 0 : -1;
    if (rc >= 0)
        rc = tidyLoadConfig(tidy, configFile.toLocal8Bit().constData());
    if (rc >= 0) {
        tidySetCharEncoding(tidy, "utf8");
        rc = tidyParseString(tidy, input.constData());
    }
    if (rc >= 0)
        rc = tidyCleanAndRepair(tidy);
    if (rc >= 0)
        rc = tidyRunDiagnostics(tidy);
    if (rc > 1)
        rc = tidyOptSetBool(tidy, TidyForceOutput, yes) ? rc : -1;
    if (rc >= 0) {
        tidyOptSetInt(tidy, TidyOutputBOM, TidyNoState);
        rc = tidySaveBuffer(tidy, &output);
        if (rc >= 0 && output.bp) {
            result.text =
                QString::fromUtf8(reinterpret_cast<const char *>(output.bp), int(output.size));
            result.tidied = true;
        }
    }
    result.status = rc;
    if (!result.tidied)
        result.text = page;
    tidyBufFree(&output);
    tidyRelease(tidy);
    return result;
}

} // namespace ViewerLogic
