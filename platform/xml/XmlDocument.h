#pragma once

#include "XmlNode.h"

#include <QObject>
#include <QString>

#include <libxml/tree.h>

#include <memory>

namespace xml {

struct DocDeleter
{
    void operator()(xmlDoc *doc) const { xmlFreeDoc(doc); }
};
using DocPtr = std::unique_ptr<xmlDoc, DocDeleter>;

// One XML document. Loading is synchronous or asynchronous; an asynchronous load returns at
// once and reports ready state 4 later from the event loop, never before the caller's code has
// run to its end. Whatever the outcome, parseError() then tells it (0 = success).
//
// External references are never resolved and nothing is validated: a document cannot pull in
// a DTD, an entity file or a network resource, whatever it declares.
class Document : public QObject
{
    Q_OBJECT

public:
    enum ReadyState { Uninitialized = 0, Loading = 1, Complete = 4 };

    explicit Document(QObject *parent = nullptr);
    ~Document() override;

    void setAsync(bool async) { m_Async = async; }
    bool async() const { return m_Async; }
    // For documents the program wrote itself: no limit on the size of one text node (libxml2
    // otherwise refuses text over 10,000,000 bytes). Never for documents from the web.
    void setHugeText(bool huge) { m_Huge = huge; }

    // Path of a local file or a file:// address. Synchronous: returns success. Asynchronous:
    // returns true and finishes later with readyStateChange(Complete). A missing file ends
    // as a parse error.
    bool load(const QString &path);
    // Parses text. Returns success; parseError() tells the same.
    bool loadXML(const QByteArray &utf8);
    bool loadXML(const QString &text) { return loadXML(text.toUtf8()); }
    // Synchronous and lenient: keeps whatever elements a damaged file still yields (a
    // truncated or partly overwritten document). true when a root element could be had.
    bool loadRecovering(const QString &path);

    // Writes the whole document to a temporary file beside path and renames it into place,
    // so an interrupted save never leaves a half-written file. Returns success.
    bool save(const QString &path, bool declaration = true) const;

    // Serialized text, without XML declaration.
    QString xml() const;
    QByteArray xmlUtf8() const;

    int readyState() const { return m_ReadyState; }
    int parseError() const { return m_ParseError; }
    QString parseErrorReason() const { return m_ParseReason; }
    QString url() const { return m_Url; }

    bool isEmpty() const { return !m_Doc; }
    Node documentElement() const;
    // The document node itself, for XPath relative to the document.
    Node documentNode() const { return Node(reinterpret_cast<xmlNode *>(m_Doc.get())); }
    // Makes node the root element, replacing any old one.
    Node setDocumentElement(NodeHandle node);

    NodeHandle createElement(const QString &name);
    NodeHandle createElement(const char *name);
    NodeHandle createTextElement(const char *name, const QByteArray &utf8Text);

    std::optional<std::vector<Node>> selectNodes(const QString &expression) const
    {
        return documentNode().selectNodes(expression);
    }
    std::optional<Node> selectSingleNode(const QString &expression) const
    {
        return documentNode().selectSingleNode(expression);
    }

    xmlDoc *raw() const { return m_Doc.get(); }
    // Takes over a document made elsewhere (a transformation result).
    void adopt(DocPtr doc);
    // Ensures a libxml2 document exists (empty, no root) so nodes can be created.
    xmlDoc *ensureDoc();

    static Document *fromRaw(xmlDoc *doc);

signals:
    void readyStateChange(int state);

private:
    void parseFile(const QString &path);
    // Keeps a parser's result when it is a well-formed document with a root element.
    bool takeParsed(DocPtr doc, struct _xmlParserCtxt *ctxt);
    void setParsed(xmlDoc *doc, int error, const QString &reason);

    DocPtr m_Doc;
    bool m_Async = false;
    bool m_Huge = false;
    int m_ReadyState = Uninitialized;
    int m_ParseError = 0;
    QString m_ParseReason;
    QString m_Url;
    quint64 m_LoadGeneration = 0;
};

// Moves a file that exists but cannot be used aside, to "<path>.damaged-YYYYMMDD-HHMMSS" (a
// counter added when that name is taken), so that nothing is ever saved over it. Returns the
// new path; empty when it could not be moved.
QString setAsideDamaged(const QString &path);

} // namespace xml
