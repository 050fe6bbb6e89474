#include "IpcPaths.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace IpcPaths {
namespace {

// A folder the sockets may live in: a real folder (not a link), owned by this user and
// reachable by nobody else. Made so when missing; anything else found there is refused, since
// another user could have placed it to catch the program's calls.
bool PrivateFolder(const QString &path)
{
    const QByteArray native = QFile::encodeName(path);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat info = {};
    if (::lstat(native.constData(), &info) != 0)
        return false;
    return S_ISDIR(info.st_mode) && info.st_uid == ::getuid() && (info.st_mode & 077) == 0;
}

} // namespace

QString RuntimeFolder()
{
    QString base = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (base.isEmpty() || !QFileInfo(base).isDir()) {
        // No session folder: one of our own in the shared temporary folder, which must be ours
        // alone.
        base = QDir::tempPath() + QStringLiteral("/tarnwick-%1").arg(::getuid());
        if (!PrivateFolder(base))
            return {};
    }
    const QString folder = base + QStringLiteral("/tarnwick");
    if (!QDir().mkpath(folder))
        return {};
    // The session folder is the user's own; what is below it is made private, whatever it was.
    if (!QFile::setPermissions(
            folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner)
        || !PrivateFolder(folder))
        return {};
    return folder;
}

QString ServerSocket()
{
    const QString folder = RuntimeFolder();
    return folder.isEmpty() ? QString() : folder + QStringLiteral("/tarnloader.sock");
}

QString ServerLock()
{
    const QString folder = RuntimeFolder();
    return folder.isEmpty() ? QString() : folder + QStringLiteral("/tarnloader.lock");
}

} // namespace IpcPaths
