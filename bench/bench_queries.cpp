// Lists and counts on a large item store. Prints one figure a line as "name: value unit".
#include "BenchStore.h"
#include "clsItemBank.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTemporaryDir>

using namespace bench;

namespace {

constexpr int kStoreItems = 100000;
constexpr int kChannels = 100; // 1,000 items each
constexpr int kRounds = 20;

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    writeStore(dir.filePath("items.xml"), kStoreItems, kChannels);
    clsItemBank bank;
    {
        QSignalSpy ready(&bank, &clsItemBank::StoreReady);
        bank.Init(dir.path(), QString());
        if (!ready.wait(120000) || bank.Count() != kStoreItems)
            qFatal("store did not load");
    }
    const QString channel = QStringLiteral("http://127.0.0.1/feeds/7.xml");
    QSignalSpy counts(&bank, &clsItemBank::ChannelCounts);
    QSignalSpy lists(&bank, &clsItemBank::ChannelNodeList);

    double t0 = cpuMs();
    for (int i = 0; i < kRounds; ++i)
        bank.UpdateChannel(channel);
    print("update_channel", (cpuMs() - t0) / kRounds, "ms");
    if (counts.size() != kRounds || counts[0][1].toInt() != 1000)
        qFatal("unexpected counts");

    t0 = cpuMs();
    for (int i = 0; i < kRounds; ++i)
        bank.UpdateChannel(QStringLiteral("_tarnwick/unread"));
    print("update_filter_unread", (cpuMs() - t0) / kRounds, "ms");

    t0 = cpuMs();
    for (int i = 0; i < kRounds; ++i)
        bank.SubChannelList(channel);
    print("sub_channel_list_1000", (cpuMs() - t0) / kRounds, "ms");
    if (lists.size() != kRounds)
        qFatal("no lists");

    t0 = cpuMs();
    for (int i = 0; i < kRounds; ++i)
        bank.SubChannelList(QStringLiteral("_tarnwick/all"), {}, QStringLiteral("number 4242"));
    print("search_all_100k", (cpuMs() - t0) / kRounds, "ms");
    return 0;
}
