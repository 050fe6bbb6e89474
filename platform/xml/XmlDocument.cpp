#include "XmlDocument.h"

#include "XmlGuard.h"
#include "XmlHandles.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QSaveFile>
#include <QUrl>

#include <libxml/parser.h>
#include <libxml/xmlsave.h>

namespace xml {
namespace {

int readFromQFile(void *context, char *buffer, int len)
{
    const qint64 n = static_cast<QFile *>(context)->read(buffer, len);
    return n < 0 ? -1 : static_cast<int>(n);
}

int closeNothing(void *)
{
    return 0;
}

int writeToQSaveFile(void *context, const char *buffer, int len)
{
    const qint64 n = static_cast<QSaveFile *>(context)->write(buffer, len);
    return n == len ? len : -1;
}

QString lastErrorText(xmlParserCtxt *ctxt)
{
    const xmlError *e = xmlCtxtGetLastError(ctxt);
    if (!e || !e->message)
        return QStringLiteral("not well-formed");
    return QStringLiteral("line %1: %2").arg(e->line).arg(QString::fromUtf8(e->message).trimmed());
}

int lastErrorCode(xmlParserCtxt *ctxt)
{
    const xmlError *e = xmlCtxtGetLastError(ctxt);
    return e && e->code != 0 ? e->code : XML_ERR_DOCUMENT_EMPTY;
}

QString toLocalPath(const QString &path)
{
    if (path.startsWith(QLatin1String("file:"), Qt::CaseInsensitive))
        return QUrl(path).toLocalFile();
    return path;
}

} // namespace

Document::Document(QObject *parent) : QObject(parent)
{
    initialize();
}

Document::~Document() = default;

Document *Document::fromRaw(xmlDoc *doc)
{
    return doc ? static_cast<Document *>(doc->_private) : nullptr;
}

void Document::setParsed(xmlDoc *doc, int error, const QString &reason)
{
    m_Doc.reset(doc);
    if (doc)
        doc->_private = this;
    m_ParseError = error;
    m_ParseReason = reason;
    m_ReadyState = Complete;
}

void Document::parseFile(const QString &path)
{
    const QString local = toLocalPath(path);
    QFile file(local);
    if (local.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        setParsed(nullptr, XML_IO_LOAD_ERROR, QStringLiteral("cannot open %1").arg(path));
        return;
    }
    ParserCtxtPtr ctxt(xmlNewParserCtxt());
    if (!ctxt) {
        setParsed(nullptr, XML_ERR_NO_MEMORY, QStringLiteral("out of memory"));
        return;
    }
    const QByteArray url = local.toUtf8();
    DocPtr doc(xmlCtxtReadIO(ctxt.get(), readFromQFile, closeNothing, &file, url.constData(),
        nullptr, parseOptions() | (m_Huge ? XML_PARSE_HUGE : 0)));
    takeParsed(std::move(doc), ctxt.get());
}

bool Document::takeParsed(DocPtr doc, xmlParserCtxt *ctxt)
{
    if (!doc || !ctxt->wellFormed || !xmlDocGetRootElement(doc.get())) {
        setParsed(nullptr, lastErrorCode(ctxt), lastErrorText(ctxt));
        return false;
    }
    setParsed(doc.release(), 0, QString());
    return true;
}

bool Document::load(const QString &path)
{
    m_Url = path;
    ++m_LoadGeneration;
    if (!m_Async) {
        parseFile(path);
        return m_ParseError == 0;
    }
    m_Doc.reset();
    m_ReadyState = Loading;
    m_ParseError = 0;
    m_ParseReason.clear();
    const quint64 generation = m_LoadGeneration;
    // Queued, so the caller's code runs to its end before ready state 4 is seen.
    QMetaObject::invokeMethod(
        this,
        [this, path, generation] {
            if (generation != m_LoadGeneration)
                return; // superseded by a later load
            parseFile(path);
            emit readyStateChange(Complete);
        },
        Qt::QueuedConnection);
    return true;
}

bool Document::loadXML(const QByteArray &utf8)
{
    ++m_LoadGeneration;
    m_Url.clear();
    ParserCtxtPtr ctxt(xmlNewParserCtxt());
    if (!ctxt) {
        setParsed(nullptr, XML_ERR_NO_MEMORY, QStringLiteral("out of memory"));
        return false;
    }
    DocPtr doc(xmlCtxtReadMemory(
        ctxt.get(), utf8.constData(), utf8.size(), nullptr, nullptr, parseOptions()));
    return takeParsed(std::move(doc), ctxt.get());
}

bool Document::loadRecovering(const QString &path)
{
    ++m_LoadGeneration;
    m_Url = path;
    QFile file(toLocalPath(path));
    ParserCtxtPtr ctxt(xmlNewParserCtxt());
    if (!ctxt || !file.open(QIODevice::ReadOnly)) {
        setParsed(nullptr, XML_IO_LOAD_ERROR, QStringLiteral("cannot open %1").arg(path));
        return false;
    }
    const QByteArray url = toLocalPath(path).toUtf8();
    DocPtr doc(xmlCtxtReadIO(ctxt.get(), readFromQFile, closeNothing, &file, url.constData(),
        nullptr, parseOptions() | XML_PARSE_RECOVER));
    if (!doc || !xmlDocGetRootElement(doc.get())) {
        setParsed(nullptr, lastErrorCode(ctxt.get()), lastErrorText(ctxt.get()));
        return false;
    }
    setParsed(doc.release(), 0, QString());
    return true;
}

bool Document::save(const QString &path, bool declaration) const
{
    if (!m_Doc)
        return false;
    QSaveFile file(toLocalPath(path));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    xmlSaveCtxtPtr save = xmlSaveToIO(writeToQSaveFile, closeNothing, &file, "UTF-8",
        XML_SAVE_FORMAT | (declaration ? 0 : XML_SAVE_NO_DECL));
    if (!save)
        return false;
    const long written = xmlSaveDoc(save, m_Doc.get());
    const int closed = xmlSaveClose(save);
    if (written < 0 || closed < 0 || file.error() != QFileDevice::NoError) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

QByteArray Document::xmlUtf8() const
{
    return m_Doc ? documentNode().xmlUtf8() : QByteArray();
}

QString Document::xml() const
{
    return QString::fromUtf8(xmlUtf8());
}

Node Document::documentElement() const
{
    return Node(m_Doc ? xmlDocGetRootElement(m_Doc.get()) : nullptr);
}

xmlDoc *Document::ensureDoc()
{
    if (!m_Doc) {
        m_Doc.reset(xmlNewDoc(reinterpret_cast<const xmlChar *>("1.0")));
        m_Doc->_private = this;
    }
    return m_Doc.get();
}

Node Document::setDocumentElement(NodeHandle node)
{
    if (!node)
        return Node();
    xmlDoc *doc = ensureDoc();
    if (node->doc != doc)
        node.reset(xmlDocCopyNode(node.get(), doc, 1));
    if (!node)
        return Node();
    xmlNode *root = node.release();
    if (xmlNode *old = xmlDocSetRootElement(doc, root))
        xmlFreeNode(old);
    return Node(root);
}

NodeHandle Document::createElement(const char *name)
{
    return NodeHandle(
        xmlNewDocNode(ensureDoc(), nullptr, reinterpret_cast<const xmlChar *>(name), nullptr));
}

NodeHandle Document::createElement(const QString &name)
{
    return createElement(name.toUtf8().constData());
}

NodeHandle Document::createTextElement(const char *name, const QByteArray &utf8Text)
{
    NodeHandle element = createElement(name);
    if (element)
        xmlAddChild(element.get(),
            xmlNewDocTextLen(element->doc, reinterpret_cast<const xmlChar *>(utf8Text.constData()),
                utf8Text.size()));
    return element;
}

void Document::adopt(DocPtr doc)
{
    ++m_LoadGeneration;
    setParsed(doc.release(), 0, QString());
}

QString setAsideDamaged(const QString &path)
{
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString aside = QStringLiteral("%1.damaged-%2").arg(path, stamp);
    for (int n = 2; QFileInfo::exists(aside); ++n)
        aside = QStringLiteral("%1.damaged-%2-%3").arg(path, stamp).arg(n);
    return QFile::rename(path, aside) ? aside : QString();
}

} // namespace xml
