#include "XmlStylesheet.h"

#include "XmlDocument.h"
#include "XmlGuard.h"
#include "XmlHandles.h"

#include <libxslt/security.h>
#include <libxslt/transform.h>
#include <libxslt/xsltInternals.h>
#include <libxslt/xsltutils.h>

#include <cstdarg>

namespace xml {
namespace {

thread_local QString t_Errors;

void collectXsltError(void *, const char *format, ...)
{
    if (t_Errors.size() > 4000)
        return;
    char line[512];
    va_list args;
    va_start(args, format);
    vsnprintf(line, sizeof line, format, args);
    va_end(args);
    t_Errors += QString::fromUtf8(line);
}

struct ErrorCapture
{
    ErrorCapture()
    {
        t_Errors.clear();
        xsltSetGenericErrorFunc(nullptr, collectXsltError);
    }
    QString text() const { return t_Errors.trimmed(); }
};

struct TransformContextDeleter
{
    void operator()(xsltTransformContext *c) const { xsltFreeTransformContext(c); }
};

DocPtr applyStylesheet(xsltStylesheet *style, const Document &source)
{
    if (!style || !source.raw())
        return nullptr;
    ErrorCapture capture;
    std::unique_ptr<xsltTransformContext, TransformContextDeleter> ctxt(
        xsltNewTransformContext(style, source.raw()));
    if (!ctxt)
        return nullptr;
    xsltSetCtxtSecurityPrefs(xsltGetDefaultSecurityPrefs(), ctxt.get());
    DocPtr result(
        xsltApplyStylesheetUser(style, source.raw(), nullptr, nullptr, nullptr, ctxt.get()));
    if (ctxt->state != XSLT_STATE_OK)
        result.reset();
    return result;
}

} // namespace

Stylesheet::~Stylesheet()
{
    xsltFreeStylesheet(m_Style); // frees the document it was compiled from as well
}

std::unique_ptr<Stylesheet> Stylesheet::fromFile(const QString &path, QString *error)
{
    Document doc;
    if (!doc.load(path)) {
        if (error)
            *error = doc.parseErrorReason();
        return nullptr;
    }
    return fromDocument(doc, error);
}

std::unique_ptr<Stylesheet> Stylesheet::fromDocument(const Document &doc, QString *error)
{
    initialize();
    if (!doc.raw()) {
        if (error)
            *error = QStringLiteral("empty stylesheet document");
        return nullptr;
    }
    DocPtr copy(xmlCopyDoc(doc.raw(), 1));
    if (!copy)
        return nullptr;
    copy->_private = nullptr;
    ErrorCapture capture;
    StylesheetLoadScope scope(doc.url());
    xsltStylesheet *style = xsltParseStylesheetDoc(copy.get());
    if (!style || style->errors) {
        // On failure libxslt leaves the document with the caller (copy frees it).
        if (style) {
            style->doc = nullptr;
            xsltFreeStylesheet(style);
        }
        if (error)
            *error = capture.text().isEmpty() ? QStringLiteral("not a stylesheet") : capture.text();
        return nullptr;
    }
    [[maybe_unused]] xmlDoc *owned = copy.release(); // the stylesheet owns it now
    return std::unique_ptr<Stylesheet>(new Stylesheet(style));
}

std::optional<QByteArray> Stylesheet::transformToText(const Document &source) const
{
    const DocPtr result = applyStylesheet(m_Style, source);
    if (!result)
        return std::nullopt;
    xmlChar *raw = nullptr;
    int length = 0;
    const int rc = xsltSaveResultToString(&raw, &length, result.get(), m_Style);
    const XmlString text(raw);
    if (rc < 0)
        return std::nullopt;
    return QByteArray(reinterpret_cast<const char *>(text.get()), length);
}

bool Stylesheet::transformToDocument(const Document &source, Document &target) const
{
    DocPtr result = applyStylesheet(m_Style, source);
    if (!result)
        return false;
    target.adopt(std::move(result));
    return true;
}

} // namespace xml
