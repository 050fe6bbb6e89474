#include "ModelText.h"

#include "ModelHost.h"

#include <QCoreApplication>
#include <QDebug>
#include <QLoggingCategory>
#include <QFileInfo>
#include <QTimer>

#include <cmath>
#include <limits>

namespace {
Q_LOGGING_CATEGORY(lcModel, "tarnwick.model", QtInfoMsg)
}

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

Reading Examine(const xml::Document &doc, const QString &path, const QString &what)
{
    Reading reading;
    if (doc.parseError() == 0) {
        reading.document = &doc;
        return reading;
    }
    if (!QFileInfo::exists(path))
        return reading;
    const QString reason = doc.parseErrorReason();
    QString text;
    reading.keptAs = xml::setAsideDamaged(path);
    if (reading.keptAs.isEmpty()) {
        reading.leaveFile = true;
        text = QCoreApplication::translate("ModelText",
                   "The %1 could not be read (%2).\n\nThe file %3 was left as it is and will not "
                   "be written over, so changes made now are not kept in it.")
                   .arg(what, reason, path);
    } else {
        auto salvaged = std::make_unique<xml::Document>();
        if (salvaged->loadRecovering(reading.keptAs)) {
            reading.salvaged = std::move(salvaged);
            reading.document = reading.salvaged.get();
        }
        text = QCoreApplication::translate("ModelText",
                   "The %1 could not be read (%2).\n\nThe file was kept as %3; Tarnwick goes on "
                   "with what could still be read from it.")
                   .arg(what, reason, reading.keptAs);
    }
    qCWarning(lcModel).noquote() << path << "could not be read:" << reason
                         << (reading.leaveFile ? QStringLiteral("(left alone)")
                                               : QStringLiteral("(kept as %1)").arg(reading.keptAs));
    // Told once the reading that found it has ended, not from inside it.
    QTimer::singleShot(0, QCoreApplication::instance(), [text] {
        if (IModelHost *host = IModelHost::Current())
            host->ShowMessage(text);
    });
    return reading;
}

} // namespace ModelText
