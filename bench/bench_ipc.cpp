// Calls between the main program's bank proxy and the tarnloader server.
// Prints one figure a line as "name: value unit".
#include "BenchStore.h"
#include "ItemBankProxy.h"
#include "TestSupport.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>

using namespace bench;

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir runtime;
    testsupport::usePrivateRuntime(runtime.path());
    if (qEnvironmentVariableIsEmpty("TARNLOADER_PATH"))
        qputenv("TARNLOADER_PATH", TARNLOADER_BUILT);

    QElapsedTimer clock;
    clock.start();
    QString error;
    auto bank = ItemBankProxy::Create(&error);
    if (!bank)
        qFatal("no server: %s", qPrintable(error));
    print("server_start_and_create", clock.elapsed(), "ms");
    QTemporaryDir profile;
    bank->Init(profile.path(), QString());

    constexpr int kCalls = 20000;
    clock.restart();
    for (int i = 0; i < kCalls; ++i)
        bank->Count();
    print("sync_calls_per_second", kCalls * 1000.0 / qMax<qint64>(1, clock.elapsed()), "calls/s");

    // A call whose answer comes as an event first: two round trips.
    int events = 0;
    QObject::connect(bank.get(), &ItemBankProxy::ChannelCounts, [&] { ++events; });
    clock.restart();
    for (int i = 0; i < kCalls / 2; ++i)
        bank->UpdateChannel(QStringLiteral("_tarnwick/all"));
    if (events != kCalls / 2)
        qFatal("events lost: %d", events);
    print("call_with_event_per_second", (kCalls / 2) * 1000.0 / qMax<qint64>(1, clock.elapsed()),
        "calls/s");
    bank->UnloadMe();
    bank.reset();
    // Let the server end before its runtime folder goes.
    QDeadlineTimer deadline(5000);
    while (QFile::exists(runtime.filePath("tarnwick/tarnloader.lock")) && !deadline.hasExpired())
        QThread::msleep(20);
    return 0;
}
