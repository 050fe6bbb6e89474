#include "StoredNode.h"

#include <cstring>
#include <vector>

namespace StoredNode {
namespace {

// libxml2 indents two blanks a level, up to 30 levels.
constexpr int kMaxIndent = 30;

void putNumber(QByteArray &out, quint32 value)
{
    while (value >= 0x80) {
        out += char((value & 0x7f) | 0x80);
        value >>= 7;
    }
    out += char(value);
}

void putBytes(QByteArray &out, QByteArrayView bytes)
{
    putNumber(out, quint32(bytes.size()));
    out.append(bytes.data(), bytes.size());
}

QByteArrayView view(const xmlChar *text)
{
    return text ? QByteArrayView(reinterpret_cast<const char *>(text)) : QByteArrayView();
}

void appendIndent(QByteArray &out, int depth)
{
    static const char blanks[] = "                                                            ";
    out.append(blanks, 2 * (depth < kMaxIndent ? depth : kMaxIndent));
}

// The text an attribute or entity reference stands for (its text children, references
// expanded).
QByteArray contentOf(const xmlNode *node)
{
    xmlChar *text = xmlNodeGetContent(const_cast<xmlNode *>(node));
    QByteArray out(reinterpret_cast<const char *>(text));
    xmlFree(text);
    return out;
}

bool isTextLike(const xmlNode *n)
{
    return n->type == XML_TEXT_NODE || n->type == XML_CDATA_SECTION_NODE
        || n->type == XML_ENTITY_REF_NODE;
}

// How long the text is once escaped.
qsizetype escapedTextLength(QByteArrayView text)
{
    qsizetype n = text.size();
    for (const char c : text) {
        if (c == '<' || c == '>')
            n += 3;
        else if (c == '&' || c == '\r')
            n += 4;
    }
    return n;
}

void putEscapedText(QByteArray &out, QByteArrayView text)
{
    putNumber(out, quint32(escapedTextLength(text)));
    AppendEscapedText(out, text);
}

void appendAttribute(QByteArray &attrs, const xmlAttr *a)
{
    attrs += ' ';
    if (a->ns && a->ns->prefix) {
        attrs += view(a->ns->prefix);
        attrs += ':';
    }
    attrs += view(a->name);
    attrs += "=\"";
    const xmlNode *only = a->children;
    if (only && !only->next && only->type == XML_TEXT_NODE)
        AppendEscapedAttribute(attrs, view(only->content));
    else
        AppendEscapedAttribute(attrs, contentOf(reinterpret_cast<const xmlNode *>(a)));
    attrs += '"';
}

void encodeAttributes(const xmlNode *node, QByteArray &attrs)
{
    for (const xmlNs *ns = node->nsDef; ns; ns = ns->next) {
        if (ns->prefix) {
            attrs += " xmlns:";
            attrs += view(ns->prefix);
        } else {
            attrs += " xmlns";
        }
        attrs += "=\"";
        AppendEscapedAttribute(attrs, view(ns->href));
        attrs += '"';
    }
    for (const xmlAttr *a = node->properties; a; a = a->next)
        appendAttribute(attrs, a);
}

void encode(const xmlNode *n, QByteArray &out, QByteArray &scratch)
{
    switch (n->type) {
    case XML_ELEMENT_NODE: {
        quint8 flags = 0;
        if (n->ns)
            flags |= InNamespace;
        if (n->ns && n->ns->prefix)
            flags |= Prefixed;
        if (!n->children)
            flags |= Empty;
        for (const xmlNode *c = n->children; c; c = c->next) {
            if (isTextLike(c)) {
                flags |= Inline;
                break;
            }
        }
        out += 'E';
        out += char(flags);
        if (flags & Prefixed) {
            const QByteArrayView prefix = view(n->ns->prefix);
            const QByteArrayView local = view(n->name);
            putNumber(out, quint32(prefix.size() + 1 + local.size()));
            out += prefix;
            out += ':';
            out += local;
        } else {
            putBytes(out, view(n->name));
        }
        if (n->properties || n->nsDef) {
            scratch.resize(0);
            encodeAttributes(n, scratch);
            putBytes(out, scratch);
        } else {
            out += char(0);
        }
        for (const xmlNode *c = n->children; c; c = c->next)
            encode(c, out, scratch);
        out += 'X';
        break;
    }
    case XML_TEXT_NODE:
        out += 'T';
        putEscapedText(out, view(n->content));
        break;
    case XML_ENTITY_REF_NODE:
        out += 'T';
        putEscapedText(out, contentOf(n));
        break;
    case XML_CDATA_SECTION_NODE:
        out += 'C';
        putBytes(out, view(n->content));
        break;
    case XML_COMMENT_NODE:
        out += 'M';
        putBytes(out, view(n->content));
        break;
    case XML_PI_NODE: {
        QByteArray pi = QByteArray(view(n->name).data());
        if (n->content) {
            pi += ' ';
            pi += view(n->content);
        }
        out += 'P';
        putBytes(out, pi);
        break;
    }
    default:
        break;
    }
}

// Appends text and CDATA inside the tokens, unescaped; fold: A-Z to a-z.
void appendValue(QByteArrayView node, QByteArray &out, bool fold)
{
    Reader r(node);
    while (!r.atEnd()) {
        const char kind = *r.p++;
        if (kind == 'E') {
            ++r.p;
            r.bytes();
            r.bytes();
        } else if (kind == 'X') {
            continue;
        } else {
            const QByteArrayView bytes = r.bytes();
            const qsizetype start = out.size();
            if (kind == 'T') {
                if (bytes.contains('&'))
                    out += Unescaped(bytes);
                else
                    out.append(bytes.data(), bytes.size());
            } else if (kind == 'C') {
                out.append(bytes.data(), bytes.size());
            } else {
                continue;
            }
            if (fold) {
                for (char *p = out.data() + start, *e = out.data() + out.size(); p != e; ++p) {
                    if (*p >= 'A' && *p <= 'Z')
                        *p = char(*p + ('a' - 'A'));
                }
            }
        }
    }
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

void appendUtf8(QByteArray &out, quint32 cp)
{
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

// The attributes of a start tag as written: ' name="value"' each, values escaped.
struct Attr
{
    QByteArrayView name;
    QByteArrayView whole; // ' name="value"'
    QByteArrayView value; // escaped
};

std::vector<Attr> attributesOf(QByteArrayView attrs)
{
    std::vector<Attr> out;
    qsizetype at = 0;
    while (at < attrs.size()) {
        const qsizetype eq = attrs.indexOf('=', at);
        if (eq < 0)
            break;
        const qsizetype close = attrs.indexOf('"', eq + 2);
        if (close < 0)
            break;
        out.push_back({attrs.sliced(at + 1, eq - at - 1), attrs.sliced(at, close + 1 - at),
            attrs.sliced(eq + 2, close - eq - 2)});
        at = close + 1;
    }
    return out;
}

// The start tag's parts: where the attributes sit in node.
struct StartTag
{
    bool ok = false;
    quint8 flags = 0;
    QByteArrayView name;
    QByteArrayView attrs;
    const char *attrsLength = nullptr; // where the attributes' length starts
    const char *end = nullptr; // after the attributes
};

StartTag startTag(QByteArrayView node)
{
    StartTag t;
    Reader r(node);
    if (r.atEnd() || *r.p != 'E')
        return t;
    ++r.p;
    t.flags = quint8(*r.p++);
    t.name = r.bytes();
    t.attrsLength = r.p;
    t.attrs = r.bytes();
    t.end = r.p;
    t.ok = true;
    return t;
}

QByteArray withAttributes(QByteArrayView node, const StartTag &t, QByteArrayView attrs)
{
    QByteArray out;
    out.reserve(node.size() + 16);
    out.append(node.data(), t.attrsLength - node.data());
    putBytes(out, attrs);
    out.append(t.end, node.data() + node.size() - t.end);
    return out;
}

} // namespace

QByteArray ElementName(QByteArrayView node)
{
    return startTag(node).name.toByteArray();
}

QByteArray WithAttribute(QByteArrayView node, QByteArrayView name, const QByteArray &value)
{
    const StartTag t = startTag(node);
    if (!t.ok)
        return node.toByteArray();
    QByteArray attrs;
    bool replaced = false;
    for (const Attr &a : attributesOf(t.attrs)) {
        if (!replaced && a.name == name) {
            attrs += ' ';
            attrs.append(name.data(), name.size());
            attrs += "=\"";
            AppendEscapedAttribute(attrs, value);
            attrs += '"';
            replaced = true;
        } else {
            attrs.append(a.whole.data(), a.whole.size());
        }
    }
    if (!replaced) {
        attrs += ' ';
        attrs.append(name.data(), name.size());
        attrs += "=\"";
        AppendEscapedAttribute(attrs, value);
        attrs += '"';
    }
    return withAttributes(node, t, attrs);
}

QByteArray NamespaceDeclarations(QByteArrayView node)
{
    QByteArray out;
    for (const Attr &a : attributesOf(startTag(node).attrs)) {
        if (a.name == "xmlns" || a.name.startsWith("xmlns:"))
            out.append(a.whole.data(), a.whole.size());
    }
    return out;
}

QByteArray WithDeclarations(QByteArrayView node, QByteArrayView declarations)
{
    const StartTag t = startTag(node);
    if (!t.ok)
        return node.toByteArray();
    const std::vector<Attr> offered = attributesOf(declarations);
    // As a copy of the node takes them: each prefix it uses without declaring it, declared on
    // its top element in the order of first use, after the element's own declarations.
    std::vector<QByteArrayView> wanted;
    std::vector<std::vector<QByteArrayView>> scopes;
    auto prefixOf = [](QByteArrayView name) {
        const qsizetype colon = name.indexOf(':');
        return colon < 0 ? QByteArrayView() : name.first(colon);
    };
    auto use = [&](QByteArrayView prefix) {
        if (prefix.isEmpty() || prefix == "xml" || prefix == "xmlns")
            return;
        for (const auto &scope : scopes)
            for (QByteArrayView p : scope)
                if (p == prefix)
                    return;
        for (QByteArrayView w : wanted)
            if (w == prefix)
                return;
        wanted.push_back(prefix);
    };
    Reader r(node);
    while (!r.atEnd()) {
        const char kind = *r.p++;
        if (kind == 'E') {
            ++r.p;
            const QByteArrayView name = r.bytes();
            const std::vector<Attr> attrs = attributesOf(r.bytes());
            std::vector<QByteArrayView> declared;
            for (const Attr &a : attrs)
                if (a.name.startsWith("xmlns:"))
                    declared.push_back(a.name.sliced(6));
            scopes.push_back(declared);
            use(prefixOf(name));
            for (const Attr &a : attrs)
                use(prefixOf(a.name));
        } else if (kind == 'X') {
            scopes.pop_back();
        } else {
            r.bytes();
        }
    }
    QByteArray own;
    QByteArray rest;
    for (const Attr &a : attributesOf(t.attrs))
        (a.name == "xmlns" || a.name.startsWith("xmlns:") ? own : rest)
            .append(a.whole.data(), a.whole.size());
    for (QByteArrayView prefix : wanted) {
        for (const Attr &d : offered)
            if (d.name.startsWith("xmlns:") && d.name.sliced(6) == prefix)
                own.append(d.whole.data(), d.whole.size());
    }
    return withAttributes(node, t, own + rest);
}

QByteArray Encode(const xmlNode *node)
{
    // Built in buffers that keep their room from node to node; the result takes only the
    // room it needs.
    thread_local QByteArray out;
    thread_local QByteArray scratch;
    out.resize(0);
    if (node)
        encode(node, out, scratch);
    return QByteArray(out.constData(), out.size());
}

QByteArray Unescaped(QByteArrayView escaped)
{
    QByteArray out;
    out.reserve(escaped.size());
    const char *p = escaped.data();
    const char *end = p + escaped.size();
    while (p < end) {
        const char *amp = static_cast<const char *>(std::memchr(p, '&', size_t(end - p)));
        if (!amp) {
            out.append(p, end - p);
            break;
        }
        out.append(p, amp - p);
        const char *semi = static_cast<const char *>(std::memchr(amp, ';', size_t(end - amp)));
        if (!semi) {
            out.append(amp, end - amp);
            break;
        }
        const QByteArrayView entity(amp + 1, semi - amp - 1);
        if (entity == "lt")
            out += '<';
        else if (entity == "gt")
            out += '>';
        else if (entity == "amp")
            out += '&';
        else if (entity == "quot")
            out += '"';
        else if (entity == "apos")
            out += '\'';
        else if (entity.startsWith('#')) {
            quint32 cp = 0;
            const bool hex = entity.size() > 1 && (entity[1] == 'x' || entity[1] == 'X');
            for (qsizetype i = hex ? 2 : 1; i < entity.size(); ++i)
                cp = hex ? cp * 16 + quint32(hexValue(entity[i]))
                         : cp * 10 + quint32(entity[i] - '0');
            appendUtf8(out, cp);
        } else {
            out.append(amp, semi - amp + 1);
        }
        p = semi + 1;
    }
    return out;
}

void Write(QByteArrayView node, QByteArray &out, bool indent, int depth)
{
    // What the serializer does: an element with a text child writes everything inside it on
    // one line; otherwise each child goes on a line of its own, indented by its depth.
    struct Open
    {
        QByteArrayView name;
        bool restoresIndent;
    };
    std::vector<Open> open;
    Reader r(node);
    auto afterChild = [&] {
        if (!open.empty() && indent)
            out += '\n';
    };
    while (!r.atEnd()) {
        const char kind = *r.p++;
        if (kind == 'E') {
            const quint8 flags = quint8(*r.p++);
            const QByteArrayView name = r.bytes();
            const QByteArrayView attrs = r.bytes();
            if (indent)
                appendIndent(out, depth);
            out += '<';
            out.append(name.data(), name.size());
            out.append(attrs.data(), attrs.size());
            if (flags & Empty) {
                out += "/>";
                // its 'X' follows at once
                ++r.p;
                afterChild();
                continue;
            }
            const bool goesInline = indent && (flags & Inline);
            if (goesInline)
                indent = false;
            out += '>';
            if (indent)
                out += '\n';
            open.push_back({name, goesInline});
            ++depth;
        } else if (kind == 'X') {
            if (open.empty())
                break;
            const Open closing = open.back();
            open.pop_back();
            --depth;
            if (indent)
                appendIndent(out, depth);
            out += "</";
            out.append(closing.name.data(), closing.name.size());
            out += '>';
            if (closing.restoresIndent)
                indent = true;
            afterChild();
        } else {
            const QByteArrayView bytes = r.bytes();
            switch (kind) {
            case 'T':
                out.append(bytes.data(), bytes.size());
                break;
            case 'C':
                out += "<![CDATA[";
                out.append(bytes.data(), bytes.size());
                out += "]]>";
                break;
            case 'M':
                if (indent)
                    appendIndent(out, depth);
                out += "<!--";
                out.append(bytes.data(), bytes.size());
                out += "-->";
                break;
            case 'P':
                if (indent)
                    appendIndent(out, depth);
                out += "<?";
                out.append(bytes.data(), bytes.size());
                out += "?>";
                break;
            default:
                break;
            }
            afterChild();
        }
    }
}

QByteArray Written(QByteArrayView node, bool indent, int depth)
{
    QByteArray out;
    Write(node, out, indent, depth);
    return out;
}

QByteArrayView PlainText(QByteArrayView element)
{
    Reader r(element);
    if (r.atEnd() || *r.p != 'E')
        return {};
    r.p += 2;
    r.bytes();
    r.bytes();
    if (r.atEnd())
        return {};
    if (*r.p == 'X')
        return QByteArrayView("", 0);
    if (*r.p != 'T')
        return {};
    ++r.p;
    const QByteArrayView text = r.bytes();
    if (r.atEnd() || *r.p != 'X' || text.contains('&'))
        return {};
    return text.isNull() ? QByteArrayView("", 0) : text;
}

QByteArrayView TextView(QByteArrayView element, QByteArray &storage)
{
    const QByteArrayView plain = PlainText(element);
    if (!plain.isNull())
        return plain;
    storage = StringValue(element);
    return storage.isNull() ? QByteArrayView("", 0) : QByteArrayView(storage);
}

QByteArray StringValue(QByteArrayView node)
{
    QByteArray out;
    appendValue(node, out, false);
    return out;
}

void AppendFoldedValue(QByteArrayView node, QByteArray &out)
{
    appendValue(node, out, true);
}

bool IsItem(QByteArrayView node)
{
    Reader r(node);
    if (r.atEnd() || *r.p != 'E')
        return false;
    ++r.p;
    const quint8 flags = quint8(*r.p++);
    return !(flags & (InNamespace | Prefixed)) && r.bytes() == "item";
}

QByteArray Attribute(QByteArrayView node, QByteArrayView name)
{
    for (const Attr &a : attributesOf(startTag(node).attrs)) {
        if (a.name == name) {
            const QByteArray value = Unescaped(a.value);
            return value.isNull() ? QByteArray("") : value;
        }
    }
    return {};
}

QByteArray FieldText(QByteArrayView node, QByteArrayView name)
{
    QByteArray found;
    ForEachChild(node, [&](const Child &c) {
        if (!c.isElement || (c.flags & Prefixed) || c.name != name)
            return true;
        found = StringValue(c.tokens);
        if (found.isNull())
            found = QByteArray("");
        return false;
    });
    return found;
}

QByteArray WithFieldText(QByteArrayView node, QByteArrayView name, const QByteArray &text)
{
    QByteArrayView target;
    ForEachChild(node, [&](const Child &c) {
        if (!c.isElement || (c.flags & Prefixed) || c.name != name)
            return true;
        target = c.tokens;
        return false;
    });
    QByteArray field;
    QByteArray escaped;
    AppendEscapedText(escaped, text);
    if (target.isNull()) {
        // A new element in no namespace at the end of the node.
        field += 'E';
        field += char(Inline);
        putBytes(field, name);
        putBytes(field, QByteArrayView());
    } else {
        // The same element, attributes and all, with only the text inside.
        Reader r(target);
        ++r.p;
        const quint8 flags = quint8(*r.p++);
        const QByteArrayView oldName = r.bytes();
        const QByteArrayView attrs = r.bytes();
        field += 'E';
        field += char((flags & (InNamespace | Prefixed)) | Inline);
        putBytes(field, oldName);
        putBytes(field, attrs);
    }
    // Even an empty text is a text child, as the field writers make it.
    field += 'T';
    putBytes(field, escaped);
    field += 'X';

    QByteArray out;
    if (target.isNull()) {
        // Before the node's own end; the node has children now.
        out = node.toByteArray();
        out.insert(out.size() - 1, field);
        char *flags = out.data() + 1;
        *flags = char(quint8(*flags) & ~Empty);
        return out;
    }
    const qsizetype before = target.data() - node.data();
    out.reserve(node.size() + field.size());
    out.append(node.data(), before);
    out += field;
    out.append(target.data() + target.size(), node.size() - before - target.size());
    return out;
}

} // namespace StoredNode
