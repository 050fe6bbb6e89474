#pragma once

#include "IpcConnection.h"

#include <QHash>
#include <QLocalServer>
#include <QObject>

#include <memory>
#include <vector>

class clsItemBank;

// Serves item banks to clients on the user's private local socket. A client creates banks
// ("CreateBank" gives an id), calls their operations by name and receives their events; a
// call made while the client handles an event is served at once, inside the operation that
// raised it.
//
// A released bank is unloaded (its store saved) and kept inert until the server ends, so no
// bank object ever disappears under one of its own operations. When a client goes away its
// banks are unloaded the same way; when the last client has gone the server is finished.
class BankServer : public QObject
{
    Q_OBJECT

public:
    explicit BankServer(QObject *parent = nullptr);
    ~BankServer() override;

    // Removes a stale socket and listens, private to the user. error says why it failed.
    bool listen(const QString &socketPath, QString *error);

signals:
    // No client is left (or none came).
    void finished();

private:
    struct Client;
    void onNewConnection();
    void onCall(Client *client, const IpcMessage &call);
    void clientGone(Client *client);
    void releaseBank(Client *client, quint32 id);
    clsItemBank *createBank(Client *client, quint32 *id);

    QLocalServer m_Server;
    std::vector<std::unique_ptr<Client>> m_Clients;
    std::vector<std::unique_ptr<Client>> m_Departed; // gone, freed from the event loop
    std::vector<std::unique_ptr<clsItemBank>> m_Retired; // released, inert, freed at the end
    quint32 m_NextBank = 0;
    bool m_HadClient = false;
};
