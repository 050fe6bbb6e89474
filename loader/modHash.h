#pragma once

#include <QByteArray>
#include <QString>

// Item identity: the MD5 digest of the item's channel address, title, description and
// "catergory" text, as 32 upper-case hexadecimal digits.
namespace modHash {

// The algorithm identifier every caller passes (MD5).
constexpr int kAlgorithmMd5 = 0x8003;

// The digest of text's Windows-1252 bytes as 32 upper-case hex digits. An unsupported
// algorithm shows "HASH ERROR " with a description and gives "".
QString HashString(const QString &text, int algorithm = kAlgorithmMd5);

// One byte per UTF-16 unit: Windows-1252 where the character has a code there, "?" where it
// has none (so the byte count always equals the character count).
QByteArray ToWindows1252(const QString &text);

QString ItemHash(const QString &channel, const QString &title, const QString &description,
    const QString &category);

} // namespace modHash
