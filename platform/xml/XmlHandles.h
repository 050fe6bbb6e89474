#pragma once

#include <QByteArray>

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlsave.h>

#include <memory>

// Owners for the libxml2 handles this layer uses inside its functions.
namespace xml {

struct XmlFreeDeleter
{
    void operator()(xmlChar *p) const { xmlFree(p); }
};
using XmlString = std::unique_ptr<xmlChar, XmlFreeDeleter>;

// Takes a string libxml2 allocated; null gives an empty array.
inline QByteArray takeString(xmlChar *s)
{
    const XmlString owned(s);
    return owned ? QByteArray(reinterpret_cast<const char *>(owned.get())) : QByteArray();
}

struct BufferDeleter
{
    void operator()(xmlBuffer *b) const { xmlBufferFree(b); }
};
using BufferPtr = std::unique_ptr<xmlBuffer, BufferDeleter>;

struct ParserCtxtDeleter
{
    void operator()(xmlParserCtxt *c) const { xmlFreeParserCtxt(c); }
};
using ParserCtxtPtr = std::unique_ptr<xmlParserCtxt, ParserCtxtDeleter>;

} // namespace xml
