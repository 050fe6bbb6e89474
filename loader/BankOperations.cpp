#include "BankOperations.h"

#include "clsItemBank.h"

namespace {

QString text(const QVariantList &a, int i, const QString &fallback = QString())
{
    return i < a.size() ? a[i].toString() : fallback;
}

bool flag(const QVariantList &a, int i)
{
    return i < a.size() ? a[i].toBool() : true;
}

} // namespace

const QHash<QString, BankOperations::Operation> &BankOperations::Table()
{
    using A = const QVariantList &;
    static const QHash<QString, Operation> table = {
        {"LoadXML",
            {"",
                [](clsItemBank &b, A) {
                    b.LoadXML();
                    return QVariant();
                }}},
        {"RemoveExpired",
            {"SI",
                [](clsItemBank &b, A a) {
                    b.RemoveExpired(text(a, 0), a[1].toInt());
                    return QVariant();
                }}},
        {"Init",
            {"SS",
                [](clsItemBank &b, A a) {
                    b.Init(text(a, 0), text(a, 1));
                    return QVariant();
                }}},
        {"KillChannel",
            {"S",
                [](clsItemBank &b, A a) {
                    return QVariant(b.KillChannel(text(a, 0)));
                }}},
        {"SubChannelList",
            {"S|SSS",
                [](clsItemBank &b, A a) {
                    b.SubChannelList(text(a, 0), text(a, 1), text(a, 2), text(a, 3));
                    return QVariant();
                }}},
        {"Count",
            {"",
                [](clsItemBank &b, A) {
                    return QVariant(qint32(b.Count()));
                }}},
        {"MarkAllRead",
            {"S",
                [](clsItemBank &b, A a) {
                    b.MarkAllRead(text(a, 0));
                    return QVariant();
                }}},
        {"UpdateChannel",
            {"S",
                [](clsItemBank &b, A a) {
                    b.UpdateChannel(text(a, 0));
                    return QVariant();
                }}},
        {"UpdateChannels",
            {"S",
                [](clsItemBank &b, A a) {
                    b.UpdateChannels(text(a, 0));
                    return QVariant();
                }}},
        {"LoadChannel",
            {"SSSIS|S",
                [](clsItemBank &b, A a) {
                    b.LoadChannel(
                        text(a, 0), text(a, 1), text(a, 2), a[3].toInt(), text(a, 4), text(a, 5));
                    return QVariant();
                }}},
        {"NewItemsList",
            {"",
                [](clsItemBank &b, A) {
                    b.NewItemsList();
                    return QVariant();
                }}},
        {"NewItemsCount",
            {"",
                [](clsItemBank &b, A) {
                    return QVariant(qint32(b.NewItemsCount()));
                }}},
        {"MarkItemRead",
            {"S|B",
                [](clsItemBank &b, A a) {
                    b.MarkItemRead(text(a, 0), flag(a, 1));
                    return QVariant();
                }}},
        {"MarkItemDeleted",
            {"S|B",
                [](clsItemBank &b, A a) {
                    b.MarkItemDeleted(text(a, 0), flag(a, 1));
                    return QVariant();
                }}},
        {"MarkItemTagged",
            {"S|B",
                [](clsItemBank &b, A a) {
                    b.MarkItemTagged(text(a, 0), flag(a, 1));
                    return QVariant();
                }}},
        {"SaveIt",
            {"",
                [](clsItemBank &b, A) {
                    return QVariant(b.SaveIt());
                }}},
        {"UnloadMe",
            {"",
                [](clsItemBank &b, A) {
                    return QVariant(b.UnloadMe());
                }}},
        {"PauseQueue",
            {"",
                [](clsItemBank &b, A) {
                    b.PauseQueue();
                    return QVariant();
                }}},
        {"ResumeQueue",
            {"",
                [](clsItemBank &b, A) {
                    b.ResumeQueue();
                    return QVariant();
                }}},
    };
    return table;
}

bool BankOperations::ArgumentsFit(const char *types, const QVariantList &args)
{
    int position = 0;
    int required = -1;
    for (const char *t = types; *t; ++t) {
        if (*t == '|') {
            required = position;
            continue;
        }
        if (position < args.size()) {
            const int id = args[position].typeId();
            const bool fits = (*t == 'S' && id == QMetaType::QString)
                || (*t == 'I' && id == QMetaType::Int) || (*t == 'B' && id == QMetaType::Bool);
            if (!fits)
                return false;
        }
        ++position;
    }
    if (required < 0)
        required = position;
    return args.size() >= required && args.size() <= position;
}

void BankOperations::ForwardEvents(clsItemBank *bank, QObject *context, EventSink sink)
{
    QObject::connect(bank, &clsItemBank::ChannelLoaded, context,
        [sink](const QString &url, bool fresh, const QString &mod) {
            sink("ChannelLoaded", {url, fresh, mod}, false);
        });
    // A client of an older build does not know this event and passes it by.
    QObject::connect(
        bank, &clsItemBank::ChannelETag, context, [sink](const QString &url, const QString &tag) {
            sink("ChannelETag", {url, tag}, false);
        });
    QObject::connect(bank, &clsItemBank::ChannelCounts, context,
        [sink](const QString &url, qint32 count, qint32 unread) {
            sink("ChannelCounts", {url, count, unread}, true);
        });
    // The answer to UpdateChannels; a client of an older build never asks for it.
    QObject::connect(bank, &clsItemBank::ChannelCountList, context,
        [sink](const QString &counts) { sink("ChannelCountList", {counts}, true); });
    QObject::connect(bank, &clsItemBank::ChannelTimeOut, context,
        [sink](const QString &url, const QString &reason) {
            sink("ChannelTimeOut", {url, reason}, false);
        });
    QObject::connect(bank, &clsItemBank::ChannelNodeList, context,
        [sink](const QString &url, const QString &list) {
            sink("ChannelNodeList", {url, list}, true);
        });
    QObject::connect(bank, &clsItemBank::ChannelDetails, context,
        [sink](const QString &url, qint16 index, const QString &value) {
            sink("ChannelDetails", {url, QVariant::fromValue(index), value}, false);
        });
    QObject::connect(bank, &clsItemBank::BankMessage, context,
        [sink](const QString &text) { sink("BankMessage", {text}, false); });
}
