#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <libxml/tree.h>

#include <array>
#include <cstring>
#include <utility>

// One node of the item store (an item, or whatever else sits below the store's root), held as
// a compact run of tokens instead of a tree: names and texts in one byte array, texts already
// in the escaped form they take in the file. Writing a node back gives the bytes libxml2's
// serializer gives for the node it came from, indented as in the store file or unindented as in
// item lists, so the file and every answer stay as they were.
//
// Tokens: 'E' flags name attributes, the children, 'X' for an element (the attributes as they are
// written, namespace declarations first); 'T' text and 'C' CDATA; 'M' comment; 'P' processing
// instruction. Lengths are variable-length numbers.
namespace StoredNode {

enum ElementFlag : quint8 {
    InNamespace = 1, // the element has a namespace (a default one included)
    Prefixed = 2, // its name carries a prefix
    Inline = 4, // a text or CDATA child: written without indentation inside
    Empty = 8 // no children: written as <name/>
};

// The node as tokens; entity references become the text they stand for. Null for nodes a
// store does not keep (a document type, say).
QByteArray Encode(const xmlNode *node);

// Appends the node's serialized form. indent: as the store file writes it at that depth (the
// line's indentation and what is inside; the newline after it is the caller's); else as one
// line, as in item lists.
void Write(QByteArrayView node, QByteArray &out, bool indent, int depth);
QByteArray Written(QByteArrayView node, bool indent = false, int depth = 1);

// The node's string value (all text inside it, unescaped), as XPath's string() gives it.
QByteArray StringValue(QByteArrayView node);
// The same, A-Z folded to a-z, appended to out.
void AppendFoldedValue(QByteArrayView node, QByteArray &out);

// An element without a namespace named "item".
bool IsItem(QByteArrayView node);

// The value of the node's attribute of that name without a namespace, unescaped; null when
// it has none (or the node is no element).
QByteArray Attribute(QByteArrayView node, QByteArrayView name);

// The element's name as written.
QByteArray ElementName(QByteArrayView node);
// The element with its attribute of that name (no namespace) set: replaced where it stands,
// else added last.
QByteArray WithAttribute(QByteArrayView node, QByteArrayView name, const QByteArray &value);
// The namespace declarations of the element's start tag, as written (" xmlns:a=...").
QByteArray NamespaceDeclarations(QByteArrayView node);
// The element with those of the declarations (" xmlns:a=..." as written) it needs: for each
// prefix it uses without declaring it, as a copy of it in another document would declare it.
QByteArray WithDeclarations(QByteArrayView node, QByteArrayView declarations);

// A child of the node, as the element tokens it spans.
struct Child
{
    quint8 flags = 0;
    QByteArrayView name; // as written, prefix included
    QByteArrayView tokens; // the child's own tokens, from its 'E' to its 'X'
    bool isElement = false;
    // Named name with neither prefix nor namespace.
    bool plainlyNamed(QByteArrayView n) const
    {
        return isElement && !(flags & (InNamespace | Prefixed)) && name == n;
    }
};

// Calls f(const Child &) for each child of the node (elements and everything else) in order;
// f returns false to stop.
template<typename F> void ForEachChild(QByteArrayView node, F &&f);

// The string value of the node's first child element named name without a prefix (a default
// namespace allowed), as the item's field readers give it; null when there is none.
QByteArray FieldText(QByteArrayView node, QByteArrayView name);
// The node with its first child element of that name (no prefix) holding only text (created at
// the end when missing), as the item's field writers make it.
QByteArray WithFieldText(QByteArrayView node, QByteArrayView name, const QByteArray &text);

// Escaping as libxml2 writes text (< > & and carriage returns) and attribute values (those,
// quotes, line feeds and tabs). Out: QByteArray or std::string.
template<typename Out> void AppendEscapedText(Out &out, QByteArrayView text);
template<typename Out> void AppendEscapedAttribute(Out &out, QByteArrayView value);
QByteArray Unescaped(QByteArrayView escaped);

// Calls f(name, value) for each attribute of the element, the value as written (escaped).
template<typename F> void ForEachAttribute(QByteArrayView node, F &&f);
// The text of an element that holds at most one text without references (the usual field):
// a view into its tokens; null when the element holds anything else.
QByteArrayView PlainText(QByteArrayView element);
// The element's string value, by way of PlainText where it can: a view into the tokens, or
// into storage when it had to be put together.
QByteArrayView TextView(QByteArrayView element, QByteArray &storage);

// ---- Reading tokens ----------------------------------------------------------------------

struct Reader
{
    const char *p;
    const char *end;
    explicit Reader(QByteArrayView v) : p(v.data()), end(v.data() + v.size()) { }
    bool atEnd() const { return p >= end; }
    quint32 number()
    {
        quint32 value = 0;
        int shift = 0;
        while (p < end) {
            const quint8 b = quint8(*p++);
            value |= quint32(b & 0x7f) << shift;
            if (!(b & 0x80))
                break;
            shift += 7;
        }
        return value;
    }
    QByteArrayView bytes()
    {
        const quint32 n = number();
        QByteArrayView v(p, n);
        p += n;
        return v;
    }
};

namespace detail {

// Bytes escaped in text (1) and, besides those, in attribute values (2).
inline constexpr std::array<quint8, 256> kEscapeIn = [] {
    std::array<quint8, 256> t {};
    t['<'] = t['>'] = t['&'] = t['\r'] = 1 | 2;
    t['"'] = t['\n'] = t['\t'] = 2;
    return t;
}();

template<typename Out> void appendEscaped(Out &out, QByteArrayView text, quint8 in)
{
    const char *p = text.data();
    const char *end = p + text.size();
    while (p < end) {
        const char *run = p;
        while (p < end && !(kEscapeIn[quint8(*p)] & in))
            ++p;
        out.append(run, decltype(out.size())(p - run));
        if (p == end)
            break;
        switch (*p++) {
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '&':
            out += "&amp;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\n':
            out += "&#10;";
            break;
        case '\r':
            out += "&#13;";
            break;
        default:
            out += "&#9;";
            break;
        }
    }
}

} // namespace detail

template<typename Out> void AppendEscapedText(Out &out, QByteArrayView text)
{
    detail::appendEscaped(out, text, 1);
}

template<typename Out> void AppendEscapedAttribute(Out &out, QByteArrayView value)
{
    detail::appendEscaped(out, value, 2);
}

template<typename F> void ForEachAttribute(QByteArrayView node, F &&f)
{
    Reader r(node);
    if (r.atEnd() || *r.p != 'E')
        return;
    r.p += 2;
    r.bytes();
    const QByteArrayView attrs = r.bytes();
    // ' name="value"' each; values are escaped, so hold no '"'.
    const char *p = attrs.data();
    const char *end = p + attrs.size();
    while (p < end) {
        const char *name = p + 1;
        const char *eq = static_cast<const char *>(std::memchr(name, '=', size_t(end - name)));
        if (!eq || eq + 1 >= end)
            return;
        const char *value = eq + 2;
        const char *close = static_cast<const char *>(std::memchr(value, '"', size_t(end - value)));
        if (!close)
            return;
        f(QByteArrayView(name, eq - name), QByteArrayView(value, close - value));
        p = close + 1;
    }
}

template<typename F> void ForEachChild(QByteArrayView node, F &&f)
{
    Reader r(node);
    if (r.atEnd() || *r.p != 'E')
        return;
    ++r.p;
    const quint8 topFlags = quint8(*r.p++);
    r.bytes(); // name
    r.bytes(); // attributes
    if (topFlags & Empty)
        return;
    int depth = 0;
    const char *start = nullptr;
    Child child;
    while (!r.atEnd()) {
        const char kind = *r.p;
        const char *here = r.p++;
        if (kind == 'E') {
            const quint8 flags = quint8(*r.p++);
            const QByteArrayView name = r.bytes();
            r.bytes();
            if (depth == 0) {
                start = here;
                child = Child();
                child.flags = flags;
                child.name = name;
                child.isElement = true;
            }
            ++depth;
        } else if (kind == 'X') {
            if (depth == 0)
                return; // the node's own end
            if (--depth == 0) {
                child.tokens = QByteArrayView(start, r.p - start);
                if (!f(std::as_const(child)))
                    return;
            }
        } else {
            r.bytes();
            if (depth == 0) {
                Child other;
                other.tokens = QByteArrayView(here, r.p - here);
                if (!f(std::as_const(other)))
                    return;
            }
        }
    }
}

} // namespace StoredNode
