#include "IpcConnection.h"

#include <QEventLoop>
#include <QLocalSocket>
#include <QLoggingCategory>
#include <QTimer>
#include <QtEndian>

namespace {
Q_LOGGING_CATEGORY(lcIpc, "tarnwick.ipc", QtInfoMsg)
}

IpcConnection::IpcConnection(QLocalSocket *socket, QObject *parent, quint32 maxFrame)
    : QObject(parent), m_Socket(socket), m_MaxFrame(maxFrame)
{
    m_Socket->setParent(this);
    connect(m_Socket, &QLocalSocket::readyRead, this, &IpcConnection::onReadyRead);
    connect(m_Socket, &QLocalSocket::disconnected, this, &IpcConnection::lose);
    connect(m_Socket, &QLocalSocket::errorOccurred, this, [this] {
        if (m_Socket->state() != QLocalSocket::ConnectedState)
            lose();
    });
    if (m_Socket->state() != QLocalSocket::ConnectedState)
        m_Lost = true;
    else if (m_Socket->bytesAvailable() > 0)
        QMetaObject::invokeMethod(this, &IpcConnection::onReadyRead, Qt::QueuedConnection);
}

IpcConnection::~IpcConnection()
{
    m_Socket->disconnect(this);
}

void IpcConnection::close()
{
    m_Socket->abort();
    lose();
}

void IpcConnection::lose()
{
    if (m_Lost)
        return;
    m_Lost = true;
    for (QEventLoop *loop : std::as_const(m_Waiting))
        loop->quit();
    emit disconnected();
}

void IpcConnection::send(const IpcMessage &message)
{
    if (m_Lost)
        return;
    const QByteArray payload = message.encode();
    char size[4];
    qToBigEndian(quint32(payload.size()), size);
    m_Socket->write(size, 4);
    m_Socket->write(payload);
}

std::optional<IpcMessage> IpcConnection::request(IpcMessage message, int timeoutMs, bool *timedOut)
{
    if (timedOut)
        *timedOut = false;
    if (m_Lost)
        return std::nullopt;
    message.id = ++m_NextId;
    const quint32 id = message.id;
    send(message);
    QPointer<IpcConnection> self(this);
    QEventLoop loop;
    QTimer deadline;
    bool expired = false;
    if (timeoutMs >= 0) {
        deadline.setSingleShot(true);
        connect(&deadline, &QTimer::timeout, &loop, [&] {
            expired = true;
            loop.quit();
        });
        deadline.start(timeoutMs);
    }
    m_Waiting.insert(id, &loop);
    while (self && !m_Lost && !expired && !m_Answers.contains(id))
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (!self)
        return std::nullopt;
    m_Waiting.remove(id);
    if (!m_Answers.contains(id)) {
        if (timedOut)
            *timedOut = expired && !m_Lost;
        return std::nullopt;
    }
    return m_Answers.take(id);
}

void IpcConnection::post(IpcMessage message)
{
    message.id = ++m_NextId;
    send(message);
}

void IpcConnection::answer(const IpcMessage &to, IpcMessage reply)
{
    reply.id = to.id;
    reply.kind = to.kind == IpcMessage::Call ? IpcMessage::Reply : IpcMessage::EventReply;
    send(reply);
}

void IpcConnection::onReadyRead()
{
    if (m_Lost)
        return;
    m_Buffer += m_Socket->readAll();
    while (m_Buffer.size() >= 4) {
        const quint32 size = qFromBigEndian<quint32>(m_Buffer.constData());
        if (size > m_MaxFrame) {
            qCWarning(lcIpc) << "a peer sent a frame of" << size << "bytes (at most" << m_MaxFrame
                             << "taken); its connection is closed";
            close(); // nothing sane is that large: drop the peer, not ourselves
            return;
        }
        if (quint32(m_Buffer.size()) < 4 + size)
            break;
        const auto message = IpcMessage::decode(m_Buffer.mid(4, int(size)));
        m_Buffer.remove(0, int(4 + size));
        if (!message) {
            qCWarning(lcIpc)
                << "a peer sent a frame that does not decode; its connection is closed";
            close();
            return;
        }
        m_Inbox.push_back(*message);
    }
    if (!m_Inbox.empty() && !m_DispatchQueued) {
        m_DispatchQueued = true;
        QMetaObject::invokeMethod(this, &IpcConnection::dispatch, Qt::QueuedConnection);
    }
}

void IpcConnection::dispatch()
{
    m_DispatchQueued = false;
    QPointer<IpcConnection> self(this);
    while (self && !m_Inbox.empty()) {
        const IpcMessage message = m_Inbox.front();
        m_Inbox.pop_front();
        if (message.kind == IpcMessage::Reply || message.kind == IpcMessage::EventReply) {
            if (QEventLoop *loop = m_Waiting.value(message.id)) {
                m_Answers.insert(message.id, message);
                loop->quit();
            } else {
                emit lateAnswer();
            }
            continue;
        }
        // May wait for answers of its own; frames arriving meanwhile are handled by a nested
        // dispatch from the same inbox, in order.
        emit received(message);
    }
}
