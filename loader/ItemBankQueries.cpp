// Item lists, counts, marks and removals of the item bank.
#include "StoredNode.h"
#include "clsItemBank.h"
#include "modItemHandler.h"

using namespace modItemHandler;
using modItemQuery::ItemQuery;

modItemQuery::ItemQuery clsItemBank::Query(const QString &sURL, const QString &FilterCHL,
    const QString &sSearch, const QString &Filter2) const
{
    return modItemQuery::MakeItemQuery(sURL, FilterCHL, sSearch, Filter2, Today());
}

std::optional<std::vector<ItemStore::Entry *>> clsItemBank::SelectItems(
    const ItemQuery &query, bool ordered) const
{
    if (!m_Store || !m_Store->hasRoot())
        return std::nullopt;
    std::vector<ItemStore::Entry *> out;
    if (!query.channel) {
        for (ItemStore::Entry *e = m_Store->first(); e; e = e->next) {
            if (e->item && query.matches(e->node, e->channel, e->facts))
                out.push_back(e);
        }
        return out;
    }
    // A channel's items come from the index; only a list needs them in store order.
    const QSet<ItemStore::Entry *> *candidates = m_Store->itemsOfChannel(query.channel->toUtf8());
    if (!candidates)
        return out;
    for (ItemStore::Entry *item : *candidates) {
        if (query.matches(item->node, item->channel, item->facts, true))
            out.push_back(item);
    }
    if (ordered)
        ItemStore::sortByOrder(out);
    return out;
}

QString clsItemBank::ItemListXml(const std::vector<QByteArray> &list) const
{
    if (!m_Store)
        return QString();
    return QString::fromUtf8(m_Store->listXml(list));
}

namespace {

std::vector<QByteArray> NodesOf(const std::vector<ItemStore::Entry *> &items)
{
    std::vector<QByteArray> nodes;
    nodes.reserve(items.size());
    for (const ItemStore::Entry *e : items)
        nodes.push_back(e->node);
    return nodes;
}

} // namespace

void clsItemBank::SubChannelList(
    const QString &sURL, const QString &FilterCHL, const QString &sSearch, const QString &Filter2)
{
    const auto items = SelectItems(Query(sURL, FilterCHL, sSearch, Filter2), true);
    if (items)
        emit ChannelNodeList(sURL, ItemListXml(NodesOf(*items)));
}

void clsItemBank::UpdateChannel(const QString &sURL)
{
    if (!m_StoreReady) {
        if (!m_PendingCounts.contains(sURL))
            m_PendingCounts << sURL;
        return;
    }
    const auto all = SelectItems(Query(sURL), false);
    const auto unread = SelectItems(Query(sURL, QStringLiteral("_tarnwick/unread")), false);
    if (all && unread)
        emit ChannelCounts(sURL, qint32(all->size()), qint32(unread->size()));
}

void clsItemBank::UpdateChannels(const QString &sURLs)
{
    if (!m_StoreReady) {
        m_PendingCountLists << sURLs;
        return;
    }
    QStringList urls = sURLs.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    if (sURLs.isEmpty()) {
        for (const QByteArray &channel : m_Store->channels())
            urls << QString::fromUtf8(channel);
    }
    QString out;
    for (const QString &url : urls) {
        const auto all = SelectItems(Query(url), false);
        const auto unread = SelectItems(Query(url, QStringLiteral("_tarnwick/unread")), false);
        if (!all || !unread)
            return;
        out += QString::number(all->size()) + QLatin1Char('\t') + QString::number(unread->size())
            + QLatin1Char('\t') + url + QLatin1Char('\n');
    }
    emit ChannelCountList(out);
}

void clsItemBank::NewItemsList()
{
    if (!m_Store)
        return;
    // Take the list before reporting: items merged while the main program handles the event
    // belong to the next list, not to this one or to none.
    const std::vector<QByteArray> taken = std::exchange(m_NewItems, {});
    emit ChannelNodeList(QString(), ItemListXml(taken));
}

ItemStore::Entry *clsItemBank::ItemByHash(const QString &sHash) const
{
    if (!m_Store || !m_Store->hasRoot())
        return nullptr;
    return m_Store->firstWithHash(sHash.toUtf8());
}

void clsItemBank::SetMark(ItemStore::Entry *item, const char *mark, bool on)
{
    if (!item)
        return;
    const QByteArray value = on ? QByteArrayLiteral("true") : QByteArrayLiteral("false");
    if (StoredNode::FieldText(item->node, mark) == value)
        return; // as it is already
    m_Store->replaceNode(item, StoredNode::WithFieldText(item->node, mark, value));
    m_Changed = true;
}

void clsItemBank::SetMark(const QString &sHash, const char *mark, bool on)
{
    SetMark(ItemByHash(sHash), mark, on);
}

void clsItemBank::MarkItemRead(const QString &sHash, bool bRead)
{
    SetMark(sHash, "read", bRead);
}

void clsItemBank::MarkItemTagged(const QString &sHash, bool bTag)
{
    SetMark(sHash, "flag", bTag);
}

void clsItemBank::MarkItemDeleted(const QString &sHash, bool bDel)
{
    SetMark(sHash, "delete", bDel);
}

void clsItemBank::MarkAllRead(const QString &sChl)
{
    if (const auto items = SelectItems(Query(sChl), false)) {
        for (ItemStore::Entry *item : *items)
            SetMark(item, "read", true);
    }
}

void clsItemBank::RemoveExpired(const QString &Channel, qint32 Days)
{
    if (!m_Store || !m_Store->hasRoot())
        return;
    const QSet<ItemStore::Entry *> *items = m_Store->itemsOfChannel(Channel.toUtf8());
    if (!items)
        return;
    const QDate today = Today();
    std::vector<ItemStore::Entry *> expired;
    for (ItemStore::Entry *item : *items) {
        // Untagged means a flag child that says exactly "false": items without one never
        // expire. An item whose date cannot be read has no age and stays too.
        if (!item->facts.has(modItemQuery::ItemFacts::FlagFalse))
            continue;
        const auto age = ItemAgeDays(QString::fromUtf8(item->facts.date), today);
        if (age && *age > Days)
            expired.push_back(item);
    }
    for (ItemStore::Entry *item : expired)
        RemoveStoredItem(item);
}

bool clsItemBank::KillChannel(const QString &sURL)
{
    for (const QueueSlot &slot : m_Slots) {
        if (slot.sURL == sURL)
            return false; // waiting for or in a fetch
    }
    const auto items = SelectItems(Query(sURL), true);
    if (!items)
        return false;
    for (auto it = items->rbegin(); it != items->rend(); ++it)
        RemoveStoredItem(*it);
    return true;
}
