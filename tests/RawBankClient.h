#pragma once

// A client of the bank server on a connection of its own, below ItemBankProxy: it decides
// itself whether and when to answer the events it receives (tests and benchmarks of greedy or
// silent clients).
#include "IpcConnection.h"

#include <QLocalSocket>

#include <optional>

struct RawBankClient
{
    IpcConnection *link = nullptr;
    qint32 bank = 0;

    ~RawBankClient() { delete link; }

    // Connects to the server of the session folder runtime and creates a bank; answerEvents
    // false leaves every event unanswered.
    bool Open(const QString &runtime, bool answerEvents = true)
    {
        auto *socket = new QLocalSocket;
        socket->connectToServer(runtime + QStringLiteral("/tarnwick/tarnloader.sock"));
        if (!socket->waitForConnected(5000)) {
            delete socket;
            return false;
        }
        link = new IpcConnection(socket);
        if (answerEvents)
            QObject::connect(link, &IpcConnection::received, link,
                [l = link](const IpcMessage &m) { l->answer(m); });
        IpcMessage create;
        create.name = QStringLiteral("CreateBank");
        const auto created = link->request(create);
        if (!created || !created->ok)
            return false;
        bank = created->result.toInt();
        return true;
    }
    std::optional<IpcMessage> Call(const char *name, QVariantList args = {})
    {
        IpcMessage call;
        call.bank = quint32(bank);
        call.name = QLatin1String(name);
        call.args = std::move(args);
        return link->request(call);
    }
};
