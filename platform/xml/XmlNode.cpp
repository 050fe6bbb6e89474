#include "XmlNode.h"

#include "XmlDocument.h"
#include "XmlGuard.h"
#include "XmlHandles.h"

#include <libxml/xmlsave.h>
#include <libxml/xpath.h>

namespace xml {
namespace {

const xmlChar *bytes(const QByteArray &a)
{
    return reinterpret_cast<const xmlChar *>(a.constData());
}

const xmlChar *bytes(const char *s)
{
    return reinterpret_cast<const xmlChar *>(s);
}

void silentXPathError(void *, xmlErrorPtr)
{ }

struct XPathContextDeleter
{
    void operator()(xmlXPathContext *c) const { xmlXPathFreeContext(c); }
};
struct XPathObjectDeleter
{
    void operator()(xmlXPathObject *o) const { xmlXPathFreeObject(o); }
};

// A node handle for doc: the node itself if it already belongs there, otherwise a deep copy.
NodeHandle intoDocument(NodeHandle child, xmlDoc *doc)
{
    if (!child || child->doc == doc)
        return child;
    return NodeHandle(xmlDocCopyNode(child.get(), doc, 1));
}

} // namespace

void NodeDeleter::operator()(xmlNode *node) const
{
    if (node)
        xmlFreeNode(node);
}

QString Node::nodeName() const
{
    if (!m_Node)
        return {};
    switch (m_Node->type) {
    case XML_TEXT_NODE:
        return QStringLiteral("#text");
    case XML_CDATA_SECTION_NODE:
        return QStringLiteral("#cdata-section");
    case XML_COMMENT_NODE:
        return QStringLiteral("#comment");
    case XML_DOCUMENT_NODE:
    case XML_HTML_DOCUMENT_NODE:
        return QStringLiteral("#document");
    default:
        break;
    }
    const QString local = QString::fromUtf8(reinterpret_cast<const char *>(m_Node->name));
    if ((m_Node->type == XML_ELEMENT_NODE || m_Node->type == XML_ATTRIBUTE_NODE) && m_Node->ns
        && m_Node->ns->prefix)
        return QString::fromUtf8(reinterpret_cast<const char *>(m_Node->ns->prefix))
            + QLatin1Char(':') + local;
    return local;
}

QString Node::baseName() const
{
    if (!m_Node || !m_Node->name)
        return {};
    if (m_Node->type != XML_ELEMENT_NODE && m_Node->type != XML_ATTRIBUTE_NODE)
        return {};
    return QString::fromUtf8(reinterpret_cast<const char *>(m_Node->name));
}

QByteArray Node::textUtf8() const
{
    if (!m_Node)
        return {};
    return takeString(xmlNodeGetContent(m_Node));
}

QString Node::text() const
{
    return QString::fromUtf8(textUtf8());
}

void Node::setText(const QString &value)
{
    if (!m_Node)
        return;
    const QByteArray utf8 = value.toUtf8();
    if (m_Node->type == XML_ELEMENT_NODE || m_Node->type == XML_ATTRIBUTE_NODE) {
        // xmlNodeSetContent would read entity references out of the text; build the text
        // node ourselves so the value is stored exactly.
        xmlNodeSetContent(m_Node, nullptr);
        xmlAddChild(m_Node, xmlNewDocTextLen(m_Node->doc, bytes(utf8), utf8.size()));
    } else {
        xmlNodeSetContentLen(m_Node, bytes(utf8), utf8.size());
    }
}

QByteArray Node::xmlUtf8() const
{
    if (!m_Node)
        return {};
    BufferPtr buffer(xmlBufferCreate());
    xmlSaveCtxtPtr save = xmlSaveToBuffer(buffer.get(), "UTF-8", XML_SAVE_NO_DECL);
    if (!save)
        return {};
    xmlSaveTree(save, m_Node); // a document node serializes as the whole document
    xmlSaveClose(save);
    return QByteArray(reinterpret_cast<const char *>(xmlBufferContent(buffer.get())),
        xmlBufferLength(buffer.get()));
}

QString Node::xml() const
{
    return QString::fromUtf8(xmlUtf8());
}

Node Node::parentNode() const
{
    if (!m_Node || !m_Node->parent)
        return Node();
    return Node(m_Node->parent);
}

std::vector<Node> Node::childNodes() const
{
    std::vector<Node> out;
    for (xmlNode *c = m_Node ? m_Node->children : nullptr; c; c = c->next)
        out.emplace_back(c);
    return out;
}

int Node::childCount() const
{
    int n = 0;
    for (xmlNode *c = m_Node ? m_Node->children : nullptr; c; c = c->next)
        ++n;
    return n;
}

Node Node::firstChildElement(const char *name) const
{
    if (!m_Node)
        return Node();
    const QByteArray wanted(name);
    const int colon = wanted.indexOf(':');
    for (xmlNode *c = m_Node->children; c; c = c->next) {
        if (c->type != XML_ELEMENT_NODE)
            continue;
        if (colon < 0) {
            if (!c->ns || !c->ns->prefix) {
                if (xmlStrEqual(c->name, bytes(name)))
                    return Node(c);
            }
        } else if (c->ns && c->ns->prefix && xmlStrEqual(c->ns->prefix, bytes(wanted.left(colon)))
            && xmlStrEqual(c->name, bytes(wanted.mid(colon + 1)))) {
            return Node(c);
        }
    }
    return Node();
}

bool Node::hasAttribute(const char *name) const
{
    return isElement() && xmlHasNsProp(m_Node, bytes(name), nullptr);
}

QByteArray Node::attributeUtf8(const char *name) const
{
    if (!isElement())
        return {};
    return takeString(xmlGetNoNsProp(m_Node, bytes(name)));
}

QString Node::attribute(const char *name) const
{
    return QString::fromUtf8(attributeUtf8(name));
}

void Node::setAttribute(const char *name, const QByteArray &utf8)
{
    if (isElement())
        xmlSetNsProp(m_Node, nullptr, bytes(name), bytes(utf8));
}

void Node::setAttribute(const char *name, const QString &value)
{
    setAttribute(name, value.toUtf8());
}

int Node::attributeCount() const
{
    int n = 0;
    for (xmlAttr *a = isElement() ? m_Node->properties : nullptr; a; a = a->next)
        ++n;
    return n;
}

QString Node::attributeName(int index) const
{
    xmlAttr *a = isElement() ? m_Node->properties : nullptr;
    for (; a && index > 0; a = a->next)
        --index;
    return a ? Node(reinterpret_cast<xmlNode *>(a)).nodeName() : QString();
}

QString Node::attributeValue(int index) const
{
    xmlAttr *a = isElement() ? m_Node->properties : nullptr;
    for (; a && index > 0; a = a->next)
        --index;
    return a ? Node(reinterpret_cast<xmlNode *>(a)).text() : QString();
}

Document *Node::ownerDocument() const
{
    return m_Node ? Document::fromRaw(m_Node->doc) : nullptr;
}

Node Node::appendChild(NodeHandle child)
{
    if (!m_Node || !child)
        return Node();
    child = intoDocument(std::move(child), m_Node->doc);
    if (!child)
        return Node();
    if (m_Node->type == XML_DOCUMENT_NODE && child->type == XML_ELEMENT_NODE
        && xmlDocGetRootElement(m_Node->doc))
        return Node(); // a document has one root element
    // xmlAddChild may merge a text node into its neighbour and free it: its result is the
    // node that stays in the tree.
    return Node(xmlAddChild(m_Node, child.release()));
}

Node Node::insertBefore(NodeHandle child, Node reference)
{
    if (reference.isNull())
        return appendChild(std::move(child));
    if (!m_Node || !child || reference.m_Node->parent != m_Node)
        return Node();
    child = intoDocument(std::move(child), m_Node->doc);
    if (!child)
        return Node();
    return Node(xmlAddPrevSibling(reference.m_Node, child.release()));
}

void Node::removeChild(Node child)
{
    if (!m_Node || !child.m_Node || child.m_Node->parent != m_Node)
        return;
    xmlUnlinkNode(child.m_Node);
    xmlFreeNode(child.m_Node);
}

NodeHandle Node::cloneNode(bool deep) const
{
    if (!m_Node)
        return NodeHandle();
    return NodeHandle(xmlDocCopyNode(m_Node, m_Node->doc, deep ? 1 : 2));
}

NodeHandle Node::cloneInto(Document &target, bool deep) const
{
    if (!m_Node)
        return NodeHandle();
    return NodeHandle(xmlDocCopyNode(m_Node, target.ensureDoc(), deep ? 1 : 2));
}

std::optional<std::vector<Node>> Node::selectNodes(const QString &expression) const
{
    if (!m_Node || !m_Node->doc)
        return std::nullopt;
    std::unique_ptr<xmlXPathContext, XPathContextDeleter> ctx(xmlXPathNewContext(m_Node->doc));
    if (!ctx)
        return std::nullopt;
    ctx->node = m_Node;
    ctx->error = silentXPathError;
    const QByteArray expr = expression.toUtf8();
    std::unique_ptr<xmlXPathObject, XPathObjectDeleter> result(
        xmlXPathEvalExpression(bytes(expr), ctx.get()));
    if (!result || result->type != XPATH_NODESET)
        return std::nullopt;
    std::vector<Node> nodes;
    if (xmlNodeSet *set = result->nodesetval) {
        nodes.reserve(set->nodeNr);
        for (int i = 0; i < set->nodeNr; ++i) {
            if (set->nodeTab[i]->type != XML_NAMESPACE_DECL)
                nodes.emplace_back(set->nodeTab[i]);
        }
    }
    return nodes;
}

std::optional<Node> Node::selectSingleNode(const QString &expression) const
{
    auto nodes = selectNodes(expression);
    if (!nodes)
        return std::nullopt;
    return nodes->empty() ? Node() : nodes->front();
}

} // namespace xml
