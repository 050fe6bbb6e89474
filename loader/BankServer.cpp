#include "BankServer.h"

#include "clsItemBank.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFile>
#include <QLocalSocket>
#include <QTimer>

#include <functional>

struct BankServer::Client
{
    IpcConnection *link = nullptr;
    QHash<quint32, clsItemBank *> banks;
};

namespace {

// Argument types of an operation: S text, I 32-bit, B Boolean; those after '|' are optional.
struct Operation
{
    const char *types;
    std::function<QVariant(clsItemBank &, const QVariantList &)> run;
};

QString text(const QVariantList &a, int i, const QString &fallback = QString())
{
    return i < a.size() ? a[i].toString() : fallback;
}

bool flag(const QVariantList &a, int i)
{
    return i < a.size() ? a[i].toBool() : true;
}

const QHash<QString, Operation> &operations()
{
    using A = const QVariantList &;
    static const QHash<QString, Operation> table = {
        {"LoadXML", {"", [](clsItemBank &b, A) { b.LoadXML(); return QVariant(); }}},
        {"RemoveExpired", {"SI", [](clsItemBank &b, A a) {
             b.RemoveExpired(text(a, 0), a[1].toInt());
             return QVariant();
         }}},
        {"Init", {"SS", [](clsItemBank &b, A a) { b.Init(text(a, 0), text(a, 1)); return QVariant(); }}},
        {"KillChannel", {"S", [](clsItemBank &b, A a) { return QVariant(b.KillChannel(text(a, 0))); }}},
        {"SubChannelList", {"S|SSS", [](clsItemBank &b, A a) {
             b.SubChannelList(text(a, 0), text(a, 1), text(a, 2), text(a, 3));
             return QVariant();
         }}},
        {"Count", {"", [](clsItemBank &b, A) { return QVariant(qint32(b.Count())); }}},
        {"MarkAllRead", {"S", [](clsItemBank &b, A a) { b.MarkAllRead(text(a, 0)); return QVariant(); }}},
        {"UpdateChannel", {"S", [](clsItemBank &b, A a) { b.UpdateChannel(text(a, 0)); return QVariant(); }}},
        {"LoadChannel", {"SSSIS", [](clsItemBank &b, A a) {
             b.LoadChannel(text(a, 0), text(a, 1), text(a, 2), a[3].toInt(), text(a, 4));
             return QVariant();
         }}},
        {"NewItemsList", {"", [](clsItemBank &b, A) { b.NewItemsList(); return QVariant(); }}},
        {"NewItemsCount", {"", [](clsItemBank &b, A) { return QVariant(qint32(b.NewItemsCount())); }}},
        {"MarkItemRead", {"S|B", [](clsItemBank &b, A a) { b.MarkItemRead(text(a, 0), flag(a, 1)); return QVariant(); }}},
        {"MarkItemDeleted", {"S|B", [](clsItemBank &b, A a) { b.MarkItemDeleted(text(a, 0), flag(a, 1)); return QVariant(); }}},
        {"MarkItemTagged", {"S|B", [](clsItemBank &b, A a) { b.MarkItemTagged(text(a, 0), flag(a, 1)); return QVariant(); }}},
        {"SaveIt", {"", [](clsItemBank &b, A) { b.SaveIt(); return QVariant(); }}},
        {"UnloadMe", {"", [](clsItemBank &b, A) { b.UnloadMe(); return QVariant(); }}},
        {"PauseQueue", {"", [](clsItemBank &b, A) { b.PauseQueue(); return QVariant(); }}},
        {"ResumeQueue", {"", [](clsItemBank &b, A) { b.ResumeQueue(); return QVariant(); }}},
    };
    return table;
}

bool argumentsFit(const char *types, const QVariantList &args)
{
    int position = 0;
    int required = -1;
    for (const char *t = types; *t; ++t) {
        if (*t == '|') {
            required = position;
            continue;
        }
        if (position < args.size()) {
            const int id = args[position].typeId();
            const bool fits = (*t == 'S' && id == QMetaType::QString)
                || (*t == 'I' && id == QMetaType::Int) || (*t == 'B' && id == QMetaType::Bool);
            if (!fits)
                return false;
        }
        ++position;
    }
    if (required < 0)
        required = position;
    return args.size() >= required && args.size() <= position;
}

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
}

BankServer::~BankServer()
{
    for (auto &client : m_Clients) {
        for (clsItemBank *bank : std::as_const(client->banks))
            m_Retired.emplace_back(bank);
        client->banks.clear();
    }
}

