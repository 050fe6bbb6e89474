#include "TextNumber.h"

#include <cmath>
#include <limits>

namespace TextNumber {

QString NumberText(qint64 value)
{
    return value < 0 ? QString::number(value) : QLatin1Char(' ') + QString::number(value);
}

double LeadingValue(const QString &text)
{
    QString number;
    bool digits = false;
    bool point = false;
    for (const QChar c : text) {
        if (c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n')
            || c == QLatin1Char('\r'))
            continue;
        if ((c == QLatin1Char('-') || c == QLatin1Char('+')) && number.isEmpty()) {
            number += c;
            continue;
        }
        if (c == QLatin1Char('.') && !point) {
            point = true;
            number += c;
            continue;
        }
        if (c.isDigit() && c.unicode() < 128) {
            digits = true;
            number += c;
            continue;
        }
        break;
    }
    return digits ? number.toDouble() : 0.0;
}

namespace {
template<typename T> T rounded(const QString &text)
{
    const double v = std::nearbyint(LeadingValue(text)); // halves to even
    if (v < std::numeric_limits<T>::min())
        return std::numeric_limits<T>::min();
    if (v > std::numeric_limits<T>::max())
        return std::numeric_limits<T>::max();
    return static_cast<T>(v);
}
} // namespace

qint32 ToInt32(const QString &text)
{
    return rounded<qint32>(text);
}

qint16 ToInt16(const QString &text)
{
    return rounded<qint16>(text);
}

bool ToBool(const QString &text)
{
    return text.trimmed().compare(QLatin1String("true"), Qt::CaseInsensitive) == 0
        || LeadingValue(text) != 0;
}

} // namespace TextNumber
