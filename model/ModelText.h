#pragma once

#include "XmlDocument.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

// How the subscription documents write and read numbers and walk their elements.
namespace ModelText {

// Decimal text with one leading blank for zero and positive values: 60 gives " 60".
QString NumberText(qint64 value);
// The numeric value at the start of a text: blanks ignored, reading stops at the first
// character that cannot continue a number, no number gives 0 (" 60" and "60abc" give 60).
double LeadingValue(const QString &text);
// Rounded to the nearest integer (halves to even) and kept within the type's range.
qint32 ToInt32(const QString &text);
qint16 ToInt16(const QString &text);

// Starts loading path into a new document held in slot; once it is complete (read or not)
// calls done with it, on context's thread, and lets the document go from the event loop (never
// inside its own report). Dropping slot's document first cancels the call.
void LoadDocument(std::unique_ptr<xml::Document> &slot, const QString &path, QObject *context,
                  std::function<void(const xml::Document &)> done);

} // namespace ModelText
