#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM, SIGINT and SIGHUP into a signal on the event loop, so that a session ending or
// a kill from the terminal runs the program's orderly exit instead of losing unsaved work.
class Shutdown : public QObject
{
    Q_OBJECT

public:
    explicit Shutdown(QObject *parent = nullptr);
    ~Shutdown() override;

signals:
    void Requested(int signalNumber);

private:
    QSocketNotifier *m_Notifier = nullptr;
};
