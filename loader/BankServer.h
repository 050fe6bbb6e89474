#pragma once

#include "IpcConnection.h"

#include <QHash>
#include <QLocalServer>
#include <QObject>
#include <QTimer>

#include <memory>
#include <vector>

class clsItemBank;

// Serves item banks to clients on the user's private local socket. A client creates banks
// ("CreateBank" gives an id), calls their operations by name and receives their events; a
// call made while the client handles an event is served at once, inside the operation that
// raised it.
//
// One bank serves one profile folder: a client whose Init names a folder that another client
// has open joins that bank (two programs on one profile never write over each other's store).
// Events go to every client of the bank, except the answers to a call (counts, item lists),
// which go to the caller. The bank is unloaded (saved) when its last client unloads or leaves,
// and kept inert until the server ends, so no bank disappears under one of its own operations.
//
// No client can hold the others: a client that leaves an event unanswered for kEventWaitMs is
// no longer waited for until it answers again; frames over IpcMessage::kMaxClientFrame and
// connections beyond kMaxClients are refused; the server goes on listening whatever happens
// to its socket.
class BankServer : public QObject
{
    Q_OBJECT

public:
    static constexpr int kMaxClients = 64;
    static constexpr int kEventWaitMs = 1500;

    explicit BankServer(QObject *parent = nullptr);
    ~BankServer() override;

    // Removes a stale socket and listens, private to the user. error says why it failed.
    bool listen(const QString &socketPath, QString *error);

signals:
    // No client is left (or none came).
    void finished();

private:
    struct Client;
    struct SharedBank;

    void onNewConnection();
    void onCall(Client *client, const IpcMessage &call);
    void serve(Client *client, quint32 id, SharedBank *shared, const IpcMessage &call);
    void clientGone(Client *client);
    void releaseBank(Client *client, quint32 id);
    SharedBank *createBank(Client *client, quint32 *id);
    // Init of a bank not yet set up: true when the client joined the bank that already serves
    // that folder (and the call is answered).
    bool joinOpenBank(Client *client, quint32 id, SharedBank *fresh, const IpcMessage &call);
    void raise(SharedBank *shared, const char *name, QVariantList args, bool toCaller);
    void retire(SharedBank *shared);
    bool isLive(const Client *client) const;
    void reapDeparted();
    void keepListening();

    QLocalServer m_Server;
    QString m_SocketPath;
    QTimer m_Watch;
    std::vector<std::unique_ptr<Client>> m_Clients;
    std::vector<std::unique_ptr<Client>> m_Departed; // gone, freed from the outermost event loop
    std::vector<std::unique_ptr<SharedBank>> m_Banks;
    std::vector<std::unique_ptr<SharedBank>> m_Retired; // unloaded, inert, freed at the end
    quint32 m_NextBank = 0;
    bool m_HadClient = false;
};
