#pragma once

// Writes a profile's documents as the program keeps them, for tests and benchmarks that start
// from a profile that already exists.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

namespace profilefiles {

inline QByteArray Escape(const QString &text)
{
    return text.toHtmlEscaped().toUtf8();
}

inline bool Write(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        && file.write(content) == content.size();
}

// profiles/profiles.xml with the first name as the default.
inline bool WriteProfileList(const QString &home, const QStringList &names)
{
    QByteArray xml = "<tarnwickprofiles>";
    for (const QString &name : names) {
        xml += "<user><username>" + Escape(name) + "</username>";
        if (name == names.first())
            xml += "<default>true</default>";
        xml += "</user>";
        QDir().mkpath(home + "/profiles/" + name);
    }
    return Write(home + "/profiles/profiles.xml", xml + "</tarnwickprofiles>");
}

// channels.xml: address and title of each channel, reloaded every hour, items kept expireDays.
inline bool WriteChannels(
    const QString &folder, const QList<QPair<QString, QString>> &channels, int expireDays = 60)
{
    QByteArray xml = "<tarnwickchannels>";
    int id = 0xA01;
    for (const auto &[url, title] : channels)
        xml += "<channel><url>" + Escape(url) + "</url><title>" + Escape(title) + "</title><expire>"
            + QByteArray::number(expireDays) + "</expire><update>60</update><id>"
            + QByteArray::number(id++, 16).toUpper() + "</id></channel>";
    return Write(folder + "/channels.xml", xml + "</tarnwickchannels>");
}

// groups.xml: each group expanded, with its channels in order.
inline bool WriteGroups(const QString &folder, const QList<QPair<QString, QStringList>> &groups)
{
    QByteArray xml = "<tarnwickgroups>";
    for (const auto &[name, urls] : groups) {
        xml += "<group><title>" + Escape(name) + "</title><expand>true</expand>";
        for (const QString &url : urls)
            xml += "<channel>" + Escape(url) + "</channel>";
        xml += "</group>";
    }
    return Write(folder + "/groups.xml", xml + "</tarnwickgroups>");
}

} // namespace profilefiles
