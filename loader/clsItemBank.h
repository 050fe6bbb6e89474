#pragma once

#include "CSpanClock.h"
#include "CTarnLoader.h"
#include "ItemStore.h"
#include "QueueSlot.h"
#include "XmlDocument.h"
#include "modItemQuery.h"

#include <QDate>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QStringList>

#include <array>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

// One profile's item bank: the item store ("items.xml" in the profile folder), the
// new-items document, and the merge of fetched channels into the store.
//
// Events are plain signals with value arguments (text, 16- and 32-bit integers, Booleans) so
// the server can carry them to the main program as they are. They are raised synchronously;
// a handler may call back into the bank, and every operation tolerates being entered from
// within its own events.
class clsItemBank : public QObject
{
    Q_OBJECT

public:
    explicit clsItemBank(QObject *parent = nullptr);
    ~clsItemBank() override;

    // sUsername: the profile folder; sXSLfile: the stylesheet fetched channels go through.
    void Init(const QString &sUsername, const QString &sXSLfile);
    // Builds both documents and starts reading the store file.
    void LoadXML();
    // Writes the store to its file through a temporary file; false when that failed (the old
    // file stays as it was; the user hears of it once through BankMessage, and the next save
    // moment tries again) or when there is nothing to write (no Init, a store not read in).
    bool SaveIt();
    // Items in the store, read, tagged and deleted ones included.
    qint32 Count() const;
    qint32 NewItemsCount() const;

    // Lists and counts: answered by ChannelNodeList and ChannelCounts.
    void SubChannelList(const QString &sURL, const QString &FilterCHL = QString(),
        const QString &sSearch = QString(), const QString &Filter2 = QString());
    void UpdateChannel(const QString &sURL);
    // The counts of many channels in one answer (ChannelCountList): sURLs holds one address a
    // line; "" asks for every channel the store has items of.
    void UpdateChannels(const QString &sURLs);
    // The items stored since the last call, then an empty new-items list.
    void NewItemsList();

    // Marks, by item hash; an unknown hash is ignored.
    void MarkItemRead(const QString &sHash, bool bRead = true);
    void MarkItemTagged(const QString &sHash, bool bTag = true);
    void MarkItemDeleted(const QString &sHash, bool bDel = true);
    void MarkAllRead(const QString &sChl);
    // Removes the channel's untagged items older than Days days.
    void RemoveExpired(const QString &Channel, qint32 Days);
    // Removes the channel's undeleted items; false while the channel is queued or fetched.
    bool KillChannel(const QString &sURL);

    // The serialized item list: root "items", the items in the given order.
    QString ItemListXml(const std::vector<QByteArray> &list) const;
    // The day the date filters count from; tests set it.
    void SetToday(QDate today) { m_Today = today; }
    // Saves the store and drops everything; false when the save failed.
    bool UnloadMe();

    // Queues a fetch of the channel, or refreshes the request already queued or running for
    // it. Fetches start one per pacing tick (500 ms), at most three at once, each ended by its
    // report or by the fetch time-out; the store is saved when the queue has run empty.
    // sETag: the entity tag ChannelETag reported for the channel's last document ("": none).
    void LoadChannel(const QString &sURL, const QString &sLastMod, const QString &sTitle,
        qint32 lExpire, const QString &sPubDate, const QString &sETag = QString());
    void PauseQueue();
    void ResumeQueue();

    static constexpr int kLoaders = 3;
    // Merges of documents larger than this give the memory they freed back to the system.
    static constexpr qsizetype kTrimAfterBytes = 1024 * 1024;
    // The longest text one field of a fetched item may keep; longer ones are cut (and logged).
    static constexpr int kMaxFieldChars = 1 << 20;
    static constexpr qint32 kPacingMs = 500;
    static constexpr qint32 kFetchTimeOutMs = 15000;
    // Where the bank's clocks (the fetch time-outs and the queue's pacing) come from; set
    // before Init. Tests hand in clocks whose time they move themselves.
    using ClockFactory = std::function<CSpanClock *(QObject *parent)>;
    void SetClockFactory(ClockFactory factory) { m_MakeClock = std::move(factory); }

    // Merges a fetched, transformed channel document into the store and reports it:
    // ChannelDetails while walking, then ChannelLoaded; ChannelTimeOut when text does not parse
    // (with sReason, the fetcher's word on why there is no document, when it gave one).
    // sNewETag: the entity tag the server sent with the document; ChannelETag reports it
    // before ChannelLoaded when it is not the one the request carried.
    void MergeDelivered(QueueSlot &slot, const QByteArray &text, const QString &sNewMod,
        const QString &sReason = QString(), const QString &sNewETag = QString());

    // Parts of the merge, exposed for the fetch queue and for checks.
    void MergeChannelNode(xml::Node node, QueueSlot &slot);
    bool StoreIfNew(xml::Node item);
    // stored: StoredNode tokens.
    static bool SameItemContent(QByteArrayView stored, xml::Node fresh);
    static bool IsContentField(const QString &name);

