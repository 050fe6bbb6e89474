#include "ItemBankProxy.h"

#include "IpcConnection.h"
#include "IpcPaths.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QHash>
#include <QLocalSocket>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

void BankLink::Deliver(const IpcMessage &event)
{
    if (ItemBankProxy *proxy = m_Proxies.value(event.bank))
        proxy->RaiseEvent(event);
}

void BankLink::Lost()
{
    const auto proxies = m_Proxies;
    for (const QPointer<ItemBankProxy> &proxy : proxies) {
        if (proxy)
            emit proxy->ServerLost();
    }
}

// The process's one connection to the server, shared by its bank proxies and closed with the
// last of them.
class ServerLink : public BankLink
{
public:
    static std::shared_ptr<ServerLink> Get(QString *error);

    std::optional<IpcMessage> Request(const IpcMessage &call) override
    {
        return m_Connection->request(call);
    }
    bool IsConnected() const override { return m_Connection->isConnected(); }

private:
    explicit ServerLink(QLocalSocket *socket);

    IpcConnection *m_Connection;
};

namespace {

std::weak_ptr<ServerLink> &current()
{
    static std::weak_ptr<ServerLink> link;
    return link;
}

std::function<std::shared_ptr<BankLink>()> &linkFactory()
{
    static std::function<std::shared_ptr<BankLink>()> factory;
    return factory;
}

QLocalSocket *connectTo(const QString &path)
{
    auto *socket = new QLocalSocket;
    socket->connectToServer(path);
    if (socket->waitForConnected(1000))
        return socket;
    delete socket;
    return nullptr;
}

} // namespace

ServerLink::ServerLink(QLocalSocket *socket) : m_Connection(new IpcConnection(socket, this))
{
    connect(m_Connection, &IpcConnection::received, this, [this](const IpcMessage &m) {
        if (m.kind != IpcMessage::Event) {
            m_Connection->answer(m, IpcMessage()); // the main program serves no calls
            return;
        }
        Deliver(m);
        m_Connection->answer(m); // the handlers have returned
    });
    connect(m_Connection, &IpcConnection::disconnected, this, [this] { Lost(); });
}

std::shared_ptr<ServerLink> ServerLink::Get(QString *error)
{
    if (auto link = current().lock(); link && link->IsConnected())
        return link;
    const QString path = IpcPaths::ServerSocket();
    if (path.isEmpty()) {
        *error = QStringLiteral("no private runtime folder for the item bank server");
        return nullptr;
    }
    QLocalSocket *socket = connectTo(path);
    if (!socket) {
        // None runs: start one and give it a few seconds to listen.
        const QString program = ItemBankProxy::ServerProgram();
        if (!QProcess::startDetached(program, {})) {
            *error = QStringLiteral("cannot start the item bank server %1").arg(program);
            return nullptr;
        }
        // One still on its way out holds the lock a moment longer, and the one started here
        // leaves at once: start another each second until one listens.
        const QDeadlineTimer deadline(10000);
        QDeadlineTimer again(1000);
        while (!socket && !deadline.hasExpired()) {
            QThread::msleep(20);
            socket = connectTo(path);
            if (!socket && again.hasExpired()) {
                QProcess::startDetached(program, {});
                again.setRemainingTime(1000);
            }
        }
        if (!socket) {
            *error = QStringLiteral("the item bank server %1 does not answer").arg(program);
            return nullptr;
        }
    }
    std::shared_ptr<ServerLink> link(new ServerLink(socket));
    current() = link;
    return link;
}

QString ItemBankProxy::ServerProgram()
{
    const QString configured = qEnvironmentVariable("TARNLOADER_PATH");
    if (!configured.isEmpty())
        return configured;
    const QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/tarnloader");
    if (QFileInfo(beside).isExecutable())
        return beside;
    const QString found = QStandardPaths::findExecutable(QStringLiteral("tarnloader"));
    return found.isEmpty() ? QStringLiteral("tarnloader") : found;
}

std::unique_ptr<ItemBankProxy> ItemBankProxy::Create(QString *error)
{
    QString why;
    // A server that is just dying may still take a connection and then drop it: try again,
    // which finds no server and starts a fresh one.
    for (int attempt = 0; attempt < 3; ++attempt) {
        std::shared_ptr<BankLink> link;
        if (linkFactory())
            link = linkFactory()();
        else
            link = ServerLink::Get(&why);
        if (!link)
            break;
        IpcMessage call;
        call.name = QStringLiteral("CreateBank");
        const auto reply = link->Request(call);
        if (reply && reply->ok && reply->result.typeId() == QMetaType::Int)
            return std::unique_ptr<ItemBankProxy>(
                new ItemBankProxy(link, quint32(reply->result.toInt())));
        why = reply ? reply->error : QStringLiteral("the item bank server went away");
        if (reply)
            break; // it answered, and said no
    }
    if (error)
        *error = why;
    return nullptr;
}

void ItemBankProxy::UseLink(std::function<std::shared_ptr<BankLink>()> factory)
{
    linkFactory() = std::move(factory);
}

ItemBankProxy::ItemBankProxy(std::shared_ptr<BankLink> link, quint32 bank)
    : m_Link(std::move(link)), m_Bank(bank)
{
    m_Link->attach(m_Bank, this);
}

ItemBankProxy::~ItemBankProxy()
{
    m_Link->detach(m_Bank);
    if (m_Link->IsConnected()) {
        IpcMessage call;
        call.name = QStringLiteral("ReleaseBank");
        call.args = {qint32(m_Bank)};
        m_Link->Request(call);
    }
}

bool ItemBankProxy::isAlive() const
{
    return m_Link->IsConnected();
}

