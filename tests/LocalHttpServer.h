#pragma once

// A small HTTP/1.1 server on 127.0.0.1 for tests: fixed answers per path, a log of requests.
#include <QHash>
#include <QList>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <memory>

class LocalHttpServer : public QObject
{
public:
    struct Route
    {
        int status = 200;
        QByteArray body;
        QList<QPair<QByteArray, QByteArray>> headers;
        bool silent = false; // reads the request, never answers
        int delayMs = 0; // answers the GET this late (HEAD at once)
        int dripMs = 0; // sends the GET's body one byte at a time, this far apart
        // Answers a GET 304 with no body when its If-None-Match names this route's ETag header,
        // or (without If-None-Match) its If-Modified-Since is this route's Last-Modified.
        bool conditional = false;
    };
    struct Request
    {
        QByteArray method;
        QByteArray path;
        QByteArray head; // the request line and headers
        QByteArray header(const QByteArray &name) const
        {
            for (const QByteArray &line : head.split('\n')) {
                const int colon = line.indexOf(':');
                if (colon > 0 && line.left(colon).trimmed().toLower() == name.toLower())
                    return line.mid(colon + 1).trimmed();
            }
            return QByteArray();
        }
    };

    LocalHttpServer()
    {
        m_Server.listen(QHostAddress::LocalHost, 0);
        connect(&m_Server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_Server.nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }

    QString url(const QByteArray &path) const
    {
        return QStringLiteral("http://127.0.0.1:%1%2")
            .arg(m_Server.serverPort())
            .arg(QString::fromLatin1(path));
    }
    Route &route(const QByteArray &path) { return m_Routes[path]; }
    const QList<Request> &log() const { return m_Log; }
    // Answers written whole (a delayed one once its delay is over).
    int answered() const { return m_Answered; }
    // Bytes of all answers written whole, status lines and headers included.
    qint64 bytesSent() const { return m_BytesSent; }
    // GETs a conditional route answered 304 Not Modified.
    int notModified() const { return m_NotModified; }
    int count(const QByteArray &method, const QByteArray &path) const
    {
        int n = 0;
        for (const Request &r : m_Log)
            n += r.method == method && r.path == path;
        return n;
    }

private:
    void serve(QTcpSocket *socket)
    {
        QByteArray &buffer = m_Pending[socket];
        buffer += socket->readAll();
        const int end = buffer.indexOf("\r\n\r\n");
        if (end < 0)
            return;
        const QList<QByteArray> first = buffer.left(buffer.indexOf("\r\n")).split(' ');
        const QByteArray head = buffer.left(end);
        m_Pending.remove(socket);
        if (first.size() < 2)
            return;
        m_Log.append({first[0], first[1], head});
        const auto it = m_Routes.constFind(first[1]);
        Route route = it == m_Routes.cend() ? Route {404, "not here", {}, false, 0} : *it;
        if (route.silent)
            return;
        if (route.conditional && first[0] == "GET" && notModified(route, m_Log.last())) {
            route.status = 304;
            route.body.clear();
            ++m_NotModified;
        }
        QByteArray response = "HTTP/1.1 " + QByteArray::number(route.status) + " X\r\n";
        response += "Content-Length: " + QByteArray::number(route.body.size()) + "\r\n";
        response += "Connection: close\r\n";
        for (const auto &h : route.headers)
            response += h.first + ": " + h.second + "\r\n";
        response += "\r\n";
        if (first[0] != "HEAD")
            response += route.body;
        const QPointer<QTcpSocket> target(socket);
        if (route.dripMs > 0 && first[0] != "HEAD") {
            // The head at once, then the body a byte at a time: a server that never finishes.
            const int head = int(response.size() - route.body.size());
            socket->write(response.left(head));
            auto *drip = new QTimer(this);
            auto sent = std::make_shared<int>(head);
            connect(drip, &QTimer::timeout, this, [target, drip, response, sent] {
                if (!target || *sent >= response.size()
                    || target->state() != QAbstractSocket::ConnectedState) {
                    drip->deleteLater();
                    return;
                }
                target->write(response.mid((*sent)++, 1));
            });
            drip->start(route.dripMs);
            return;
        }
        auto reply = [this, target, response] {
            if (!target)
                return;
            ++m_Answered;
            m_BytesSent += response.size();
            target->write(response);
            target->disconnectFromHost();
        };
        if (route.delayMs > 0 && first[0] != "HEAD")
            QTimer::singleShot(route.delayMs, this, reply);
        else
            reply();
    }

    static bool notModified(const Route &route, const Request &request)
    {
        QByteArray tag, stamp;
        for (const auto &h : route.headers) {
            if (h.first.toLower() == "etag")
                tag = h.second;
            else if (h.first.toLower() == "last-modified")
                stamp = h.second;
        }
        const QByteArray match = request.header("If-None-Match");
        if (!match.isEmpty())
            return !tag.isEmpty() && match == tag;
        const QByteArray since = request.header("If-Modified-Since");
        return !since.isEmpty() && since == stamp;
    }

    QTcpServer m_Server;
    QHash<QByteArray, Route> m_Routes;
    QHash<QTcpSocket *, QByteArray> m_Pending;
    QList<Request> m_Log;
    int m_Answered = 0;
    qint64 m_BytesSent = 0;
    int m_NotModified = 0;
};
