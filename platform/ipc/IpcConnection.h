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
    // Takes over socket. Frames longer than maxFrame from the peer close the connection.
    explicit IpcConnection(
        QLocalSocket *socket, QObject *parent = nullptr, quint32 maxFrame = IpcMessage::kMaxFrame);
    ~IpcConnection() override;

    bool isConnected() const { return !m_Lost; }
    // Sends a Call or Event and returns its Reply or EventReply; nullopt once the connection
    // is lost, at once for requests still waiting, and after timeoutMs (when not negative)
    // without an answer, with *timedOut set (an answer that comes later is dropped).
    std::optional<IpcMessage> request(
        IpcMessage message, int timeoutMs = -1, bool *timedOut = nullptr);
    // Sends a Call or Event without waiting for its answer (which is dropped when it comes).
    void post(IpcMessage message);
    // Answers a Call (with a Reply) or an Event (with an EventReply).
    void answer(const IpcMessage &to, IpcMessage reply = IpcMessage());
    void close();

signals:
    // A Call or Event arrived. The handler answers it before it returns.
    void received(const IpcMessage &message);
    void disconnected();
    // An answer came for a request nobody waits for any more (it timed out, or was posted).
    void lateAnswer();

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
    quint32 m_MaxFrame;
    QHash<quint32, IpcMessage> m_Answers;
    QHash<quint32, QEventLoop *> m_Waiting;
};
