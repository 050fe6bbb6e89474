#include "BankServer.h"

#include "BankOperations.h"

#include "LoaderLog.h"
#include "clsItemBank.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QPointer>
#include <QThread>
#include <QTimer>

#include <algorithm>

#include <functional>

struct BankServer::Client
{
    QPointer<IpcConnection> link;
    QHash<quint32, SharedBank *> banks; // the client's bank ids
    bool slow = false; // left an event unanswered: not waited for until it answers again
};

struct BankServer::SharedBank
{
    std::unique_ptr<clsItemBank> bank;
    QString folder; // the profile folder, once set up
    bool unloaded = false;
    struct User
    {
        Client *client;
        quint32 id;
        bool unloaded = false;
    };
    std::vector<User> users;
    // Whose calls are being served now, innermost last: the answers to a call go to its caller.
    std::vector<std::pair<Client *, quint32>> callers;
};

namespace {

IpcMessage failure(const QString &why)
{
    IpcMessage reply;
    reply.ok = false;
    reply.error = why;
    return reply;
}

} // namespace

BankServer::BankServer(QObject *parent) : QObject(parent)
{
    connect(&m_Server, &QLocalServer::newConnection, this, &BankServer::onNewConnection);
    // A server nobody connects to does not linger.
    QTimer::singleShot(30000, this, [this] {
        if (!m_HadClient)
            emit finished();
    });
    // The socket can be closed under the server (no descriptor left to accept with, the file
    // removed): it listens again.
    m_Watch.setInterval(1000);
    connect(&m_Watch, &QTimer::timeout, this, &BankServer::keepListening);
}

BankServer::~BankServer()
{
    for (auto &shared : m_Banks)
        shared->bank->disconnect(this);
}

bool BankServer::listen(const QString &socketPath, QString *error)
{
    if (socketPath.isEmpty()) {
        *error = QStringLiteral("no private folder for the socket");
        return false;
    }
    m_SocketPath = socketPath;
    QLocalServer::removeServer(socketPath); // a stale socket of a server that died
    m_Server.setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_Server.listen(socketPath)) {
        *error = m_Server.errorString();
        return false;
    }
    QFile::setPermissions(socketPath, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    m_Watch.start();
    return true;
}

void BankServer::keepListening()
{
    if (m_Server.isListening() && QFileInfo::exists(m_SocketPath))
        return;
    m_Server.close();
    QString error;
    if (!listen(m_SocketPath, &error))
        qCWarning(lcServer).noquote() << "tarnloader: cannot listen again:" << error;
}

bool BankServer::isLive(const Client *client) const
{
    return std::any_of(
        m_Clients.begin(), m_Clients.end(), [client](const auto &c) { return c.get() == client; });
}

void BankServer::onNewConnection()
{
    while (QLocalSocket *socket = m_Server.nextPendingConnection()) {
        if (m_Clients.size() >= size_t(kMaxClients)) {
            // Enough: one client more would only take descriptors the others need.
            socket->abort();
            socket->deleteLater();
            continue;
        }
        m_HadClient = true;
        auto client = std::make_unique<Client>();
        Client *c = client.get();
        c->link = new IpcConnection(socket, this, IpcMessage::kMaxClientFrame);
        connect(c->link, &IpcConnection::received, this, [this, c](const IpcMessage &m) {
            if (m.kind == IpcMessage::Call)
                onCall(c, m);
            else
                c->link->answer(m); // clients raise no events
        });
        // A client that answers again is waited for again.
        connect(c->link, &IpcConnection::lateAnswer, this, [c] { c->slow = false; });
        connect(c->link, &IpcConnection::disconnected, this, [this, c] { clientGone(c); });
        m_Clients.push_back(std::move(client));
    }
}

BankServer::SharedBank *BankServer::createBank(Client *client, quint32 *id)
{
    auto shared = std::make_unique<SharedBank>();
    SharedBank *s = shared.get();
    s->bank = std::make_unique<clsItemBank>();
    *id = ++m_NextBank;
    s->users.push_back({client, *id});
    client->banks.insert(*id, s);
    clsItemBank *bank = s->bank.get();
    BankOperations::ForwardEvents(
        bank, this, [this, s](const char *name, const QVariantList &args, bool toCaller) {
            raise(s, name, args, toCaller);
        });
    m_Banks.push_back(std::move(shared));
    return s;
}

void BankServer::raise(SharedBank *shared, const char *name, QVariantList args, bool toCaller)
{
    // Events go to each client of the bank and wait for its handlers, as calls would; the
    // answer to a call goes to its caller alone.
    std::vector<std::pair<Client *, quint32>> to;
    if (toCaller && !shared->callers.empty()) {
        to.push_back(shared->callers.back());
    } else {
        for (const auto &user : shared->users)
            to.emplace_back(user.client, user.id);
    }
    for (const auto &[client, id] : to) {
        if (!isLive(client) || !client->link)
            continue;
        IpcMessage event;
        event.kind = IpcMessage::Event;
        event.bank = id;
        event.name = QLatin1String(name);
        event.args = args;
        if (client->slow) {
            client->link->post(event);
            continue;
        }
        bool timedOut = false;
        client->link->request(event, kEventWaitMs, &timedOut);
        if (timedOut && isLive(client))
            client->slow = true;
    }
}

