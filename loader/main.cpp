// tarnloader: the server that keeps each active profile's item bank.
#include "BankServer.h"
#include "IpcPaths.h"

#include <QCoreApplication>
#include <QLockFile>
#include <QNetworkAccessManager>
#include <QTextStream>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

int main(int argc, char *argv[])
{
    // What the server writes (item stores, their folders) is the user's alone.
    ::umask(077);
    // A file that would grow past the allowed size is a failed write the client hears of,
    // not the end of the server.
    ::signal(SIGXFSZ, SIG_IGN);
    // Every descriptor the system allows: the server caps its clients well below it.
    struct rlimit files = {};
    if (::getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max) {
        files.rlim_cur = files.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &files);
    }
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tarnloader"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PROJECT_VERSION_TEXT));

    // One server per user session: a second one leaves the socket to the first.
    const QString lockPath = IpcPaths::ServerLock();
    if (lockPath.isEmpty()) {
        QTextStream(stderr) << "tarnloader: no private runtime folder\n";
        return 1;
    }
    QLockFile lock(lockPath);
    lock.setStaleLockTime(0);
    if (!lock.tryLock(0))
        return 0;

    BankServer server;
    QString error;
    if (!server.listen(IpcPaths::ServerSocket(), &error)) {
        QTextStream(stderr) << "tarnloader: cannot listen: " << error << '\n';
        return 1;
    }
    QObject::connect(&server, &BankServer::finished, &app, &QCoreApplication::quit);
    const int status = app.exec();
    // Loaders the banks let go of are deleted now, ending their transfers, and then the network
    // client with its worker thread, while events can still be delivered.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    qDeleteAll(app.findChildren<QNetworkAccessManager *>(QString(), Qt::FindDirectChildrenOnly));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return status;
}
