#include "SingleInstance.h"

#include "IpcPaths.h"

#include <QFile>
#include <QLocalSocket>

namespace {
const char *const kShow = "show\n";
}

SingleInstance::SingleInstance(QObject *parent) : QObject(parent)
{
    connect(&m_Server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *peer = m_Server.nextPendingConnection()) {
            connect(peer, &QLocalSocket::readyRead, this, [this, peer] {
                if (peer->readAll().startsWith("show"))
                    emit ShowRequested();
                peer->disconnectFromServer();
            });
            connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
        }
    });
}

SingleInstance::~SingleInstance()
{
    m_Server.close();
}

bool SingleInstance::Claim()
{
    const QString folder = IpcPaths::RuntimeFolder();
    if (folder.isEmpty())
        return true; // nowhere to coordinate: better two windows than none
    const QString socket = folder + QStringLiteral("/tarnwick.sock");
    m_Lock = std::make_unique<QLockFile>(folder + QStringLiteral("/tarnwick.lock"));
    m_Lock->setStaleLockTime(0);
    if (!m_Lock->tryLock(0)) {
        // Someone holds it: ask that instance to show itself.
        QLocalSocket peer;
        peer.connectToServer(socket);
        if (peer.waitForConnected(1000)) {
            peer.write(kShow);
            peer.waitForBytesWritten(1000);
            peer.waitForDisconnected(1000);
        }
        return false;
    }
    QLocalServer::removeServer(socket); // left behind by a crash
    m_Server.setSocketOptions(QLocalServer::UserAccessOption);
    m_Server.listen(socket);
    return true;
}
