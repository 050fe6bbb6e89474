#include "ModelText.h"

#include <cmath>
#include <limits>

namespace ModelText {

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

template <typename T>
static T rounded(const QString &text)
{
    const double v = std::nearbyint(LeadingValue(text)); // halves to even
    if (v < std::numeric_limits<T>::min())
        return std::numeric_limits<T>::min();
    if (v > std::numeric_limits<T>::max())
        return std::numeric_limits<T>::max();
    return static_cast<T>(v);
}

qint32 ToInt32(const QString &text)
{
    return rounded<qint32>(text);
}

qint16 ToInt16(const QString &text)
{
    return rounded<qint16>(text);
}

void LoadDocument(std::unique_ptr<xml::Document> &slot, const QString &path, QObject *context,
                  std::function<void(const xml::Document &)> done)
{
    slot = std::make_unique<xml::Document>();
    slot->setAsync(true);
    xml::Document *doc = slot.get();
    QObject::connect(doc, &xml::Document::readyStateChange, context,
                     [&slot, doc, done = std::move(done)](int state) {
                         if (state != xml::Document::Complete || slot.get() != doc)
                             return;
                         slot.release()->deleteLater();
                         done(*doc);
                     });
    doc->load(path);
}

} // namespace ModelText