void BankServer::retire(SharedBank *shared)
{
    shared->bank->disconnect(this);
    const auto it = std::find_if(
        m_Banks.begin(), m_Banks.end(), [shared](const auto &b) { return b.get() == shared; });
    if (it != m_Banks.end()) {
        m_Retired.push_back(std::move(*it));
        m_Banks.erase(it);
    }
}

void BankServer::releaseBank(Client *client, quint32 id)
{
    SharedBank *shared = client->banks.take(id);
    if (!shared)
        return;
    auto &users = shared->users;
    users.erase(std::remove_if(users.begin(), users.end(),
                    [&](const SharedBank::User &u) { return u.client == client && u.id == id; }),
        users.end());
    if (!users.empty())
        return;
    if (!shared->unloaded) {
        shared->unloaded = true;
        shared->bank->UnloadMe(); // saves
    }
    retire(shared);
}

bool BankServer::joinOpenBank(Client *client, quint32 id, SharedBank *fresh, const IpcMessage &call)
{
    QFileInfo info(call.args.value(0).toString());
    const QString folder =
        info.exists() ? info.canonicalFilePath() : QDir::cleanPath(info.absoluteFilePath());
    const auto open = std::find_if(m_Banks.begin(), m_Banks.end(), [&](const auto &b) {
        return b.get() != fresh && !b->unloaded && !b->folder.isEmpty() && b->folder == folder;
    });
    if (open == m_Banks.end()) {
        fresh->folder = folder;
        return false;
    }
    SharedBank *shared = open->get();
    shared->users.push_back({client, id});
    client->banks.insert(id, shared);
    // The bank made for this client was never set up: it goes.
    fresh->users.clear();
    fresh->unloaded = true;
    retire(fresh);
    client->link->answer(call);
    return true;
}

void BankServer::onCall(Client *client, const IpcMessage &call)
{
    IpcConnection *link = client->link;
    if (call.bank == 0) {
        if (call.name == QLatin1String("CreateBank") && call.args.isEmpty()) {
            quint32 id = 0;
            createBank(client, &id);
            IpcMessage reply;
            reply.result = qint32(id);
            link->answer(call, reply);
        } else if (call.name == QLatin1String("ReleaseBank") && call.args.size() == 1
            && call.args[0].typeId() == QMetaType::Int) {
            releaseBank(client, quint32(call.args[0].toInt()));
            link->answer(call);
        } else {
            link->answer(call, failure(QStringLiteral("no such server call: ") + call.name));
        }
        return;
    }
    SharedBank *shared = client->banks.value(call.bank);
    const auto op = BankOperations::Table().constFind(call.name);
    if (!shared || op == BankOperations::Table().cend()) {
        link->answer(call, failure(QStringLiteral("no such bank or operation: ") + call.name));
        return;
    }
    if (!BankOperations::ArgumentsFit(op->types, call.args)) {
        link->answer(call, failure(QStringLiteral("wrong arguments for ") + call.name));
        return;
    }
    serve(client, call.bank, shared, call);
}

void BankServer::serve(Client *client, quint32 id, SharedBank *shared, const IpcMessage &call)
{
    const QPointer<IpcConnection> link = client->link;
    if (call.name == QLatin1String("Init") && shared->folder.isEmpty()
        && joinOpenBank(client, id, shared, call))
        return;
    IpcMessage reply;
    if (call.name == QLatin1String("UnloadMe")) {
        // The bank goes when its last client is done with it; until then this one only saves.
        for (auto &user : shared->users)
            if (user.client == client && user.id == id)
                user.unloaded = true;
        const bool others = std::any_of(shared->users.begin(), shared->users.end(),
            [](const SharedBank::User &u) { return !u.unloaded; });
        if (others) {
            reply.result = shared->bank->SaveIt();
        } else {
            shared->unloaded = true;
            reply.result = shared->bank->UnloadMe();
        }
        if (link)
            link->answer(call, reply);
        return;
    }
    shared->callers.emplace_back(client, id);
    reply.result = BankOperations::Table().value(call.name).run(*shared->bank, call.args);
    shared->callers.pop_back();
    if (link)
        link->answer(call, reply);
}

void BankServer::clientGone(Client *client)
{
    // Nothing a client had open is lost with it: its stores are saved (when it was their
    // last client).
    for (const quint32 id : client->banks.keys())
        releaseBank(client, id);
    if (client->link)
        client->link->deleteLater();
    const auto it = std::find_if(
        m_Clients.begin(), m_Clients.end(), [client](const auto &c) { return c.get() == client; });
    if (it != m_Clients.end()) {
        // This may run inside one of the client's own frames, or inside a wait for it further
        // down: it is freed from the outermost event loop.
        m_Departed.push_back(std::move(*it));
        m_Clients.erase(it);
        QTimer::singleShot(0, this, &BankServer::reapDeparted);
    }
    if (m_Clients.empty())
        emit finished();
}

void BankServer::reapDeparted()
{
    if (QThread::currentThread()->loopLevel() > 1) {
        QTimer::singleShot(50, this, &BankServer::reapDeparted);
        return;
    }
    m_Departed.clear();
}
