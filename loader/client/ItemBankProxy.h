#pragma once

#include "IpcMessage.h"

#include <QObject>
#include <QString>

#include <memory>
#include <optional>

#include <QHash>
#include <QPointer>

#include <functional>

class ItemBankProxy;

// What carries the calls of a process's bank proxies and brings their banks' events back: the
// connection to the tarnloader server, or a stand-in that keeps the banks in this process.
class BankLink : public QObject
{
public:
    // The answer to a call (CreateBank and ReleaseBank to the server itself, bank 0); nullopt
    // when it could not be had.
    virtual std::optional<IpcMessage> Request(const IpcMessage &call) = 0;
    virtual bool IsConnected() const = 0;

    void attach(quint32 bank, ItemBankProxy *proxy) { m_Proxies.insert(bank, proxy); }
    void detach(quint32 bank) { m_Proxies.remove(bank); }

protected:
    // An event for the proxy of event.bank, raised there before this returns.
    void Deliver(const IpcMessage &event);
    // The link is gone: every proxy hears ServerLost.
    void Lost();

private:
    QHash<quint32, QPointer<ItemBankProxy>> m_Proxies;
};

// The main program's handle on one item bank in the tarnloader server: the bank's
// operations as synchronous calls and its events as signals, raised while the server
// waits, so handlers may call back into the bank.
//
// Operations without a result return whether the call reached the bank and completed; those
// with one return 0 or false when it did not. Once the server is gone every call fails at once
// and ServerLost has been raised; a new Create() starts a fresh server.
class ItemBankProxy : public QObject
{
    Q_OBJECT

public:
    // Creates a bank, starting the server when none runs. nullptr (and error) when the server
    // cannot be reached.
    static std::unique_ptr<ItemBankProxy> Create(QString *error = nullptr);
    // Releases the bank: the server unloads it if that has not been done.
    ~ItemBankProxy() override;

    bool isAlive() const;

    bool LoadXML();
    bool RemoveExpired(const QString &Channel, qint32 Days);
    bool Init(const QString &sUsername, const QString &sXSLfile);
    bool KillChannel(const QString &sURL);
    bool SubChannelList(const QString &sURL, const QString &FilterCHL = QString(),
        const QString &sSearch = QString(), const QString &Filter2 = QString());
    qint32 Count();
    bool MarkAllRead(const QString &sChl);
    bool UpdateChannel(const QString &sURL);
    // The counts of many channels (one address a line) in one call, answered by
    // ChannelCountList. A server of an older build refuses the call: each channel is then asked
    // for on its own and answered by ChannelCounts. A long list goes in several calls, each
    // with its own answer.
    bool UpdateChannels(const QString &sURLs);
    // sETag: the entity tag ChannelETag last reported for the channel ("": none).
    bool LoadChannel(const QString &sURL, const QString &sLastMod, const QString &sTitle,
        qint32 lExpire, const QString &sPubDate, const QString &sETag = QString());
    bool NewItemsList();
    qint32 NewItemsCount();
    bool MarkItemRead(const QString &sHash, bool bRead = true);
    bool MarkItemDeleted(const QString &sHash, bool bDel = true);
    bool MarkItemTagged(const QString &sHash, bool bTag = true);
    // Whether the store was written (false also when the server could not be reached).
    bool SaveIt();
    bool UnloadMe();
    bool PauseQueue();
    bool ResumeQueue();

    // Where new banks are made from now on: links the factory returns (a bank in this process,
    // for tests) instead of the server; an empty factory goes back to the server.
    static void UseLink(std::function<std::shared_ptr<BankLink>()> factory);

    // Where the server program is looked for: $TARNLOADER_PATH, then beside this program,
    // then on the PATH.
    static QString ServerProgram();

signals:
    void ChannelLoaded(const QString &sURL, bool bNewItems, const QString &sNewMod);
    // The entity tag to send with the channel's next LoadChannel; comes just before the
    // fetch's ChannelLoaded (never from a server of an older build).
    void ChannelETag(const QString &sURL, const QString &sETag);
    void ChannelCounts(const QString &sURL, qint32 lCount, qint32 lUnread);
    // The answer to UpdateChannels: a line "count<TAB>unread<TAB>address" for each channel.
    void ChannelCountList(const QString &sCounts);
    // sReason: why the fetch failed, for the user (empty from an older server).
    void ChannelTimeOut(const QString &sURL, const QString &sReason = QString());
    void ChannelNodeList(const QString &sURL, const QString &sNL);
    void ChannelDetails(const QString &sURL, qint16 lIndex, const QString &sValue);
    // A message the bank has for the user (a store that could not be read, and where it went).
    void BankMessage(const QString &sText);
    void ServerLost();

private:
    friend class BankLink;
    ItemBankProxy(std::shared_ptr<BankLink> link, quint32 bank);
    std::optional<QVariant> Call(const char *name, QVariantList args);
    bool Done(const char *name, QVariantList args)
    {
        return Call(name, std::move(args)).has_value();
    }
    void RaiseEvent(const IpcMessage &event);

    std::shared_ptr<BankLink> m_Link;
    quint32 m_Bank;
};
