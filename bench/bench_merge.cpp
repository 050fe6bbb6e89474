// Merging into a large item store: load, merge and save times and peak memory.
// Prints one figure a line as "name: value unit".
#include "BenchStore.h"
#include "clsItemBank.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <cstdio>

using namespace bench;

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath("items.xml");
    writeStore(path, kLargeStore, kLargeStoreChannels);
    print("store_file_size", QFileInfo(path).size() / 1048576.0, "MiB");

    clsItemBank bank;
    const Timing load = LoadStore(bank, dir.path(), kLargeStore);
    print("load_100k_items", load.ms, "ms");
    print("load_100k_items_cpu", load.cpuMs, "ms");

    const MergeFigures merge = MergeIntoLargeStore(bank);
    print("merge_per_feed", merge.perFeed, "ms");
    print("merge_per_feed_worst", merge.worst, "ms");
    print("merge_unchanged_feed", merge.unchanged, "ms");

    const Timing save = timed([&] { bank.SaveIt(); });
    print("save_101k_items", save.ms, "ms");
    print("save_101k_items_cpu", save.cpuMs, "ms");

    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    print("peak_memory", usage.ru_maxrss / 1024.0, "MiB");
    return 0;
}
