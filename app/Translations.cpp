#include "Translations.h"

#include "Include.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QTranslator>

#include <memory>

namespace Translations {
namespace {

// The translators in force; replaced as a whole by the next Install.
std::unique_ptr<QTranslator> &ProgramTranslator()
{
    static std::unique_ptr<QTranslator> translator;
    return translator;
}

std::unique_ptr<QTranslator> &QtTranslator()
{
    static std::unique_ptr<QTranslator> translator;
    return translator;
}

void Remove(std::unique_ptr<QTranslator> &translator)
{
    if (translator) {
        QCoreApplication::removeTranslator(translator.get());
        translator.reset();
    }
}

} // namespace

bool KeepEnglish()
{
    return Include::Settings().GetBool(QStringLiteral("PREFS"), QStringLiteral("ENGLISH"), false);
}

void SetKeepEnglish(bool english)
{
    Include::Settings().SaveSetting(QStringLiteral("PREFS"), QStringLiteral("ENGLISH"),
        english ? QStringLiteral("True") : QStringLiteral("False"));
}

QStringList Folders(const QString &programFolder)
{
    const QDir bin(programFolder);
    return {QDir::cleanPath(bin.filePath(QStringLiteral("../share/tarnwick/translations"))),
        QDir::cleanPath(bin.filePath(QStringLiteral("../translations")))};
}

QString Install(const QLocale &locale, const QString &programFolder)
{
    Remove(ProgramTranslator());
    Remove(QtTranslator());
    if (KeepEnglish())
        return {};
    if (locale.language() == QLocale::C)
        return {};
    auto program = std::make_unique<QTranslator>();
    bool loaded = false;
    for (const QString &folder : Folders(programFolder)) {
        if (program->load(locale, QStringLiteral("tarnwick"), QStringLiteral("_"), folder)) {
            loaded = true;
            break;
        }
    }
    if (!loaded)
        return {};
    const QString file = program->filePath();
    QCoreApplication::installTranslator(program.get());
    ProgramTranslator() = std::move(program);
    // Qt's own texts (standard buttons, context menus of text fields) in the same language.
    auto qt = std::make_unique<QTranslator>();
    if (qt->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
            QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(qt.get());
        QtTranslator() = std::move(qt);
    }
    return file;
}

QString Install()
{
    return Install(QLocale::system(), QCoreApplication::applicationDirPath());
}

} // namespace Translations
