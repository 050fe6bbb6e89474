#pragma once

#include <QString>

// The desktop's start-up list: one freedesktop autostart entry per program,
// $XDG_CONFIG_HOME/autostart/<name>.desktop.
namespace XdgAutostart {

QString EntryPath(const QString &name);
// The entry's command (its Exec line) when the entry exists.
bool Read(const QString &name, QString *command);
// Creates or replaces the entry, through a temporary file.
bool Write(const QString &name, const QString &command);
// Removes the entry; true when it is gone.
bool Remove(const QString &name);

} // namespace XdgAutostart