    QString StorePath() const;
    // True once the store file has been read (or found missing) and the store can take items.
    bool IsStoreReady() const { return m_StoreReady; }
    // The store as its file would hold it, and parsed into a document (for checks).
    QByteArray StoreText() const;
    std::unique_ptr<xml::Document> StoreSnapshot() const;

signals:
    void ChannelLoaded(const QString &sURL, bool bNewItems, const QString &sNewMod);
    // The channel's document came with another entity tag than the one its request carried
    // ("" when it came with none): the one to hand to the next LoadChannel. Raised just before
    // that fetch's ChannelLoaded.
    void ChannelETag(const QString &sURL, const QString &sETag);
    void ChannelCounts(const QString &sURL, qint32 lCount, qint32 lUnread);
    // The answer to UpdateChannels: a line "count<TAB>unread<TAB>address" for each channel.
    void ChannelCountList(const QString &sCounts);
    // The fetch failed or gave no answer; sReason says why, for the user.
    void ChannelTimeOut(const QString &sURL, const QString &sReason = QString());
    void ChannelNodeList(const QString &sURL, const QString &sNL);
    void ChannelDetails(const QString &sURL, qint16 lIndex, const QString &sValue);
    // A message for the user ("Error parsing items.xml" and where the file went, "HASH ERROR
    // ..."): the main program shows it, so the user hears why items went missing.
    void BankMessage(const QString &sText);

    // In-process only (not carried to the main program): the store file has been read.
    void StoreReady(bool parsed);

private:
    void StoreLoaded(bool parsed, const QString &why);
    void UpgradeStore();
    void StoreItem(xml::Node item, QueueSlot &slot);
    // Cuts fields longer than kMaxFieldChars, so that the store always reads back.
    static void BoundFields(xml::Node item, const QueueSlot &slot);
    void StartEmpty();
    void SetAsideUnusableStore(const QString &why);
    // Tells the user (and the log) that the store could not be used, and where it went.
    void ReportUnusableStore();
    // modHash::ItemHash, telling the user once when it fails.
    QString Hash(const QString &channel, const QString &title, const QString &description,
        const QString &category);
    bool m_HashErrorTold = false;
    bool m_SaveFailing = false;
    bool m_Initialized = false;
    void RemoveStoredItem(ItemStore::Entry *item);
    // Items a query selects; in store order when ordered. nullopt when there is no store.
    std::optional<std::vector<ItemStore::Entry *>> SelectItems(
        const modItemQuery::ItemQuery &query, bool ordered) const;
    // Sets a mark child (read, flag, delete) of the item with that hash.
    void SetMark(const QString &sHash, const char *mark, bool on);
    void SetMark(ItemStore::Entry *item, const char *mark, bool on);
    modItemQuery::ItemQuery Query(const QString &sURL, const QString &FilterCHL = QString(),
        const QString &sSearch = QString(), const QString &Filter2 = QString()) const;
    QDate Today() const { return m_Today.isValid() ? m_Today : QDate::currentDate(); }
    ItemStore::Entry *ItemByHash(const QString &sHash) const;

    std::unique_ptr<ItemStore> m_Store;
    // Items stored since the last new-items list.
    std::vector<QByteArray> m_NewItems;
    bool m_HasNewItemsList = false;
    // Changed since read or last saved: a save with nothing changed writes nothing.
    bool m_Changed = false;
    quint64 m_LoadGeneration = 0;
    QString m_Folder;
    QString m_XSLFile;
    bool m_StoreReady = false;
    // Channels whose counts were asked for while the store was still loading: answered once it
    // is in, since an answer from the empty store would show every channel empty.
    QStringList m_PendingCounts;
    QStringList m_PendingCountLists;
    // Set when a store file that could not be used could not be moved aside either: saving
    // then leaves that file alone rather than write over it.
    bool m_KeepExistingFile = false;
    QString m_SetAsidePath;
    QDate m_Today;
    // The store started empty (no file, an empty one, or one set aside): the stamps the main
    // program holds describe items this store does not have, so each channel's first fetch
    // ignores its stamp and loads the document in full.
    bool m_StampsVoid = false;
    QSet<QString> m_FetchedInFull;
    // The stamp a fetch of the slot's channel compares with the server's.
    QString FetchStamp(const QueueSlot &slot) const;
    // The entity tag a fetch of the slot's channel sends; "" when the stamps are void.
    QString FetchETag(const QueueSlot &slot) const;

    // The fetch queue. Slots keep their place (a deque), so a slot being merged stays valid
    // when a handler queues another channel meanwhile.
    void m_Queue_OnTimer();
    void StartFetch(int k, int slot);
    void URLLoader_XMLReadyStateChange(
        int k, const QByteArray &XDoc, const QString &sNewMod, const QString &sNewETag);
    void URLLoader_NoFileChange(int k);
    void m_TimeOut_OnTimer(int k);
    void EndFetch(int k);
    void DropLoaders();

    std::deque<QueueSlot> m_Slots;
    std::array<QPointer<CTarnLoader>, kLoaders> m_URLLoader;
    std::array<QPointer<CSpanClock>, kLoaders> m_TimeOut;
    std::array<bool, kLoaders> m_Busy {};
    std::array<int, kLoaders> m_SlotOf {};
    QPointer<CSpanClock> m_Queue;
    bool m_Paused = false;
    ClockFactory m_MakeClock = [](QObject *parent) {
        return new CSpanClock(parent);
    };
};
