#include "XdgAutostart.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>

namespace XdgAutostart {

QString EntryPath(const QString &name)
{
    return QStandardPaths::writableLocation(QStandardPaths::ConfigLocation)
        + QStringLiteral("/autostart/") + name.toLower() + QStringLiteral(".desktop");
}

bool Read(const QString &name, QString *command)
{
    QFile file(EntryPath(name));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    command->clear();
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(QLatin1String("Exec=")))
            *command = line.mid(5);
    }
    return true;
}

bool Write(const QString &name, const QString &command)
{
    const QString path = EntryPath(name);
    if (!QDir().mkpath(QFileInfo(path).path()))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    QString exec = command;
    exec.replace(QLatin1Char('\n'), QLatin1Char(' '));
    const QString entry = QStringLiteral("[Desktop Entry]\nType=Application\nName=%1\nExec=%2\n"
                                         "X-GNOME-Autostart-enabled=true\n")
                              .arg(name, exec);
    file.write(entry.toUtf8());
    return file.commit();
}

bool Remove(const QString &name)
{
    const QString path = EntryPath(name);
    return !QFile::exists(path) || QFile::remove(path);
}

} // namespace XdgAutostart
