#pragma once

// Small helpers the unit tests share: files, test data, hostile documents.
#include <QFile>
#include <QLockFile>

#include <csignal>

namespace testsupport {

inline QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline bool writeFile(const QString &path, const QByteArray &content)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(content) == content.size();
}

// A file below tests/data.
inline QByteArray dataFile(const QString &name)
{
    return readFile(QStringLiteral(TARNWICK_TEST_DATA "/") + name);
}

// Ten levels of ten entity references each: 10^9 copies of the innermost text once expanded.
inline QByteArray billionLaughs(const QByteArray &body = "<rss><title>&l9;</title></rss>")
{
    QByteArray doc = "<!DOCTYPE rss [<!ENTITY l0 \"lollollollollollollollollollol\">";
    for (int i = 1; i < 10; ++i)
        doc += "<!ENTITY l" + QByteArray::number(i) + " \""
            + ("&l" + QByteArray::number(i - 1) + ";").repeated(10) + "\">";
    return doc + "]>" + body;
}

// Points $XDG_RUNTIME_DIR at folder (made private), so this process gets a bank server of its
// own.
inline void usePrivateRuntime(const QString &folder)
{
    QFile::setPermissions(
        folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", folder.toUtf8());
}

// The process id of the bank server that runs for session folder runtimeFolder (its lock
// file names it); 0 when none runs.
inline qint64 serverPid(const QString &runtimeFolder)
{
    QLockFile lock(runtimeFolder + QStringLiteral("/tarnwick/tarnloader.lock"));
    qint64 pid = 0;
    QString host, app;
    return lock.getLockInfo(&pid, &host, &app) && ::kill(pid_t(pid), 0) == 0 ? pid : 0;
}

} // namespace testsupport
