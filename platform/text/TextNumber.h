#pragma once

#include <QString>

// How the documents of both programs write and read numbers: the subscription files, the item
// store, skin files and the check page all read a number the same way.
namespace TextNumber {

// Decimal text with one leading blank for zero and positive values: 60 gives " 60".
QString NumberText(qint64 value);
// The numeric value at the start of a text: blanks ignored wherever they stand, reading stops
// at the first character that cannot continue a number, no number gives 0 (" 60", "6 0" and
// "60abc" give 60).
double LeadingValue(const QString &text);
// Rounded to the nearest integer (halves to even) and kept within the type's range.
qint32 ToInt32(const QString &text);
qint16 ToInt16(const QString &text);
// A switch: "True" in any case, or a number whose leading value is not zero ("1", "-1", "2.5").
bool ToBool(const QString &text);

} // namespace TextNumber
