// The shipped German translation against the texts of the code, and how the program finds and
// chooses it. The list of texts is the one lupdate collects from the sources at build time
// (<build>/translations/tarnwick.ts); after new texts came in, the translation is brought up to
// date with `cmake --build build --target update_translations` and the new entries translated.
#include "ModelText.h"
#include "Translations.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

namespace {

struct Entry
{
    QString context, source;
    QStringList translations; // one, or one per plural form
    QString type; // "unfinished", "vanished", "obsolete" or empty
};

// An element's text; lupdate writes a control character as <byte value="xd"/>.
QString ElementText(QXmlStreamReader &xml)
{
    const QString element = xml.name().toString();
    QString text;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isCharacters())
            text += xml.text();
        else if (xml.isStartElement() && xml.name() == QLatin1String("byte"))
            text +=
                QChar(xml.attributes().value(QLatin1String("value")).mid(1).toUInt(nullptr, 16));
        else if (xml.isEndElement() && xml.name() == element)
            break;
    }
    return text;
}

// Every message of a .ts file, keyed by context, source and comment.
QHash<QString, Entry> ReadTs(const QString &path, QString *error)
{
    QHash<QString, Entry> entries;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot open %1").arg(path);
        return entries;
    }
    QXmlStreamReader xml(&file);
    QString context;
    Entry entry;
    QString comment;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            const auto name = xml.name();
            if (name == QLatin1String("context"))
                context.clear();
            else if (name == QLatin1String("name"))
                context = ElementText(xml);
            else if (name == QLatin1String("message")) {
                entry = Entry {context, {}, {}, {}};
                comment.clear();
            } else if (name == QLatin1String("source"))
                entry.source = ElementText(xml);
            else if (name == QLatin1String("comment"))
                comment = ElementText(xml);
            else if (name == QLatin1String("translation")) {
                entry.type = xml.attributes().value(QLatin1String("type")).toString();
                // A plural message keeps its forms in numerusform children.
                QString direct;
                while (!xml.atEnd()) {
                    xml.readNext();
                    if (xml.isCharacters())
                        direct += xml.text();
                    else if (xml.isStartElement() && xml.name() == QLatin1String("numerusform"))
                        entry.translations << ElementText(xml);
                    else if (xml.isStartElement() && xml.name() == QLatin1String("byte"))
                        direct += QChar(xml.attributes()
                                            .value(QLatin1String("value"))
                                            .mid(1)
                                            .toUInt(nullptr, 16));
                    else if (xml.isEndElement() && xml.name() == QLatin1String("translation"))
                        break;
                }
                if (entry.translations.isEmpty())
                    entry.translations << direct;
            }
        } else if (xml.isEndElement() && xml.name() == QLatin1String("message")) {
            entries.insert(
                entry.context + QChar(0x1f) + entry.source + QChar(0x1f) + comment, entry);
        }
    }
    if (xml.hasError())
        *error = QStringLiteral("%1: %2").arg(path, xml.errorString());
    return entries;
}

QStringList Placeholders(const QString &text)
{
    static const QRegularExpression marker(QStringLiteral("%L?\\d+"));
    QStringList found;
    for (auto it = marker.globalMatch(text); it.hasNext();)
        found << it.next().captured();
    found.sort();
    found.removeDuplicates();
    return found;
}

// Whether a text marks a keyboard accelerator ("&File"; "&&" is a plain ampersand).
bool HasAccelerator(QString text)
{
    text.remove(QLatin1String("&&"));
    const int at = text.indexOf(QLatin1Char('&'));
    return at >= 0 && at + 1 < text.size() && text.at(at + 1) != QLatin1Char(' ');
}

const QString kBin = QStringLiteral(TARNWICK_BUILD "/bin");

} // namespace

class TestTranslations : public QObject
{
    Q_OBJECT

    QTemporaryDir m_Config;

private slots:
    void initTestCase()
    {
        QVERIFY(m_Config.isValid());
        qputenv("XDG_CONFIG_HOME", m_Config.path().toUtf8());
    }

