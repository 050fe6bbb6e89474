#include "modHash.h"

#include "UserMessage.h"

#include <QCryptographicHash>

namespace modHash {
namespace {

// Unicode code points of Windows-1252 bytes 0x80..0x9F; 0 where the code page leaves the
// byte undefined (those bytes pass their own C1 code point through).
constexpr char16_t kHigh[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C,
    0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char toByte(char16_t u)
{
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        return static_cast<char>(u);
    for (int i = 0; i < 32; ++i) {
        if (kHigh[i] == u)
            return static_cast<char>(0x80 + i);
    }
    return '?';
}

} // namespace

QByteArray ToWindows1252(const QString &text)
{
    QByteArray out(text.size(), Qt::Uninitialized);
    const char16_t *in = reinterpret_cast<const char16_t *>(text.utf16());
    for (qsizetype i = 0; i < text.size(); ++i)
        out[i] = toByte(in[i]);
    return out;
}

QString HashString(const QString &text, int algorithm)
{
    if (algorithm != kAlgorithmMd5) {
        UserMessage::Show(QStringLiteral("HASH ERROR ")
            + QStringLiteral("Invalid algorithm specified (%1).").arg(algorithm));
        return QString();
    }
    const QByteArray digest =
        QCryptographicHash::hash(ToWindows1252(text), QCryptographicHash::Md5);
    return QString::fromLatin1(digest.toHex().toUpper());
}

QString ItemHash(const QString &channel, const QString &title, const QString &description,
    const QString &category)
{
    return HashString(channel + title + description + category);
}

} // namespace modHash
