#pragma once

#include <QByteArray>
#include <QString>

class QIODevice;

// The fast way through a store file: each node below the root handed over as StoredNode
// tokens the moment it is complete, no tree built.
namespace StoreReader {

struct Sink
{
    virtual ~Sink() = default;
    // The root's start tag, as an element without children.
    virtual void root(const QByteArray &tokens) = 0;
    // A node below the root, complete.
    virtual void node(QByteArray tokens) = 0;
    // A comment or instruction before (prolog) or after the root.
    virtual void outside(bool prolog, const QByteArray &tokens) = 0;
};

enum class Result { Read, Failed, NeedsTree };

// Failed: the text is not well-formed (why says what libxml2 said). NeedsTree: the file has
// a document type; what the sink got so far is to be dropped.
Result Read(QIODevice &source, bool hugeText, Sink &sink, QString *why);

// libxml2 input callbacks reading from a QIODevice.
int ReadFromDevice(void *device, char *buffer, int length);
int CloseNothing(void *);

} // namespace StoreReader
