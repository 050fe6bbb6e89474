#include "XdgAutostart.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>

namespace XdgAutostart {

QString QuoteExec(const QString &program)
{
    // One quoted argument: within the quotes " ` $ and \ take a backslash, % is doubled;
    // then the string escapes of the key file (backslash, line breaks) on top.
    QString quoted = QStringLiteral("\"");
    for (const QChar c : program) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$')
            || c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        else if (c == QLatin1Char('%'))
            quoted += QLatin1Char('%');
        quoted += c;
    }
    quoted += QLatin1Char('"');
    QString value;
    for (const QChar c : quoted) {
        if (c == QLatin1Char('\\'))
            value += QStringLiteral("\\\\");
        else if (c == QLatin1Char('\n'))
            value += QStringLiteral("\\n");
        else if (c == QLatin1Char('\t'))
            value += QStringLiteral("\\t");
        else if (c == QLatin1Char('\r'))
            value += QStringLiteral("\\r");
        else
            value += c;
    }
    return value;
}

QString UnquoteExec(const QString &value)
{
    QString text;
    for (int i = 0; i < value.size(); ++i) {
        if (value[i] != QLatin1Char('\\') || i + 1 == value.size()) {
            text += value[i];
            continue;
        }
        const QChar next = value[++i];
        text += next == QLatin1Char('s') ? QLatin1Char(' ')
            : next == QLatin1Char('n')   ? QLatin1Char('\n')
            : next == QLatin1Char('t')   ? QLatin1Char('\t')
            : next == QLatin1Char('r')   ? QLatin1Char('\r')
                                         : next;
    }
    QString program;
    const bool quoted = text.startsWith(QLatin1Char('"'));
    for (int i = quoted ? 1 : 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted && c == QLatin1Char('"'))
            break;
        if (quoted && c == QLatin1Char('\\') && i + 1 < text.size())
            program += text[++i];
        else if (c == QLatin1Char('%') && i + 1 < text.size() && text[i + 1] == QLatin1Char('%'))
            program += text[i++];
        else
            program += c;
    }
    return program;
}

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
            *command = UnquoteExec(line.mid(5));
    }
    return true;
}

bool Write(const QString &name, const QString &program)
{
    const QString path = EntryPath(name);
    if (!QDir().mkpath(QFileInfo(path).path()))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    const QString exec = QuoteExec(program);
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
