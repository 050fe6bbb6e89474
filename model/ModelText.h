#pragma once

#include "XmlDocument.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

// How the subscription documents are loaded, and read when damaged.
namespace ModelText {

// Starts loading path into a new document held in slot; once it is complete (read or not)
// calls done with it, on context's thread, and lets the document go from the event loop (never
// inside its own report). Dropping slot's document first cancels the call.
void LoadDocument(std::unique_ptr<xml::Document> &slot, const QString &path, QObject *context,
    std::function<void(const xml::Document &)> done);

// How the read of one of the model's own documents (profiles.xml, channels.xml, groups.xml)
// ended, and what may be taken from it.
struct Reading
{
    // The document to take entries from; nullptr when there is nothing to take.
    const xml::Document *document = nullptr;
    // What a lenient read of a damaged file still gave (document points here then).
    std::unique_ptr<xml::Document> salvaged;
    // Where a damaged file was moved; empty when the file was fine or missing.
    QString keptAs;
    // Damaged, and it could not be moved either: saving must leave it alone.
    bool leaveFile = false;
    bool damaged() const { return !keptAs.isEmpty() || leaveFile; }
};

// Ends the load of path into doc. A missing file is nothing to take; a file that is there but
// does not parse is moved aside (xml::setAsideDamaged), whatever a lenient read of it yields
// is offered instead, and the user is told once, after the current work, through the model's
// host (the log without one). what names the document for that message ("channel list of
// profile "anna"").
Reading Examine(const xml::Document &doc, const QString &path, const QString &what);

// A message of the item bank (the server writes them in English) in the user's language: the
// known forms are translated with their file names kept; any other text is returned as it is.
QString ShownBankMessage(const QString &text);

} // namespace ModelText
