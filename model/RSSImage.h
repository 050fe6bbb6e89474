#pragma once

#include "XmlDocument.h"

#include <QString>

// A channel's image description (address, title, link), kept in the channel's "image" element
// of channels.xml. Pictures are not downloaded.
class RSSImage
{
public:
    QString URL() const { return m_URL; }
    QString Title() const { return m_Title; }
    QString Link() const { return m_Link; }
    bool ImageExists() const { return !m_URL.isEmpty(); }

    // Reads an "image" element; title, url and link are found at any depth.
    void LoadImage(xml::Node element, const QString &channelID, const QString &folder);
    // The "image" element, not yet attached; only the fields that are not empty.
    xml::NodeHandle SaveXML(xml::Document &doc) const;
    // Where the picture would be kept: the channel's folder (built-in channels only) and its
    // identifier; "" when the channel has no image or no folder.
    QString GetImage(const QString &channelID, const QString &folder);

private:
    void Walk(xml::Node node);

    QString m_URL;
    QString m_Title;
    QString m_Link;
    QString m_ChannelID;
    QString m_Folder;
};
