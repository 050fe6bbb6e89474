#pragma once

#include "RSSChannel.h"
#include "XmlDocument.h"

#include <QObject>
#include <QString>

#include <memory>
#include <vector>

// The active profile's channels, in order, keyed by address (keys compare without regard to
// case), with the nine built-in channels, kept in the profile's channels.xml.
class IChannelOwner;

class colChannels : public QObject
{
    Q_OBJECT

public:
    // owner: the profile whose bank serves these channels (reloads, counts, expiry).
    explicit colChannels(IChannelOwner *owner = nullptr, QObject *parent = nullptr);
    ~colChannels() override;

    // Seeds the built-in channels and starts loading channels.xml of the profile.
    void Init(const QString &profileName);
    // Starts loading channels.xml; entries merge over the built-ins when it is read.
    void LoadXML();
    // Writes channels.xml (through a temporary file); false when it could not be written, and
    // when it must not be: before the file has been read in, or after a damaged file could
    // not be moved aside.
    bool SaveChannelXML();
    bool IsLoaded() const { return m_Loaded; }
    // Writes the subscribed channels (not the filters or the vendor's) as OPML to path.
    bool SaveOPML(const QString &path) const;
    void RequestAllStatus();
    int ChannelCount() const { return int(m_Channels.size()); }
    // The channel with exactly that address, else a new subscription to it.
    RSSChannel *AddChannel(const QString &url);
    // By address or by 1-based position; unknown keys change nothing.
    void DelChannel(const QString &key);
    void DelChannel(int position);
    RSSChannel *GetChannel(const QString &key) const;
    RSSChannel *GetChannel(int position) const;

    QString Folder() const { return m_Folder; }
    QString FilePath() const;

signals:
    // In-process only: channels.xml has been read (or found missing) and merged.
    void ChannelsLoaded();

private:
    void Walk(xml::Node node);
    int IndexOf(const QString &key) const;
    void Append(std::unique_ptr<RSSChannel> channel);

    IChannelOwner *m_Owner;
    std::vector<std::unique_ptr<RSSChannel>> m_Channels;
    QString m_Folder;
    QString m_UserName;
    std::unique_ptr<xml::Document> m_Document;
    bool m_Loaded = false;
    bool m_LeaveFile = false;
};
