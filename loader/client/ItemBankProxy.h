#pragma once

#include "IpcMessage.h"

#include <QObject>
#include <QString>

#include <memory>
#include <optional>

class ServerLink;

// The main program's handle on one item bank in the tarnloader server: the bank's eighteen
// operations as synchronous calls and its five events as signals, raised while the server
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
    bool LoadChannel(const QString &sURL, const QString &sLastMod, const QString &sTitle,
        qint32 lExpire, const QString &sPubDate);
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

    // Where the server program is looked for: $TARNLOADER_PATH, then beside this program,
    // then on the PATH.
    static QString ServerProgram();

signals:
    void ChannelLoaded(const QString &sURL, bool bNewItems, const QString &sNewMod);
    void ChannelCounts(const QString &sURL, qint32 lCount, qint32 lUnread);
    void ChannelTimeOut(const QString &sURL);
    void ChannelNodeList(const QString &sURL, const QString &sNL);
    void ChannelDetails(const QString &sURL, qint16 lIndex, const QString &sValue);
    // A message the bank has for the user (a store that could not be read, and where it went).
    void BankMessage(const QString &sText);
    void ServerLost();

private:
    friend class ServerLink;
    ItemBankProxy(std::shared_ptr<ServerLink> link, quint32 bank);
    std::optional<QVariant> Call(const char *name, QVariantList args);
    bool Done(const char *name, QVariantList args)
    {
        return Call(name, std::move(args)).has_value();
    }
    void RaiseEvent(const IpcMessage &event);

    std::shared_ptr<ServerLink> m_Link;
    quint32 m_Bank;
};
