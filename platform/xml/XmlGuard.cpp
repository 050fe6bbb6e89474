#include "XmlGuard.h"

#include <QFileInfo>
#include <QUrl>

#include <libxml/parser.h>
#include <libxml/xmlerror.h>
#include <libxslt/security.h>
#include <libxslt/xsltInternals.h>
#include <libxslt/xsltutils.h>

#include <mutex>

namespace xml {
namespace {

thread_local QString t_AllowedFolder;
xmlExternalEntityLoader s_DefaultLoader = nullptr;

void silentGeneric(void *, const char *, ...)
{ }
void silentStructured(void *, xmlErrorPtr)
{ }

QString localPathOf(const char *url)
{
    const QString text = QString::fromUtf8(url);
    const QUrl parsed(text);
    if (parsed.isLocalFile())
        return parsed.toLocalFile();
    if (parsed.scheme().isEmpty())
        return text;
    return {};
}

bool insideAllowedFolder(const char *url)
{
    if (!url || t_AllowedFolder.isEmpty())
        return false;
    const QString path = localPathOf(url);
    if (path.isEmpty())
        return false;
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return !canonical.isEmpty() && canonical.startsWith(t_AllowedFolder + QLatin1Char('/'));
}

// Every load libxml2 or libxslt attempts ends here: DTDs, external entities, xsl:include,
// document(). Only a stylesheet compile may read, and only below its own folder.
xmlParserInputPtr guardedLoader(const char *url, const char *id, xmlParserCtxtPtr ctxt)
{
    if (insideAllowedFolder(url))
        return s_DefaultLoader(url, id, ctxt);
    return nullptr;
}

// libxslt passes no transformation context while it compiles a stylesheet (xsl:include and
// xsl:import); a running transformation reads nothing.
int allowStylesheetRead(xsltSecurityPrefsPtr, xsltTransformContextPtr ctxt, const char *url)
{
    return ctxt == nullptr && insideAllowedFolder(url) ? 1 : 0;
}

int denyAll(xsltSecurityPrefsPtr, xsltTransformContextPtr, const char *)
{
    return 0;
}

} // namespace

void initialize()
{
    static std::once_flag once;
    std::call_once(once, [] {
        xmlInitParser();
        s_DefaultLoader = xmlGetExternalEntityLoader();
        xmlSetExternalEntityLoader(guardedLoader);

        xsltSecurityPrefsPtr prefs = xsltNewSecurityPrefs();
        xsltSetSecurityPrefs(prefs, XSLT_SECPREF_READ_FILE, allowStylesheetRead);
        xsltSetSecurityPrefs(prefs, XSLT_SECPREF_WRITE_FILE, denyAll);
        xsltSetSecurityPrefs(prefs, XSLT_SECPREF_CREATE_DIRECTORY, denyAll);
        xsltSetSecurityPrefs(prefs, XSLT_SECPREF_READ_NETWORK, denyAll);
        xsltSetSecurityPrefs(prefs, XSLT_SECPREF_WRITE_NETWORK, denyAll);
        xsltSetDefaultSecurityPrefs(prefs); // lives as long as the process
    });
    // libxml2 keeps its error handlers per thread.
    thread_local bool silenced = false;
    if (!silenced) {
        xmlSetGenericErrorFunc(nullptr, silentGeneric);
        xmlSetStructuredErrorFunc(nullptr, silentStructured);
        silenced = true;
    }
}

int parseOptions()
{
    // No XML_PARSE_NOENT (it would read file:// entities), no DTD loading, no network;
    // libxml2's own amplification limits stay on (no XML_PARSE_HUGE). Blank text between
    // elements is dropped, so child lists hold only what carries content.
    return XML_PARSE_NONET | XML_PARSE_NOBLANKS | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;
}

QByteArray xpathLiteral(const QByteArray &utf8, char preferred)
{
    const char other = preferred == '"' ? '\'' : '"';
    if (!utf8.contains(preferred))
        return preferred + utf8 + preferred;
    if (!utf8.contains(other))
        return other + utf8 + other;
    QByteArray out = "concat(";
    const QList<QByteArray> pieces = utf8.split('"');
    for (int i = 0; i < pieces.size(); ++i) {
        if (i > 0)
            out += ", '\"', ";
        out += '"' + pieces[i] + '"';
    }
    out += ')';
    return out;
}

QString xpathLiteral(const QString &text, char preferred)
{
    return QString::fromUtf8(xpathLiteral(text.toUtf8(), preferred));
}

StylesheetLoadScope::StylesheetLoadScope(const QString &stylesheetPath)
    : m_Previous(t_AllowedFolder)
{
    initialize();
    const QString path = localPathOf(stylesheetPath.toUtf8().constData());
    t_AllowedFolder = path.isEmpty() ? QString() : QFileInfo(path).canonicalPath();
}

StylesheetLoadScope::~StylesheetLoadScope()
{
    t_AllowedFolder = m_Previous;
}

} // namespace xml
