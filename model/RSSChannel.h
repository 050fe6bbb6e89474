#pragma once

#include "RSSImage.h"
#include "XmlDocument.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>

#include "CSpanClock.h"

class IChannelOwner;

// One subscribed channel of the active profile: its address and identity, the fields of its
// last fetched document, the user's settings for it, its counts and icon state, its viewer's
// saved rectangle, and its own reload timer. It fetches nothing itself: its timer asks its
// profile (the owner) to queue a reload.
//
// Reload timing: 5 s after it is subscribed or loaded with a reload period, then every
// Update minutes, one hour after a time-out; never while its viewer is open (it looks again
// every minute).
class RSSChannel : public QObject
{
    Q_OBJECT

public:
    static constexpr qint32 kFirstReloadMs = 5000;
    static constexpr qint32 kViewerOpenRetryMs = 60000;
    static constexpr qint32 kAfterTimeOutMs = 3600000;

    explicit RSSChannel(QObject *parent = nullptr);
    ~RSSChannel() override;

    // The wait before a channel's first load, kFirstReloadMs unless a test asks for less.
    static void SetFirstReloadDelay(qint32 ms);

    // ---- Properties ----
    QString URL() const { return m_URL; }
    void setURL(const QString &url) { m_URL = url; }
    QString Username() const { return m_Username; }
    void setUsername(const QString &v) { m_Username = v; }
    // The profile whose bank serves the channel; none: its requests go nowhere.
    void setOwner(IChannelOwner *owner) { m_Owner = owner; }
    QString ID() const { return m_ID; }
    void setID(const QString &v) { m_ID = v; }
    // The custom title, or the title when there is none.
    QString customTitle() const { return m_CustomTitle.isEmpty() ? m_Title : m_CustomTitle; }
    void setCustomTitle(const QString &v) { m_CustomTitle = v; }
    // The title as windows show it: the custom title, or for a filter channel without one its
    // name in the user's language (what is stored and sent to the bank stays as it is).
    QString displayTitle() const;
    QString title() const { return m_Title; }
    void setTitle(const QString &v) { m_Title = v; }
    // Display title, two blanks and the item count: "Name  (12)".
    QString TitleAndCount() const;
    QString LastMod() const { return m_LastMod; }
    // The entity tag the server sent with the channel's last document ("" when none): the next
    // fetch asks for the document only if it has changed since.
    QString ETag() const { return m_ETag; }
    void SetETag(const QString &tag) { m_ETag = tag; }
    // The stamp no longer describes what the item store holds: the next fetch loads in full.
    void ForgetLastMod()
    {
        m_LastMod = QStringLiteral("-1");
        m_ETag.clear();
    }
    qint32 ItemCount() const { return m_ItemCount; }
    qint32 Unread() const { return m_Unread; }

    QString link, Description, Language, Copyright, ManagingEditor, WebMaster, PubDate,
        LastBuildDate, Catergory, Generator, Docs, Rating;
    qint32 TimeToLive = 0;
    qint32 Expire = 60;
    qint32 Update = 60;
    bool OpenLink = false;
    // New items of this channel may be announced on the desktop (stored only when switched off).
    bool Notify = true;
    QString SortMode;
    bool NewItems() const { return m_NewItems; }
    // Stores the flag and lets the tree icon follow.
    void setNewItems(bool v);
    QString ImageURL() const { return m_Image.URL(); }
    RSSImage &Image() { return m_Image; }
    QString Folder() const { return m_Folder; }

    // The item viewer's saved window state and rectangle (twips). 32 bits: a viewer on a wide
    // or second screen lies beyond the 32767 twips a 16-bit value can hold.
    qint16 WindowState = 0;
    qint32 WindowTop = 0, WindowLeft = 0, WindowHeight = 0, WindowWidth = 0;

    bool IsReloading() const { return m_Reloading; }
    bool HasError() const { return m_Error; }
    // Why the last fetch failed, as the bank said (empty when it did not say, or no error).
    QString ErrorReason() const { return m_Error ? m_ErrorReason : QString(); }
    CSpanClock *Reloader() const { return m_Reloader; }

    // ---- Operations ----
    // A new subscription: defaults, first reload in 5 s, a new identifier.
    void CreateRSS(const QString &url);
    // A built-in channel.
    void GenerateChannel(const QString &url, const QString &title, qint32 expire, qint32 update,
        const QString &id, const QString &folder, const QString &userName);
    // Asks for a reload unless the address is a filter; returns false.
    bool ForceLoadRSS();
    // Runs the timer's handler once now; returns true.
    bool LoadRSS(bool flag = true);
    // A fetch completed (the bank's ChannelLoaded).
    void Loaded(bool newItems, const QString &newMod);
    // A fetch failed or timed out; reason says why, for the tree's tooltip.
    void TimeOut(const QString &reason = QString());
    // New counts (-1: unchanged) and a state notification to the main window.
    void SetState(qint32 count, qint32 unread);
    // The tree icon's key.
    QString GetImage() const;
    // Opens or raises the item viewer; clears NewItems.
    void CreateChannelView(bool minimised);

    // The channel's OPML "outline" element (stored title and address), not yet attached.
    xml::NodeHandle SaveOPML(xml::Document &doc) const;
    // channels.xml: the "channel" element, its document fields, and reading one back.
    xml::NodeHandle SaveXML(xml::Document &doc) const;
    void SaveChildXML(xml::Document &doc, xml::Node element) const;
    void LoadChannel(xml::Node element);

    // The reload timer's handler.
    void m_Reloader_OnTimer();

private:
    // What a new and a built-in channel share: no automatic opening, the unread sort for
    // ordinary channels, an unknown stamp, the first reload in 5 s.
    void StartSubscription(const QString &url);
    void ReloadRequest();
    void LoadNode(xml::Node node);

    IChannelOwner *m_Owner = nullptr;
    QString m_URL;
    QString m_Username;
    QString m_Folder;
    QString m_ID;
    QString m_CustomTitle;
    QString m_Title;
    QString m_LastMod = QStringLiteral("-1");
    QString m_ETag;
    qint32 m_ItemCount = 0;
    qint32 m_Unread = -1;
    bool m_NewItems = false;
    bool m_Reloading = false;
    bool m_Error = false;
    QString m_ErrorReason;
    RSSImage m_Image;
    QPointer<CSpanClock> m_Reloader;
};
