#include "RSSImage.h"

#include <QDir>

void RSSImage::LoadImage(xml::Node element, const QString &channelID, const QString &folder)
{
    m_ChannelID = channelID;
    m_Folder = folder;
    for (xml::Node child = element.firstChild(); child; child = child.nextSibling())
        Walk(child);
}

void RSSImage::Walk(xml::Node node)
{
    if (!node.hasChildNodes())
        return;
    const QString name = node.nodeName().toLower();
    const QString value = node.firstChild().text();
    if (name == QLatin1String("title"))
        m_Title = value;
    else if (name == QLatin1String("url"))
        m_URL = value;
    else if (name == QLatin1String("link"))
        m_Link = value;
    else
        for (xml::Node child = node.firstChild(); child; child = child.nextSibling())
            Walk(child);
}

xml::NodeHandle RSSImage::SaveXML(xml::Document &doc) const
{
    xml::NodeHandle image = doc.createElement("image");
    xml::Node node(image.get());
    if (!m_Title.isEmpty())
        node.appendChild(doc.createTextElement("title", m_Title.toUtf8()));
    if (!m_Link.isEmpty())
        node.appendChild(doc.createTextElement("link", m_Link.toUtf8()));
    if (!m_URL.isEmpty())
        node.appendChild(doc.createTextElement("url", m_URL.toUtf8()));
    return image;
}

QString RSSImage::GetImage(const QString &channelID, const QString &folder)
{
    m_ChannelID = channelID;
    m_Folder = folder;
    if (!ImageExists() || m_Folder.isEmpty() || m_ChannelID.isEmpty())
        return {};
    return QDir(m_Folder).filePath(m_ChannelID + QStringLiteral(".jpg"));
}
