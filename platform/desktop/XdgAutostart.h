#pragma once

#include <QString>

// The desktop's start-up list: one freedesktop autostart entry per program,
// $XDG_CONFIG_HOME/autostart/<name>.desktop.
namespace XdgAutostart {

QString EntryPath(const QString &name);
// The program an entry starts (its Exec line, unquoted) when the entry exists.
bool Read(const QString &name, QString *command);
// Creates or replaces the entry that starts program, through a temporary file.
bool Write(const QString &name, const QString &program);

// The Exec value that starts program, quoted the way desktop entries quote their Exec lines
// (blanks, quotes, "$", "%" and backslashes in the path included), and back.
QString QuoteExec(const QString &program);
QString UnquoteExec(const QString &value);
// Removes the entry; true when it is gone.
bool Remove(const QString &name);

} // namespace XdgAutostart
