#include "ModelText.h"

#include "ModelHost.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <QTimer>

namespace {
Q_LOGGING_CATEGORY(lcModel, "tarnwick.model", QtInfoMsg)
}

namespace ModelText {

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
                                 << (reading.leaveFile
                                            ? QStringLiteral("(left alone)")
                                            : QStringLiteral("(kept as %1)").arg(reading.keptAs));
    // Told once the reading that found it has ended, not from inside it.
    QTimer::singleShot(0, QCoreApplication::instance(), [text] {
        if (IModelHost *host = IModelHost::Current())
            host->ShowMessage(text);
    });
    return reading;
}

QString ShownBankMessage(const QString &text)
{
    // The server's messages as it words them; %1 is a file name.
    static const char *const forms[] = {
        QT_TRANSLATE_NOOP("ModelText",
            "Error parsing items.xml\n\nThe file %1 was left as it is and will not be written "
            "over."),
        QT_TRANSLATE_NOOP("ModelText",
            "Error parsing items.xml\n\nThe file was kept as %1; the profile starts with an "
            "empty item store and fetches its channels again."),
        QT_TRANSLATE_NOOP("ModelText", "HASH ERROR Items could not be given their hash."),
        QT_TRANSLATE_NOOP("ModelText",
            "Could not save items.xml\n\nThe item store could not be written to %1 (the disk "
            "may be full or the folder not writable). Items fetched and marks made since the "
            "last save are kept only until the program ends; the file there is unchanged."),
    };
    for (const char *form : forms) {
        const QString english = QString::fromUtf8(form);
        const int at = english.indexOf(QLatin1String("%1"));
        if (at < 0) {
            if (text == english)
                return QCoreApplication::translate("ModelText", form);
            continue;
        }
        const QRegularExpression pattern(
            QRegularExpression::anchoredPattern(QRegularExpression::escape(english.left(at))
                + QStringLiteral("(.*)") + QRegularExpression::escape(english.mid(at + 2))));
        const QRegularExpressionMatch match = pattern.match(text);
        if (match.hasMatch())
            return QCoreApplication::translate("ModelText", form).arg(match.captured(1));
    }
    return text;
}

} // namespace ModelText
