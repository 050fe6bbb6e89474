#include "IpcPaths.h"

#include <QDir>
#include <QFile>

#include <unistd.h>

namespace IpcPaths {

QString RuntimeFolder()
{
    QString base = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (base.isEmpty() || !QFileInfo(base).isDir())
        base = QDir::tempPath() + QStringLiteral("/tarnwick-%1").arg(getuid());
    const QString folder = base + QStringLiteral("/tarnwick");
    if (!QDir().mkpath(folder))
        return {};
    // Private to the user, whatever it was before.
    if (!QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                           | QFileDevice::ExeOwner))
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
