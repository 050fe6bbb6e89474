// The ticker's CPU use while it animates: each effect runs for a while on a list of headlines,
// and the process's CPU time is compared with the time that passed.
#include "BenchStore.h"
#include "Include.h"
#include "WindowHub.h"
#include "frmTarnSkin.h"
#include "frmTicker.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

QString List(int count)
{
    QString out = QStringLiteral("<itembank>");
    for (int n = 0; n < count; ++n)
        out += QStringLiteral(
            "<item channel=\"http://127.0.0.1/f.xml\" date=\"30 Nov 2026\" time=\"12:%1:00\">"
            "<title>Council agrees the harbour works, item %2</title><description>d</description>"
            "<read>false</read><flag>false</flag><delete>false</delete>"
            "<channeltitle>Tarn Valley News</channeltitle><hash>H%2</hash></item>")
                   .arg(n % 60, 2, 10, QLatin1Char('0'))
                   .arg(n);
    return out + QStringLiteral("</itembank>");
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", qEnvironmentVariableIsEmpty("DISPLAY") ? "offscreen" : "xcb");
    QTemporaryDir home, config;
    qputenv("TARNWICK_HOME", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    QApplication app(argc, argv);
    Include::SeedAppFolder(QStringLiteral(TARNWICK_SOURCE_DATA));
    frmTarnSkin::Instance().LoadSkin();
    const char *names[] = {"slide", "rise", "fade", "type"};
    const int seconds = qEnvironmentVariableIntValue("TICKER_BENCH_SECONDS") > 0
        ? qEnvironmentVariableIntValue("TICKER_BENCH_SECONDS")
        : 10;
    for (int effect = 0; effect < 4; ++effect) {
        Include::Settings().SaveSetting("Ticker", "Effect", QString::number(effect));
        Include::Settings().SaveSetting("Ticker", "Width", "1280");
        WindowHub hub;
        frmTicker ticker(hub);
        ticker.SetList(List(20));
        ticker.show();
        QTest::qWait(300); // settled
        const double cpu0 = bench::cpuMs();
        QElapsedTimer wall;
        wall.start();
        // The plain event loop, as in the program (QTest::qWait would poll on top of it).
        QEventLoop loop;
        QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
        loop.exec();
        const double share = (bench::cpuMs() - cpu0) / double(wall.elapsed()) * 100.0;
        bench::print(
            qPrintable(QStringLiteral("ticker_cpu_%1").arg(names[effect])), share, "% of one core");
        ticker.close();
    }
    return 0;
}