std::optional<QVariant> ItemBankProxy::Call(const char *name, QVariantList args)
{
    IpcMessage call;
    call.bank = m_Bank;
    call.name = QLatin1String(name);
    call.args = std::move(args);
    const auto reply = m_Link->Request(call);
    if (!reply || !reply->ok)
        return std::nullopt;
    return reply->result;
}

void ItemBankProxy::RaiseEvent(const IpcMessage &e)
{
    const QVariantList &a = e.args;
    auto s = [&](int i) {
        return i < a.size() ? a[i].toString() : QString();
    };
    if (e.name == QLatin1String("ChannelLoaded") && a.size() == 3)
        emit ChannelLoaded(s(0), a[1].toBool(), s(2));
    else if (e.name == QLatin1String("ChannelETag") && a.size() == 2)
        emit ChannelETag(s(0), s(1));
    else if (e.name == QLatin1String("ChannelCounts") && a.size() == 3)
        emit ChannelCounts(s(0), a[1].toInt(), a[2].toInt());
    else if (e.name == QLatin1String("ChannelCountList") && a.size() == 1)
        emit ChannelCountList(s(0));
    else if (e.name == QLatin1String("ChannelTimeOut") && (a.size() == 1 || a.size() == 2))
        emit ChannelTimeOut(s(0), s(1)); // a server of an older build sends no reason
    else if (e.name == QLatin1String("ChannelNodeList") && a.size() == 2)
        emit ChannelNodeList(s(0), s(1));
    else if (e.name == QLatin1String("ChannelDetails") && a.size() == 3)
        emit ChannelDetails(s(0), a[1].value<qint16>(), s(2));
    else if (e.name == QLatin1String("BankMessage") && a.size() == 1)
        emit BankMessage(s(0));
}

bool ItemBankProxy::LoadXML()
{
    return Done("LoadXML", {});
}
bool ItemBankProxy::RemoveExpired(const QString &Channel, qint32 Days)
{
    return Done("RemoveExpired", {Channel, Days});
}
bool ItemBankProxy::Init(const QString &sUsername, const QString &sXSLfile)
{
    return Done("Init", {sUsername, sXSLfile});
}
bool ItemBankProxy::KillChannel(const QString &sURL)
{
    return Call("KillChannel", {sURL}).value_or(false).toBool();
}
bool ItemBankProxy::SubChannelList(
    const QString &sURL, const QString &FilterCHL, const QString &sSearch, const QString &Filter2)
{
    return Done("SubChannelList", {sURL, FilterCHL, sSearch, Filter2});
}
qint32 ItemBankProxy::Count()
{
    return Call("Count", {}).value_or(0).toInt();
}
bool ItemBankProxy::MarkAllRead(const QString &sChl)
{
    return Done("MarkAllRead", {sChl});
}
bool ItemBankProxy::UpdateChannel(const QString &sURL)
{
    return Done("UpdateChannel", {sURL});
}
bool ItemBankProxy::UpdateChannels(const QString &sURLs)
{
    // Calls stay well below the largest frame the server takes from a client (the text goes
    // as UTF-16).
    constexpr qsizetype kMaxCallChars = qsizetype(IpcMessage::kMaxClientFrame / 8);
    const QStringList urls = sURLs.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    if (sURLs.size() > kMaxCallChars && urls.size() > 1) {
        bool done = true;
        QString part;
        for (const QString &url : urls) {
            if (!part.isEmpty() && part.size() + url.size() + 1 > kMaxCallChars) {
                done = UpdateChannels(part) && done;
                part.clear();
            }
            part += url + QLatin1Char('\n');
        }
        return UpdateChannels(part) && done;
    }
    if (Done("UpdateChannels", {sURLs}))
        return true;
    // Refused by a server that does not know the call: one call a channel, as it knows them.
    if (!isAlive() || urls.isEmpty())
        return false;
    bool done = true;
    for (const QString &url : urls)
        done = UpdateChannel(url) && done;
    return done;
}
bool ItemBankProxy::LoadChannel(const QString &sURL, const QString &sLastMod, const QString &sTitle,
    qint32 lExpire, const QString &sPubDate, const QString &sETag)
{
    // The entity tag goes along only when there is one; a server of an older build refuses
    // the longer call, and then gets the request without it.
    if (!sETag.isEmpty()) {
        if (Done("LoadChannel", {sURL, sLastMod, sTitle, lExpire, sPubDate, sETag}))
            return true;
        if (!isAlive())
            return false;
    }
    return Done("LoadChannel", {sURL, sLastMod, sTitle, lExpire, sPubDate});
}
bool ItemBankProxy::NewItemsList()
{
    return Done("NewItemsList", {});
}
qint32 ItemBankProxy::NewItemsCount()
{
    return Call("NewItemsCount", {}).value_or(0).toInt();
}
bool ItemBankProxy::MarkItemRead(const QString &sHash, bool bRead)
{
    return Done("MarkItemRead", {sHash, bRead});
}
bool ItemBankProxy::MarkItemDeleted(const QString &sHash, bool bDel)
{
    return Done("MarkItemDeleted", {sHash, bDel});
}
bool ItemBankProxy::MarkItemTagged(const QString &sHash, bool bTag)
{
    return Done("MarkItemTagged", {sHash, bTag});
}
bool ItemBankProxy::SaveIt()
{
    return Call("SaveIt", {}).value_or(false).toBool();
}
bool ItemBankProxy::UnloadMe()
{
    return Call("UnloadMe", {}).value_or(false).toBool();
}
bool ItemBankProxy::PauseQueue()
{
    return Done("PauseQueue", {});
}
bool ItemBankProxy::ResumeQueue()
{
    return Done("ResumeQueue", {});
}
