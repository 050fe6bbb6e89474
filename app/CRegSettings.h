#pragma once

#include <QList>
#include <QPair>
#include <QString>

#include <optional>

// The program's settings: text values in sections and keys, every read with the caller's
// default. They live in one per-user file, $XDG_CONFIG_HOME/<Company>/<AppName>.conf, whose
// groups are the sections; a backslash in a section name makes a deeper group and "*" names
// the section's unnamed value. Names and values round-trip exactly.
//
// Re-pointed at Company "Microsoft", AppName "Windows", section "CurrentVersion\Run", the store
// reaches the desktop's start-up list instead: a value there is an autostart entry.
class CRegSettings
{
public:
    static constexpr const char *kDefaultCompany = "Veltrasic";
    static constexpr const char *kProductName = "Tarnwick";

    QString Company() const { return m_Company; }
    // Trimmed; empty restores the default.
    void setCompany(const QString &value);
    QString AppName() const { return m_AppName; }
    void setAppName(const QString &value);

    QString GetSetting(const QString &section, const QString &key, const QString &def) const;
    // A switch ("True" or a non-zero number, see TextNumber::ToBool) and a number (its leading
    // value: "40.0" and "60 min" read 40 and 60); an absent value gives the default.
    bool GetBool(const QString &section, const QString &key, bool def) const;
    qint32 GetNumber(const QString &section, const QString &key, qint32 def) const;
    bool SaveSetting(const QString &section, const QString &key, const QString &value);
    // An empty key removes the whole section.
    bool DeleteSetting(const QString &section, const QString &key);
    // The section's own values, or nothing when it has none.
    std::optional<QList<QPair<QString, QString>>> GetAllSettings(const QString &section) const;

    QString FilePath() const;

private:
    bool IsStartupList(const QString &section) const;

    QString m_Company = QString::fromLatin1(kDefaultCompany);
    QString m_AppName = QString::fromLatin1(kProductName);
};
