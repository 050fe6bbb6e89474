#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>

// The language of the windows. The program's texts are written in English; a translation
// (tarnwick_<language>.qm) is installed for the user's locale when one is shipped, together with
// Qt's own (qtbase_<language>.qm) where the system has it. Only what a person reads changes:
// files, settings, dates kept in the store and the log stay as they are in every language.
namespace Translations {

// "PREFS"/"ENGLISH": keep the windows in English whatever the locale (read at start).
bool KeepEnglish();
void SetKeepEnglish(bool english);

// Where the program's .qm files are looked for, in this order: installed
// (<prefix>/share/tarnwick/translations beside <prefix>/bin) and in the build tree
// (<build>/translations beside <build>/bin).
QStringList Folders(const QString &programFolder);

// Installs the program's translation for locale (and Qt's own when there is one) into the
// application, unless the user keeps English. Returns the .qm file that was loaded, or an
// empty text when the windows stay in English. Earlier installed translations are removed first.
QString Install(const QLocale &locale, const QString &programFolder);
// The same for the system's locale and this program's folder.
QString Install();

} // namespace Translations
