// Reading the store file straight into StoredNode tokens: libxml2's SAX2 parser with no tree
// at all. What the tree builder would have kept is kept: the parser decides which blank text
// to drop by looking at the node being built, so it is shown a stand-in for each open element
// that tells it what it needs (whether the first and the last child are text); adjacent text
// and CDATA join as the builder joins them. A file with a document type (entities, defaulted
// attributes) is left to the tree-building reader.
#include "StoreReader.h"

#include "StoredNode.h"
#include "XmlGuard.h"
#include "XmlHandles.h"

#include <QIODevice>

#include <libxml/parser.h>
#include <libxml/parserInternals.h>

#include <array>
#include <string>
#include <vector>

namespace StoreReader {
namespace {

// The node is built in a std::string: appends of single bytes stay inline.
using Buffer = std::string;

template<typename Out> void putNumber(Out &out, quint32 value)
{
    while (value >= 0x80) {
        out += char((value & 0x7f) | 0x80);
        value >>= 7;
    }
    out += char(value);
}

void append(Buffer &out, QByteArrayView bytes)
{
    out.append(bytes.data(), size_t(bytes.size()));
}

void appendEscapedText(Buffer &out, QByteArrayView text)
{
    StoredNode::AppendEscapedText(out, text);
}

void appendEscapedAttribute(Buffer &out, QByteArrayView value)
{
    StoredNode::AppendEscapedAttribute(out, value);
}

QByteArrayView view(const xmlChar *text)
{
    return text ? QByteArrayView(reinterpret_cast<const char *>(text)) : QByteArrayView();
}

enum class Last : quint8 { None, Text, CData, Other };

struct Open
{
    qsizetype flagsAt; // where the element's flags byte is in the node
    Last first = Last::None;
    Last last = Last::None;
    qsizetype lastTokenAt = -1; // the last child's token, when it is text or CDATA
};

// What the parser's blank rule looks at in place of the children.
xmlNode textChild = [] {
    xmlNode n {};
    n.type = XML_TEXT_NODE;
    return n;
}();
xmlNode otherChild = [] {
    xmlNode n {};
    n.type = XML_ELEMENT_NODE;
    return n;
}();

xmlNode *standInFor(Last kind)
{
    return kind == Last::None ? nullptr : kind == Last::Text ? &textChild : &otherChild;
}

struct State
{
    Sink *sink = nullptr;
    xmlParserCtxtPtr ctxt = nullptr;
    Buffer node; // the child of the root being read
    Buffer scratch;
    std::vector<Open> open; // the root first
    xmlNode standIn {}; // the open element, as the parser sees it
    bool needsTree = false;
    bool rootSeen = false;
    bool rootClosed = false;
};

State &stateOf(void *ctx)
{
    return *static_cast<State *>(static_cast<xmlParserCtxtPtr>(ctx)->_private);
}

// Shows the parser the open element's children as they are now.
void showParser(State &s)
{
    if (s.open.empty()) {
        s.ctxt->node = nullptr;
        return;
    }
    const Open &o = s.open.back();
    s.standIn.type = XML_ELEMENT_NODE;
    s.standIn.children = standInFor(o.first);
    s.standIn.last = standInFor(o.last);
    s.ctxt->node = &s.standIn;
}

// A node below the root is complete: hand it over.
void finishNode(State &s)
{
    s.sink->node(QByteArray(s.node.data(), qsizetype(s.node.size())));
    s.node.clear();
}

// Text or CDATA: joins the child before it when that is of the same kind, as the tree builder
// joins them.
void addText(State &s, char kind, QByteArrayView text)
{
    Open &parent = s.open.back();
    const Last k = kind == 'T' ? Last::Text : Last::CData;
    const bool atRoot = s.open.size() == 1;
    if (parent.last == k && parent.lastTokenAt >= 0) {
        // Re-write the token with the joined text (it is the last thing in the node).
        Buffer &buf = s.node;
        StoredNode::Reader r(QByteArrayView(
            buf.data() + parent.lastTokenAt + 1, qsizetype(buf.size()) - parent.lastTokenAt - 1));
        const QByteArrayView old = r.bytes();
        Buffer joined(old.data(), size_t(old.size()));
        if (kind == 'T')
            appendEscapedText(joined, text);
        else
            append(joined, text);
        buf.resize(size_t(parent.lastTokenAt + 1));
        putNumber(buf, quint32(joined.size()));
        buf += joined;
        return;
    }
    if (atRoot && !s.node.empty())
        finishNode(s); // the text before, now complete
    const qsizetype at = qsizetype(s.node.size());
    s.node += kind;
    if (kind == 'T') {
        s.scratch.clear();
        appendEscapedText(s.scratch, text);
        putNumber(s.node, quint32(s.scratch.size()));
        s.node += s.scratch;
    } else {
        putNumber(s.node, quint32(text.size()));
        append(s.node, text);
    }
    if (parent.first == Last::None)
        parent.first = k;
    parent.last = k;
    parent.lastTokenAt = at;
    if (!atRoot) {
        char &flags = s.node[parent.flagsAt];
        flags = char((quint8(flags) | StoredNode::Inline) & ~StoredNode::Empty);
    }
    showParser(s);
}

// Something other than text as the next child of the open element.
void addedOther(State &s)
{
    Open &parent = s.open.back();
    if (s.open.size() == 1 && !s.node.empty())
        finishNode(s); // text directly below the root, now complete
    if (parent.first == Last::None)
        parent.first = Last::Other;
    parent.last = Last::Other;
    parent.lastTokenAt = -1;
    if (s.open.size() > 1) {
        char &flags = s.node[parent.flagsAt];
        flags = char(quint8(flags) & ~StoredNode::Empty);
    }
}

void onStart(void *ctx, const xmlChar *localname, const xmlChar *prefix, const xmlChar *uri,
    int nbNamespaces, const xmlChar **namespaces, int nbAttributes, int nbDefaulted,
    const xmlChar **attributes)
{
    State &s = stateOf(ctx);
    if (nbDefaulted > 0) {
        s.needsTree = true;
        xmlStopParser(s.ctxt);
        return;
    }
    s.scratch.clear();
    for (int i = 0; i < nbNamespaces; ++i) {
        const xmlChar *p = namespaces[2 * i];
        if (p) {
            s.scratch += " xmlns:";
            append(s.scratch, view(p));
        } else {
            s.scratch += " xmlns";
        }
        s.scratch += "=\"";
        appendEscapedAttribute(s.scratch, view(namespaces[2 * i + 1]));
        s.scratch += '"';
    }
    for (int i = 0; i < nbAttributes; ++i) {
        const xmlChar **a = attributes + 5 * i;
        s.scratch += ' ';
        if (a[1]) {
            append(s.scratch, view(a[1]));
            s.scratch += ':';
        }
        append(s.scratch, view(a[0]));
        s.scratch += "=\"";
        const QByteArrayView value(reinterpret_cast<const char *>(a[3]),
            reinterpret_cast<const char *>(a[4]) - reinterpret_cast<const char *>(a[3]));
        // A value the parser copied may hold character references it left for the tree
        // builder to read.
        if (*a[4] == 0 && value.contains('&'))
            appendEscapedAttribute(s.scratch, StoredNode::Unescaped(value));
        else
            appendEscapedAttribute(s.scratch, value);
        s.scratch += '"';
    }

    if (!s.rootSeen) {
        s.rootSeen = true;
        QByteArray root = "E";
        root += char(StoredNode::Empty | (uri ? StoredNode::InNamespace : 0)
            | (prefix ? StoredNode::Prefixed : 0));
        QByteArray name = view(localname).toByteArray();
        if (prefix)
            name = view(prefix).toByteArray() + ':' + name;
        putNumber(root, quint32(name.size()));
        root += name;
        putNumber(root, quint32(s.scratch.size()));
        root.append(s.scratch.data(), qsizetype(s.scratch.size()));
        root += 'X';
        s.sink->root(root);
        s.open.push_back({-1});
        showParser(s);
        return;
    }
    addedOther(s);
    const qsizetype flagsAt = qsizetype(s.node.size()) + 1;
    s.node += 'E';
    s.node += char(StoredNode::Empty | (uri ? StoredNode::InNamespace : 0)
        | (prefix ? StoredNode::Prefixed : 0));
    const QByteArrayView local = view(localname);
    if (prefix) {
        const QByteArrayView p = view(prefix);
        putNumber(s.node, quint32(p.size() + 1 + local.size()));
        append(s.node, p);
        s.node += ':';
        append(s.node, local);
    } else {
        putNumber(s.node, quint32(local.size()));
        append(s.node, local);
    }
    putNumber(s.node, quint32(s.scratch.size()));
    s.node += s.scratch;
    s.open.push_back({flagsAt});
    showParser(s);
}

void onEnd(void *ctx, const xmlChar *, const xmlChar *, const xmlChar *)
{
    State &s = stateOf(ctx);
    if (s.open.size() <= 1) {
        if (!s.node.empty())
            finishNode(s); // text directly below the root, last
        s.open.clear();
        s.rootClosed = true;
        showParser(s);
        return;
    }
    s.node += 'X';
    s.open.pop_back();
    if (s.open.size() == 1)
        finishNode(s);
    showParser(s);
}

void onCharacters(void *ctx, const xmlChar *ch, int len)
{
    State &s = stateOf(ctx);
    if (!s.open.empty())
        addText(s, 'T', QByteArrayView(reinterpret_cast<const char *>(ch), len));
}

void onBlanks(void *, const xmlChar *, int)
{
    // Left out, as the tree builder leaves them out.
}

void onCData(void *ctx, const xmlChar *value, int len)
{
    State &s = stateOf(ctx);
    if (!s.open.empty())
        addText(s, 'C', QByteArrayView(reinterpret_cast<const char *>(value), len));
}

void addLeaf(State &s, char kind, const QByteArray &content)
{
    if (s.open.empty()) {
        s.sink->outside(
            !s.rootSeen, kind + [&] {
                QByteArray b;
                putNumber(b, quint32(content.size()));
                return b + content;
            }());
        return;
    }
    addedOther(s);
    s.node += kind;
    putNumber(s.node, quint32(content.size()));
    append(s.node, content);
    if (s.open.size() == 1)
        finishNode(s);
    showParser(s);
}

void onComment(void *ctx, const xmlChar *value)
{
    State &s = stateOf(ctx);
    addLeaf(s, 'M', view(value).toByteArray());
}

void onInstruction(void *ctx, const xmlChar *target, const xmlChar *data)
{
    State &s = stateOf(ctx);
    QByteArray pi = view(target).toByteArray();
    if (data) {
        pi += ' ';
        pi += view(data);
    }
    addLeaf(s, 'P', pi);
}

void onDocumentType(void *ctx, const xmlChar *, const xmlChar *, const xmlChar *)
{
    // Entities and defaults of a document type are the tree builder's business.
    State &s = stateOf(ctx);
    s.needsTree = true;
    xmlStopParser(s.ctxt);
}

void onReference(void *ctx, const xmlChar *)
{
    State &s = stateOf(ctx);
    s.needsTree = true;
    xmlStopParser(s.ctxt);
}

} // namespace

int ReadFromDevice(void *device, char *buffer, int length)
{
    const qint64 got = static_cast<QIODevice *>(device)->read(buffer, length);
    return got < 0 ? -1 : int(got);
}

int CloseNothing(void *)
{
    return 0;
}

Result Read(QIODevice &source, bool hugeText, Sink &sink, QString *why)
{
    xml::initialize();
    // Read a piece at a time: the file is never held whole beside what is made of it.
    xml::ParserCtxtPtr ctxt(xmlCreateIOParserCtxt(
        nullptr, nullptr, ReadFromDevice, CloseNothing, &source, XML_CHAR_ENCODING_NONE));
    if (!ctxt) {
        if (why)
            *why = QStringLiteral("out of memory");
        return Result::Failed;
    }
    xmlCtxtUseOptions(ctxt.get(), xml::parseOptions() | (hugeText ? XML_PARSE_HUGE : 0));
    State state;
    state.sink = &sink;
    state.ctxt = ctxt.get();
    ctxt->_private = &state;
    xmlSAXHandler *sax = ctxt->sax;
    *sax = xmlSAXHandler();
    sax->initialized = XML_SAX2_MAGIC;
    sax->startElementNs = onStart;
    sax->endElementNs = onEnd;
    sax->characters = onCharacters;
    sax->ignorableWhitespace = onBlanks;
    sax->cdataBlock = onCData;
    sax->comment = onComment;
    sax->processingInstruction = onInstruction;
    sax->internalSubset = onDocumentType;
    sax->reference = onReference;
    sax->getEntity = nullptr;
    ctxt->userData = ctxt.get();
    xmlParseDocument(ctxt.get());
    ctxt->node = nullptr; // the stand-in is gone with this frame
    if (state.needsTree)
        return Result::NeedsTree;
    if (!ctxt->wellFormed || !state.rootSeen || !state.rootClosed) {
        if (why) {
            const xmlError *error = xmlCtxtGetLastError(ctxt.get());
            *why = error && error->message ? QString::fromUtf8(error->message).trimmed()
                                           : QStringLiteral("the file is not well-formed XML");
        }
        return Result::Failed;
    }
    return Result::Read;
}

} // namespace StoreReader
