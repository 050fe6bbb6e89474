#pragma once

#include "IpcMessage.h"

#include <QHash>
#include <QObject>
#include <QPointer>

#include <deque>
#include <optional>

class QEventLoop;
class QLocalSocket;

// One end of a connection between the main program and the bank server, over a local socket.
// Frames are a 32-bit big-endian length and an IpcMessage.
//
// request() is synchronous: it sends a call or event and waits in a local event loop (user
// input excluded) for the answer, while calls and events from the peer are still handled.
// That is what lets a bank's event handler call back into the bank in the middle of the
// operation that raised the event. Frames are read in readyRead but handled from a queued
// call, so a handler that waits never blocks the reading of further frames.
class IpcConnection : public QObject
{
    Q_OBJECT

public:
    // Takes over socket.
    explicit IpcConnection(QLocalSocket *socket, QObject *parent = nullptr);
    ~IpcConnection() override;

    bool isConnected() const { return !m_Lost; }
    // Sends a Call or Event and returns its Reply or EventReply; nullopt once the connection
    // is lost, at once for requests still waiting.
    std::optional<IpcMessage> request(IpcMessage message);
    // Answers a Call (with a Reply) or an Event (with an EventReply).
    void answer(const IpcMessage &to, IpcMessage reply = IpcMessage());
    void close();

signals:
    // A Call or Event arrived. The handler answers it before it returns.
    void received(const IpcMessage &message);
    void disconnected();

private:
    void onReadyRead();
    void dispatch();
    void send(const IpcMessage &message);
    void lose();

    QLocalSocket *m_Socket;
    QByteArray m_Buffer;
    std::deque<IpcMessage> m_Inbox;
    bool m_DispatchQueued = false;
    bool m_Lost = false;
    quint32 m_NextId = 0;
    QHash<quint32, IpcMessage> m_Answers;
    QHash<quint32, QEventLoop *> m_Waiting;
};
