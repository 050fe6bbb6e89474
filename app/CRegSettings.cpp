#include "CRegSettings.h"

#include "TextNumber.h"
#include "XdgAutostart.h"

#include <QSettings>
#include <QStandardPaths>

namespace {

// QSettings reads "/" and "\" in a name as group separators: keep them (and the escape
// character itself) out of key names so that every name comes back as written.
QString escapeKey(QString key)
{
    return key.replace(QLatin1Char('%'), QLatin1String("%25"))
        .replace(QLatin1Char('/'), QLatin1String("%2F"))
        .replace(QLatin1Char('\\'), QLatin1String("%5C"));
}

QString unescapeKey(QString key)
{
    return key.replace(QLatin1String("%2F"), QLatin1String("/"))
        .replace(QLatin1String("%5C"), QLatin1String("\\"))
        .replace(QLatin1String("%25"), QLatin1String("%"));
}

// Each backslash-separated part of a section is a group of its own.
QString groupOf(const QString &section)
{
    QStringList parts = section.split(QLatin1Char('\\'));
    for (QString &part : parts)
        part = escapeKey(part);
    return parts.join(QLatin1Char('/'));
}

QString pathOf(const QString &section, const QString &key)
{
    return section.isEmpty() ? escapeKey(key)
                             : groupOf(section) + QLatin1Char('/') + escapeKey(key);
}

} // namespace

void CRegSettings::setCompany(const QString &value)
{
    m_Company = value.trimmed().isEmpty() ? QString::fromLatin1(kDefaultCompany) : value.trimmed();
}

void CRegSettings::setAppName(const QString &value)
{
    m_AppName = value.trimmed().isEmpty() ? QString::fromLatin1(kProductName) : value.trimmed();
}

QString CRegSettings::FilePath() const
{
    return QStandardPaths::writableLocation(QStandardPaths::ConfigLocation) + QLatin1Char('/')
        + m_Company + QLatin1Char('/') + m_AppName + QStringLiteral(".conf");
}

bool CRegSettings::IsStartupList(const QString &section) const
{
    return m_Company == QLatin1String("Microsoft") && m_AppName == QLatin1String("Windows")
        && section.compare(QLatin1String("CurrentVersion\\Run"), Qt::CaseInsensitive) == 0;
}

QString CRegSettings::GetSetting(
    const QString &section, const QString &key, const QString &def) const
{
    if (IsStartupList(section)) {
        QString command;
        return XdgAutostart::Read(key, &command) ? command : def;
    }
    const QSettings store(FilePath(), QSettings::IniFormat);
    const QString path = pathOf(section, key);
    return store.contains(path) ? store.value(path).toString() : def;
}

bool CRegSettings::GetBool(const QString &section, const QString &key, bool def) const
{
    const QString none = QStringLiteral("\x01absent");
    const QString text = GetSetting(section, key, none);
    return text == none ? def : TextNumber::ToBool(text);
}

qint32 CRegSettings::GetNumber(const QString &section, const QString &key, qint32 def) const
{
    const QString none = QStringLiteral("\x01absent");
    const QString text = GetSetting(section, key, none);
    return text == none ? def : TextNumber::ToInt32(text);
}

bool CRegSettings::SaveSetting(const QString &section, const QString &key, const QString &value)
{
    if (IsStartupList(section))
        return XdgAutostart::Write(key, value);
    QSettings store(FilePath(), QSettings::IniFormat);
    store.setValue(pathOf(section, key), value);
    store.sync();
    return store.status() == QSettings::NoError;
}

bool CRegSettings::DeleteSetting(const QString &section, const QString &key)
{
    if (IsStartupList(section))
        return key.isEmpty() ? false : XdgAutostart::Remove(key);
    const QString path = key.isEmpty() ? groupOf(section) : pathOf(section, key);
    if (path.isEmpty())
        return false; // the program's own root is not removed
    QSettings store(FilePath(), QSettings::IniFormat);
    store.remove(path);
    store.sync();
    return store.status() == QSettings::NoError;
}

std::optional<QList<QPair<QString, QString>>> CRegSettings::GetAllSettings(
    const QString &section) const
{
    QSettings store(FilePath(), QSettings::IniFormat);
    if (!section.isEmpty())
        store.beginGroup(groupOf(section));
    QList<QPair<QString, QString>> rows;
    for (const QString &key : store.childKeys())
        rows.append({unescapeKey(key), store.value(key).toString()});
    if (rows.isEmpty())
        return std::nullopt;
    return rows;
}