bool BankServer::listen(const QString &socketPath, QString *error)
{
    if (socketPath.isEmpty()) {
        *error = QStringLiteral("no private folder for the socket");
        return false;
    }
    QLocalServer::removeServer(socketPath); // a stale socket of a server that died
    m_Server.setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_Server.listen(socketPath)) {
        *error = m_Server.errorString();
        return false;
    }
    QFile::setPermissions(socketPath, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return true;
}

void BankServer::onNewConnection()
{
    while (QLocalSocket *socket = m_Server.nextPendingConnection()) {
        m_HadClient = true;
        auto client = std::make_unique<Client>();
        Client *c = client.get();
        c->link = new IpcConnection(socket, this);
        connect(c->link, &IpcConnection::received, this, [this, c](const IpcMessage &m) {
            if (m.kind == IpcMessage::Call)
                onCall(c, m);
            else
                c->link->answer(m); // clients raise no events
        });
        connect(c->link, &IpcConnection::disconnected, this, [this, c] { clientGone(c); });
        m_Clients.push_back(std::move(client));
    }
}

clsItemBank *BankServer::createBank(Client *client, quint32 *id)
{
    auto *bank = new clsItemBank(this);
    *id = ++m_NextBank;
    client->banks.insert(*id, bank);
    IpcConnection *link = client->link;
    const quint32 bankId = *id;
    // Events go to the client and wait for its handlers, as calls would.
    auto forward = [link, bankId](const char *name, QVariantList args) {
        IpcMessage event;
        event.kind = IpcMessage::Event;
        event.bank = bankId;
        event.name = QLatin1String(name);
        event.args = std::move(args);
        link->request(event);
    };
    connect(bank, &clsItemBank::ChannelLoaded, link,
            [forward](const QString &url, bool fresh, const QString &mod) {
                forward("ChannelLoaded", {url, fresh, mod});
            });
    connect(bank, &clsItemBank::ChannelCounts, link,
            [forward](const QString &url, qint32 count, qint32 unread) {
                forward("ChannelCounts", {url, count, unread});
            });
    connect(bank, &clsItemBank::ChannelTimeOut, link,
            [forward](const QString &url) { forward("ChannelTimeOut", {url}); });
    connect(bank, &clsItemBank::ChannelNodeList, link,
            [forward](const QString &url, const QString &list) {
                forward("ChannelNodeList", {url, list});
            });
    connect(bank, &clsItemBank::ChannelDetails, link,
            [forward](const QString &url, qint16 index, const QString &value) {
                forward("ChannelDetails", {url, QVariant::fromValue(index), value});
            });
    connect(bank, &clsItemBank::BankMessage, link,
            [forward](const QString &text) { forward("BankMessage", {text}); });
    return bank;
}

void BankServer::releaseBank(Client *client, quint32 id)
{
    clsItemBank *bank = client->banks.take(id);
    if (!bank)
        return;
    bank->disconnect(client->link);
    bank->UnloadMe(); // saves; a second UnloadMe after the client's own changes nothing
    m_Retired.emplace_back(bank);
    bank->setParent(nullptr);
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
    clsItemBank *bank = client->banks.value(call.bank);
    const auto op = operations().constFind(call.name);
    if (!bank || op == operations().cend()) {
        link->answer(call, failure(QStringLiteral("no such bank or operation: ") + call.name));
        return;
    }
    if (!argumentsFit(op->types, call.args)) {
        link->answer(call, failure(QStringLiteral("wrong arguments for ") + call.name));
        return;
    }
    IpcMessage reply;
    reply.result = op->run(*bank, call.args);
    link->answer(call, reply);
}

void BankServer::clientGone(Client *client)
{
    // Nothing a client had open is lost with it: its stores are saved.
    for (const quint32 id : client->banks.keys())
        releaseBank(client, id);
    client->link->deleteLater();
    const auto it = std::find_if(m_Clients.begin(), m_Clients.end(),
                                 [client](const auto &c) { return c.get() == client; });
    if (it != m_Clients.end()) {
        // Freed from the event loop, since this may run inside one of the client's own frames;
        // whatever is still waiting then goes with the server.
        m_Departed.push_back(std::move(*it));
        m_Clients.erase(it);
        QTimer::singleShot(0, this, [this] { m_Departed.clear(); });
    }
    if (m_Clients.empty())
        emit finished();
}
