#pragma once

#include <QByteArray>
#include <QString>

#include <libxml/tree.h>

#include <memory>
#include <optional>
#include <vector>

namespace xml {

class Document;

struct NodeDeleter
{
    void operator()(xmlNode *node) const;
};

// A node that belongs to a document but is not (yet) in its tree. Appending or inserting it
// hands it over to the tree; if it is dropped instead, it is freed.
using NodeHandle = std::unique_ptr<xmlNode, NodeDeleter>;

// A non-owning view of a node that lives in a document's tree. It stays valid as long as the
// node is in the tree and its document lives; removeChild() frees the removed node.
class Node
{
public:
    Node() = default;
    explicit Node(xmlNode *node) : m_Node(node) { }

    bool isNull() const { return m_Node == nullptr; }
    explicit operator bool() const { return m_Node != nullptr; }
    xmlNode *raw() const { return m_Node; }
    bool operator==(const Node &other) const { return m_Node == other.m_Node; }
    bool operator!=(const Node &other) const { return m_Node != other.m_Node; }

    bool isElement() const { return m_Node && m_Node->type == XML_ELEMENT_NODE; }
    // Qualified name ("dc:date"); text nodes give "#text", comments "#comment" and so on.
    QString nodeName() const;
    // Local name without prefix.
    QString baseName() const;

    // Concatenation of all text below the node in document order.
    QString text() const;
    QByteArray textUtf8() const;
    // Replaces all children with one text node.
    void setText(const QString &value);

    // Serialized form, UTF-8, no XML declaration.
    QString xml() const;
    QByteArray xmlUtf8() const;

    bool hasChildNodes() const { return m_Node && m_Node->children; }
    Node firstChild() const { return Node(m_Node ? m_Node->children : nullptr); }
    Node lastChild() const { return Node(m_Node ? m_Node->last : nullptr); }
    Node nextSibling() const { return Node(m_Node ? m_Node->next : nullptr); }
    Node parentNode() const;
    std::vector<Node> childNodes() const;
    int childCount() const;

    // First child element whose qualified name is exactly name.
    Node firstChildElement(const char *name) const;

    // Attributes of an element.
    bool hasAttribute(const char *name) const;
    QString attribute(const char *name) const;
    QByteArray attributeUtf8(const char *name) const;
    void setAttribute(const char *name, const QString &value);
    void setAttribute(const char *name, const QByteArray &utf8);
    int attributeCount() const;
    QString attributeName(int index) const;
    QString attributeValue(int index) const;

    Document *ownerDocument() const;

    // Tree changes. A handle made for another document is copied into this one.
    Node appendChild(NodeHandle child);
    Node insertBefore(NodeHandle child, Node reference);
    // Unlinks and frees child.
    void removeChild(Node child);
    // A copy in the same document, not yet in the tree.
    NodeHandle cloneNode(bool deep) const;
    // A copy owned by target's document, not yet in its tree.
    NodeHandle cloneInto(Document &target, bool deep = true) const;

    // XPath 1.0 relative to this node. nullopt when the expression does not compile or
    // does not give a node set.
    std::optional<std::vector<Node>> selectNodes(const QString &expression) const;
    // nullopt on error; a null Node when nothing matches.
    std::optional<Node> selectSingleNode(const QString &expression) const;

private:
    xmlNode *m_Node = nullptr;
};

} // namespace xml
