#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>

#include <memory>

// One Tarnwick per user session: the first start holds a lock in the private runtime folder and
// listens beside it; a second start finds the lock, asks the first to show its window and ends.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    explicit SingleInstance(QObject *parent = nullptr);
    ~SingleInstance() override;
    // true for the first instance; false when another one runs (it has been asked to show
    // itself) or the runtime folder cannot be had.
    bool Claim();

signals:
    // A second start asked this instance to bring its window forward.
    void ShowRequested();

private:
    std::unique_ptr<QLockFile> m_Lock;
    QLocalServer m_Server;
};