    // Every text of the code has a finished German translation that keeps its placeholders
    // and its accelerator; the list names every entry that needs work.
    void germanCoversEveryText()
    {
        QString error;
        const QHash<QString, Entry> code =
            ReadTs(QStringLiteral(TARNWICK_BUILD "/translations/tarnwick.ts"), &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        const QHash<QString, Entry> german =
            ReadTs(QStringLiteral(TARNWICK_SOURCE "/translations/tarnwick_de.ts"), &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        // The collected list holds the windows' texts (lupdate read the sources).
        QVERIFY(code.size() > 200);
        QVERIFY(code.contains(QStringLiteral("frmPreferences\x1fPreferences\x1f")));

        QStringList problems;
        for (auto it = code.cbegin(); it != code.cend(); ++it) {
            const Entry &wanted = it.value();
            const QString where = wanted.context + QStringLiteral(": \"") + wanted.source + '"';
            const auto found = german.constFind(it.key());
            if (found == german.cend()) {
                problems << where + QStringLiteral(" is missing");
                continue;
            }
            if (!found->type.isEmpty()) {
                problems << where + QStringLiteral(" is ") + found->type;
                continue;
            }
            for (const QString &text : found->translations) {
                if (text.trimmed().isEmpty())
                    problems << where + QStringLiteral(" has an empty translation");
                else if (Placeholders(text) != Placeholders(wanted.source))
                    problems << where + QStringLiteral(" loses or adds a %n placeholder");
                else if (HasAccelerator(wanted.source) && !HasAccelerator(text))
                    problems << where + QStringLiteral(" loses its & accelerator");
            }
        }
        for (auto it = german.cbegin(); it != german.cend(); ++it)
            if (!code.contains(it.key()) && it->type != QLatin1String("vanished")
                && it->type != QLatin1String("obsolete"))
                problems << it->context + QStringLiteral(": \"") + it->source
                        + QStringLiteral("\" is no longer in the code");
        problems.sort();
        QVERIFY2(problems.isEmpty(),
            qPrintable(QStringLiteral("translations/tarnwick_de.ts needs work (run the "
                                      "update_translations target, then translate):\n  ")
                + problems.join(QStringLiteral("\n  "))));
    }

    // A German locale gets the German texts, from the build tree and from an installed layout;
    // other locales, and a user who keeps English, get the English ones.
    void chosenByLocaleAndPreference()
    {
        const QString built = Translations::Install(QLocale(QStringLiteral("de_DE")), kBin);
        QCOMPARE(QFileInfo(built).absoluteFilePath(),
            QFileInfo(QStringLiteral(TARNWICK_BUILD "/translations/tarnwick_de.qm"))
                .absoluteFilePath());
        QCOMPARE(QCoreApplication::translate("frmPreferences", "Preferences"),
            QStringLiteral("Einstellungen"));
        QCOMPARE(QCoreApplication::translate("MainMenus", "E&xit"), QStringLiteral("&Beenden"));
        QCOMPARE(QCoreApplication::translate("colChannels", "Past 7 Days"),
            QStringLiteral("Letzte 7 Tage"));

        // Installed: <prefix>/bin/tarnwick beside <prefix>/share/tarnwick/translations.
        QTemporaryDir prefix;
        QVERIFY(QDir().mkpath(prefix.filePath("bin"))
            && QDir().mkpath(prefix.filePath("share/tarnwick/translations")));
        const QString installed = prefix.filePath("share/tarnwick/translations/tarnwick_de.qm");
        QVERIFY(QFile::copy(built, installed));
        QCOMPARE(Translations::Install(QLocale(QStringLiteral("de_AT")), prefix.filePath("bin")),
            installed);
        QCOMPARE(QCoreApplication::translate("frmProperties", "Properties"),
            QStringLiteral("Eigenschaften"));

        for (const char *other : {"en_US", "fr_FR", "C"}) {
            QVERIFY2(Translations::Install(QLocale(QLatin1String(other)), kBin).isEmpty(), other);
            QCOMPARE(QCoreApplication::translate("frmPreferences", "Preferences"),
                QStringLiteral("Preferences"));
        }

        // The preference: English whatever the locale, written to the settings file.
        Translations::SetKeepEnglish(true);
        QVERIFY(Translations::KeepEnglish());
        QVERIFY(Translations::Install(QLocale(QStringLiteral("de_DE")), kBin).isEmpty());
        QCOMPARE(QCoreApplication::translate("frmPreferences", "Preferences"),
            QStringLiteral("Preferences"));
        QFile conf(m_Config.filePath("Veltrasic/Tarnwick.conf"));
        QVERIFY(conf.open(QIODevice::ReadOnly));
        QVERIFY(conf.readAll().contains("ENGLISH=True"));
        Translations::SetKeepEnglish(false);
        QVERIFY(!Translations::Install(QLocale(QStringLiteral("de_DE")), kBin).isEmpty());
        QCOMPARE(QCoreApplication::translate("frmPreferences", "Preferences"),
            QStringLiteral("Einstellungen"));
    }

    // The item server words its messages in English; the window shows them in German with the
    // file names kept, and a message of another form as it came.
    void bankMessagesInTheUsersLanguage()
    {
        QVERIFY(!Translations::Install(QLocale(QStringLiteral("de_DE")), kBin).isEmpty());
        const QString lost = ModelText::ShownBankMessage(
            QStringLiteral("Could not save items.xml\n\nThe item store could not be written to "
                           "/home/a/items.xml (the disk may be full or the folder not writable). "
                           "Items fetched and marks made since the last save are kept only until "
                           "the program ends; the file there is unchanged."));
        QVERIFY2(lost.startsWith(QStringLiteral("items.xml konnte nicht gespeichert werden\n\n"))
                && lost.contains(QStringLiteral(" nach /home/a/items.xml ")),
            qPrintable(lost));
        QCOMPARE(ModelText::ShownBankMessage(QStringLiteral(
                     "Error parsing items.xml\n\nThe file was kept as /p/items.xml.damaged-1; the "
                     "profile starts with an empty item store and fetches its channels again.")),
            QStringLiteral("Fehler beim Lesen von items.xml\n\nDie Datei wurde als "
                           "/p/items.xml.damaged-1 aufbewahrt; das Profil beginnt mit einem leeren "
                           "Eintragsspeicher und ruft seine Kanäle neu ab."));
        QCOMPARE(ModelText::ShownBankMessage(QStringLiteral("Something else")),
            QStringLiteral("Something else"));
        QVERIFY(Translations::Install(QLocale(QStringLiteral("en_GB")), kBin).isEmpty());
        QCOMPARE(ModelText::ShownBankMessage(
                     QStringLiteral("HASH ERROR Items could not be given their hash.")),
            QStringLiteral("HASH ERROR Items could not be given their hash."));
    }
};

QTEST_GUILESS_MAIN(TestTranslations)
#include "tst_translations.moc"
