// The item server under what one feed or one client can put on it: peak memory of a single
// fetch of very large feeds and what the server keeps after the bank unloads, and how long
// another client waits for its calls meanwhile, or while a third client never answers its
// events. Prints one figure a line as "name: value unit".
#include "BenchStore.h"
#include "IpcConnection.h"
#include "ItemBankProxy.h"
#include "LocalHttpServer.h"
#include "RawBankClient.h"
#include "TestSupport.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLocalSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

using namespace bench;

namespace {

QByteArray Feed(int items, int descriptionBytes)
{
    QByteArray out;
    out.reserve(items * (60 + descriptionBytes));
    out += "<rss version=\"2.0\"><channel><title>Large</title>";
    const QByteArray text(descriptionBytes, 'x');
    for (int i = 0; i < items; ++i) {
        const QByteArray n = QByteArray::number(i);
        out += "<item><title>Item " + n + "</title>";
        if (descriptionBytes > 0)
            out += "<description>" + text + "</description>";
        out += "<guid>g" + n + "</guid></item>";
    }
    return out + "</channel></rss>";
}

// Waits for the bank's report on its one request; false when none came in time.
bool WaitReport(ItemBankProxy &bank, int ms)
{
    QEventLoop loop;
    bool reported = false;
    QObject::connect(&bank, &ItemBankProxy::ChannelLoaded, &loop, [&] {
        reported = true;
        loop.quit();
    });
    QObject::connect(&bank, &ItemBankProxy::ChannelTimeOut, &loop, [&] {
        reported = true;
        loop.quit();
    });
    QObject::connect(&bank, &ItemBankProxy::ServerLost, &loop, &QEventLoop::quit);
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
    return reported;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir runtime;
    testsupport::usePrivateRuntime(runtime.path());
    if (qEnvironmentVariableIsEmpty("TARNLOADER_PATH"))
        qputenv("TARNLOADER_PATH", TARNLOADER_BUILT);
    const QString xsl = QStringLiteral(TARNWICK_SOURCE_DATA "/tarnns.xsl");

    LocalHttpServer http;
    http.route("/tiny50k.xml") = {200, Feed(50000, 0), {}};
    http.route("/tiny300k.xml") = {200, Feed(300000, 0), {}};
    http.route("/big100k.xml") = {200, Feed(100000, 150), {}};
    for (int i = 0; i < 3; ++i)
        http.route("/small" + QByteArray::number(i) + ".xml") = {200, Feed(20, 50), {}};
    print("feed_tiny50k_size", http.route("/tiny50k.xml").body.size() / 1048576.0, "MiB");
    print("feed_tiny300k_size", http.route("/tiny300k.xml").body.size() / 1048576.0, "MiB");
    print("feed_big100k_size", http.route("/big100k.xml").body.size() / 1048576.0, "MiB");

    // One fetch of a very large feed on a fresh server: its peak, and what it keeps once the
    // bank has unloaded.
    for (const char *name : {"tiny50k", "tiny300k"}) {
        QTemporaryDir profile;
        QString error;
        auto bank = ItemBankProxy::Create(&error);
        if (!bank)
            qFatal("no server: %s", qPrintable(error));
        const qint64 pid = testsupport::serverPid(runtime.path());
        bank->Init(profile.path(), xsl);
        bank->LoadChannel(http.url("/" + QByteArray(name) + ".xml"), QStringLiteral("-1"),
            QStringLiteral("T"), 0, QString());
        const bool reported = WaitReport(*bank, 600000);
        const qint32 stored = bank->Count();
        const Usage usage = UsageOf(pid);
        bank->UnloadMe();
        const double kept = ResidentMiB(pid);
        print(qPrintable(QStringLiteral("fetch_%1_reported").arg(QLatin1String(name))),
            reported ? 1 : 0, "");
        print(qPrintable(QStringLiteral("fetch_%1_items_stored").arg(QLatin1String(name))), stored,
            "items");
        print(qPrintable(QStringLiteral("fetch_%1_server_peak").arg(QLatin1String(name))),
            usage.peakMiB, "MiB");
        print(qPrintable(
                  QStringLiteral("fetch_%1_server_kept_after_unload").arg(QLatin1String(name))),
            kept, "MiB");
        bank.reset();
        WaitServerGone(runtime.path());
    }

    // Another client's calls while one bank merges a large feed.
    {
        QTemporaryDir a, b;
        QString error;
        auto bank = ItemBankProxy::Create(&error);
        if (!bank)
            qFatal("no server: %s", qPrintable(error));
        bank->Init(a.path(), xsl);
        RawBankClient other;
        if (!other.Open(runtime.path()) || !other.Call("Init", {b.path(), xsl}))
            qFatal("no second client");
        bool reported = false;
        QObject::connect(bank.get(), &ItemBankProxy::ChannelLoaded, [&] { reported = true; });
        QObject::connect(bank.get(), &ItemBankProxy::ChannelTimeOut, [&] { reported = true; });
        bank->LoadChannel(
            http.url("/big100k.xml"), QStringLiteral("-1"), QStringLiteral("T"), 0, QString());
        QElapsedTimer total, one;
        total.start();
        qint64 worst = 0;
        int calls = 0;
        while (!reported && total.elapsed() < 600000) {
            one.start();
            other.Call("Count", {});
            worst = qMax(worst, one.elapsed());
            ++calls;
            QCoreApplication::processEvents();
        }
        print("large_merge_duration", total.elapsed() / 1000.0, "s");
        print("other_client_calls_during_merge", calls, "calls");
        print("other_client_worst_call_wait_during_merge", worst, "ms");
        bank->UnloadMe();
        other.link->close();
        bank.reset();
        WaitServerGone(runtime.path());
    }

    // Another client's calls while a third never answers its events.
    {
        QTemporaryDir b, c;
        RawBankClient busy, silent;
        QString error;
        auto starter = ItemBankProxy::Create(&error); // starts the server
        if (!starter || !busy.Open(runtime.path()) || !silent.Open(runtime.path(), false)
            || !busy.Call("Init", {b.path(), xsl}) || !silent.Call("Init", {c.path(), xsl}))
            qFatal("no clients");
        // The silent client takes no event: nothing answers what it receives.
        for (int i = 0; i < 3; ++i)
            silent.Call("LoadChannel",
                {http.url("/small" + QByteArray::number(i) + ".xml"), QStringLiteral("-1"),
                    QStringLiteral("T"), 0, QString()});
        // Whatever waits on the silent client is released when it goes, 20 s on.
        QTimer::singleShot(20000, silent.link, [&silent] { silent.link->close(); });
        QElapsedTimer total, one;
        total.start();
        qint64 worst = 0;
        while (total.elapsed() < 8000) {
            one.start();
            busy.Call("UpdateChannel", {QStringLiteral("_tarnwick/all")});
            worst = qMax(worst, one.elapsed());
        }
        print("other_client_worst_call_wait_beside_a_silent_client", worst, "ms");
        silent.link->close();
        busy.link->close();
        starter.reset();
        WaitServerGone(runtime.path());
    }
    return 0;
}
