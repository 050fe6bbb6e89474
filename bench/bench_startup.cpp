// Start-up of the main window to a filled tree: a profile of 200 channels in 10 groups with
// 20,000 stored items ("bench_startup CHANNELS ITEMS_PER_CHANNEL" for another size; its lines
// then end in "_CHANNELS"). "Filled" means every channel row is there with its title and the count
// the bank gave it. Then the cost of one channel's state change.
#include "BenchStore.h"
#include "ChannelTree.h"
#include "Include.h"
#include "ProfileFiles.h"
#include "RSSChannel.h"
#include "TestSupport.h"
#include "WindowHub.h"
#include "clsProfile.h"
#include "clsSpotlight.h"
#include "frmMain.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

namespace {
constexpr int kGroups = 10;
} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("TARNLOADER_PATH", TARNLOADER_BUILT);
    QTemporaryDir home, config, runtime;
    qputenv("TARNWICK_HOME", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    testsupport::usePrivateRuntime(runtime.path());
    qputenv("TARNWICK_VENDOR_BASE", "http://127.0.0.1:9"); // nothing listens there
    QApplication app(argc, argv);
    const int kChannels = argc > 1 ? qMax(1, QByteArray(argv[1]).toInt()) : 200;
    const int perChannel = argc > 2 ? qMax(1, QByteArray(argv[2]).toInt()) : 100;
    const int kItems = kChannels * perChannel;
    const QByteArray suffix = argc > 1 ? "_" + QByteArray::number(kChannels) : QByteArray();
    const auto print = [&suffix](const char *name, double value, const char *unit) {
        bench::print((name + suffix).constData(), value, unit);
    };
    clsSpotlight::SetDirectoryURL(QString());
    Include::SeedAppFolder(QStringLiteral(TARNWICK_SOURCE_DATA));

    const QString folder = home.filePath("profiles/anna");
    profilefiles::WriteProfileList(home.path(), {"anna"});
    QList<QPair<QString, QString>> channels;
    QList<QPair<QString, QStringList>> groups;
    for (int g = 0; g < kGroups; ++g)
        groups.append({QStringLiteral("Group %1").arg(g), {}});
    for (int n = 0; n < kChannels; ++n) {
        const QString url = QStringLiteral("http://127.0.0.1/feeds/%1.xml").arg(n);
        channels.append({url, QStringLiteral("Feed %1").arg(n)});
        groups[n % kGroups].second << url;
    }
    profilefiles::WriteChannels(folder, channels, 365); // the store spans 97 days: all of it stays
    profilefiles::WriteGroups(folder, groups);
    bench::writeStore(folder + "/items.xml", kItems, kChannels);

    const double cpu0 = bench::cpuMs();
    QElapsedTimer clock;
    clock.start();
    WindowHub hub;
    frmMain window(hub);
    hub.Attach(&window, nullptr, nullptr);
    window.Form_Load();
    clsChannelTree *tree = window.treMain();
    const QString last = channels.last().first;
    double rowsAt = -1;
    const bool filled = QTest::qWaitFor(
        [&] {
            const int row =
                tree->FindRow(QStringLiteral("Group %1").arg((kChannels - 1) % kGroups), last);
            if (row < 0)
                return false;
            if (rowsAt < 0)
                rowsAt = clock.nsecsElapsed() / 1e6;
            for (int r = 0; r < tree->count(); ++r)
                if (tree->RowURL(r).startsWith("http://127.0.0.1/feeds/")
                    && tree->RowCount(r) != QString::number(perChannel))
                    return false;
            return true;
        },
        120000);
    const double wall = clock.nsecsElapsed() / 1e6;
    const double cpu = bench::cpuMs() - cpu0;
    if (!filled) {
        std::fprintf(stderr, "the tree was not filled within 120 s (%d rows, rows at %.0f ms)\n",
            tree->count(), rowsAt);
        for (int r = 0; r < qMin(tree->count(), 30); ++r)
            std::fprintf(stderr, "  %s | %s | %s\n", qPrintable(tree->RowGroup(r)),
                qPrintable(tree->RowNode(r)), qPrintable(tree->RowCount(r)));
        return 1;
    }
    print("startup_rows_shown", rowsAt, "ms");
    print("startup_filled_tree", wall, "ms");
    print("startup_filled_tree_cpu_main", cpu, "ms");
    print("tree_rows", tree->count(), "rows");

    // One channel's state change: its own row only, however large the tree.
    clsProfile *profile = window.CurrentProfile();
    RSSChannel *channel = profile->GetChannel(channels.at(kChannels / 2).first);
    QElapsedTimer each;
    each.start();
    constexpr int kRounds = 2000;
    for (int i = 0; i < kRounds; ++i) {
        channel->setCustomTitle(QStringLiteral("Renamed %1").arg(i));
        window.StateChange(QStringLiteral("anna"), channel);
    }
    print("state_change", each.nsecsElapsed() / 1e3 / kRounds, "us");
    print("state_change_rows_visited", window.LastStateChangeRows(), "rows");
    window.RunExitSequence();
    return 0;
}
