#pragma once

#include "ChannelOwner.h"
#include "ItemBankProxy.h"
#include "XmlDocument.h"
#include "clsSpotlight.h"
#include "colChannels.h"
#include "colGroups.h"

#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

// One user's subscriptions: channels, groups and an item bank in the tarnloader server. It is
// the main program's whole binding to the bank: every call goes through it, and it turns the
// bank's events into channel fields and counts, ticker and viewer lists.
class clsProfile : public QObject, public IChannelOwner
{
    Q_OBJECT

public:
    // How long a bank that could not be made again waits before the next try.
    static constexpr int kRestartRetryMs = 5000;

    explicit clsProfile(QObject *parent = nullptr);
    ~clsProfile() override;

    QString Name() const { return m_Name; }
    void setName(const QString &v) { m_Name = v; }
    bool Default() const { return m_Default; }
    void setDefault(bool v) { m_Default = v; }
    bool Offline() const { return m_Offline; }
    void setOffline(bool v) { m_Offline = v; }
    bool IsActive() const { return m_Active; }
    QString Folder() const;

    void PauseQueue() { }
    bool ResumeQueue();
    void LoadUser(xml::Node node);
    xml::NodeHandle SaveXML(xml::Document &doc) const;
    bool SaveGroupXML();
    bool SaveChannelXML();
    // Creates the channel list, the bank in the server and the group list. false (and error)
    // when the bank cannot be had.
    bool SetUserActive(QString *error = nullptr);
    void Deactivate();
    // Deletes the profile's documents and, when nothing else is left in it, its folder.
    void KillUser();

    void UpdateChannel(const QString &url) override;
    // The counts of these channels from one bank call; each comes back as UpdateChannel's does.
    void UpdateChannels(const QStringList &urls);
    // Every channel shows it waits for its counts, and they all come from one bank call.
    void UpdateAllChannels();
    // The reloads asked for between these two make a round: the counts the channels of the
    // round need after their fetch are asked for in one call when the last of them is back.
    // Rounds may nest.
    void BeginReloadRound();
    void EndReloadRound();
    void ReloadChannel(const QString &url) override;
    RSSChannel *GetChannel(const QString &key) const;
    int GroupCount() const;
    RSSGroup *GetGroup(const QString &key) const;
    RSSGroup *GetGroup(int position) const;
    int ChannelCount() const;
    void AddChannel(const QString &url, const QString &groupName);
    void AddGroup(const QString &name);
    void RenameGroup(const QString &oldName, const QString &newName);
    void DeleteGroup(const QString &key);
    void DeleteChannel(const QString &groupKey, const QString &url);
    // Unsubscribes; refused with a message while the bank still has the channel queued.
    bool RemoveChannel(const QString &url);
    bool IsInGroup(const QString &url) const;
    bool SaveOPML(const QString &path) const;
    qint32 ItemCount();
    void MarkItemRead(const QString &channelURL, const QString &hash, bool flag);
    void MarkItemTag(const QString &channelURL, const QString &hash, bool flag);
    void MarkItemDeleted(const QString &channelURL, const QString &hash, bool flag);
    void MarkAllRead(const QString &channelURL);
    qint32 NewItemsCount();
    void NewItemList();
    // The ticker's order of arguments: the search text comes last.
    void TickerChannelList(
        const QString &url, const QString &filter, const QString &filter2, const QString &search);
    void SubChannelList(const QString &url, const QString &filter, const QString &search);
    // The titles of the channel's newest unread items (at most max), read from the bank at
    // once; neither the ticker nor a viewer hears of the list.
    QStringList UnreadHeadlines(const QString &url, int max);
    bool KillChannel(const QString &url);
    void RemoveExpired(const QString &url, qint32 days) override;
    void ForgetChannel(const QString &url) override { KillChannel(url); }

    colChannels *Channels() const { return m_Channels.get(); }
    colGroups *Groups() const { return RSSGroups.get(); }
    ItemBankProxy *Bank() const { return m_Bank.get(); }
    clsSpotlight *Spotlight() const { return m_Spotlight.get(); }

signals:
    void NewGroup(RSSGroup *group);
    void NewChannel(RSSGroup *group, const QString &url);
    void DelChannel(RSSGroup *group, const QString &url);
    void DelGroup(RSSGroup *group);

private:
    void m_Bank_ChannelLoaded(const QString &url, bool newItems, const QString &newMod);
    void m_Bank_ChannelCounts(const QString &url, qint32 count, qint32 unread);
    void m_Bank_ChannelCountList(const QString &counts);
    void m_Bank_ChannelTimeOut(const QString &url, const QString &reason);
    void m_Bank_ChannelNodeList(const QString &url, const QString &nodeList);
    void m_Bank_ChannelDetails(const QString &url, qint16 index, const QString &value);
    void m_Bank_BankMessage(const QString &text);
    void LoadNode(xml::Node node);
    void ConnectBank();
    // A bank call whose ChannelNodeList answer goes to target (0 ticker, 1 viewer, 2 capture).
    void ListCall(qint16 target, const std::function<void()> &call);
    // The server went away: a fresh one, the bank made again, counts asked for again, the
    // waiting reloads and lost marks sent again and the queue resumed.
    void RestartBank();
    // Asks for the counts the round gathered once none of its channels is still out.
    void FinishReloadRound();
    static QString StylesheetPath();

    // A mark, kept when the server it was meant for went away before it arrived.
    struct PendingMark
    {
        enum Kind { Read, Tag, Delete, AllRead } kind;
        QString key; // item hash; channel address for AllRead
        bool flag;
        bool apply(ItemBankProxy &bank) const;
    };
    void Mark(PendingMark mark);
    std::vector<PendingMark> m_PendingMarks;

    // Set while UpdateAllChannels gathers what the channels ask for.
    std::optional<QStringList> m_CountBatch;
    int m_RoundOpen = 0; // BeginReloadRound calls not yet ended
    QSet<QString> m_RoundWaiting; // channels of the round still fetching
    QSet<QString> m_RoundCounts; // asked for when the round is over

    QString m_Name;
    bool m_Default = false;
    bool m_Offline = false;
    bool m_Active = false;
    qint16 m_NodeListTarget = 0; // 0 ticker, 1 item viewer, 2 UnreadHeadlines
    QString m_CapturedList;
    // List calls waiting for their answer, oldest first.
    struct PendingList
    {
        quint32 id;
        qint16 target;
        bool answered;
    };
    std::vector<PendingList> m_ListCalls;
    quint32 m_ListCallId = 0;
    std::unique_ptr<colChannels> m_Channels;
    std::unique_ptr<ItemBankProxy> m_Bank;
    std::unique_ptr<colGroups> RSSGroups;
    std::unique_ptr<clsSpotlight> m_Spotlight;
};
