// Item lists, counts, marks and removals of the item bank.
#include "clsItemBank.h"
#include "modItemHandler.h"

using namespace modItemHandler;
using modItemQuery::ItemQuery;

modItemQuery::ItemQuery clsItemBank::Query(const QString &sURL, const QString &FilterCHL,
    const QString &sSearch, const QString &Filter2) const
{
    return modItemQuery::MakeItemQuery(sURL, FilterCHL, sSearch, Filter2, Today());
}

std::optional<std::vector<xml::Node>> clsItemBank::SelectItems(
    const ItemQuery &query, bool ordered) const
{
    if (!XMLDoc)
        return std::nullopt;
    const xml::Node root = XMLDoc->documentElement();
    if (root.isNull())
        return std::nullopt;
    std::vector<xml::Node> out;
    if (!query.channel && !ordered) {
        for (auto it = m_Index.facts().cbegin(); it != m_Index.facts().cend(); ++it) {
            if (query.matches(it.key(), it.value()))
                out.emplace_back(it.key());
        }
        return out;
    }
    if (!query.channel) {
        for (xmlNode *c = root.raw()->children; c; c = c->next) {
            const auto *facts = m_Index.factsOf(c);
            if (facts && query.matches(c, *facts))
                out.emplace_back(c);
        }
        return out;
    }
    // A channel's items come from the index; only a list needs them in store order.
    const QSet<xmlNode *> *candidates = m_Index.itemsOfChannel(query.channel->toUtf8());
    if (!candidates)
        return out;
    QSet<xmlNode *> selected;
    for (xmlNode *item : *candidates) {
        const auto *facts = m_Index.factsOf(item);
        if (facts && query.matches(item, *facts, true)) {
            if (ordered)
                selected.insert(item);
            else
                out.emplace_back(item);
        }
    }
    if (ordered && !selected.isEmpty()) {
        out.reserve(selected.size());
        for (xmlNode *c = root.raw()->children; c && out.size() < size_t(selected.size());
             c = c->next) {
            if (selected.contains(c))
                out.emplace_back(c);
        }
    }
    return out;
}

QString clsItemBank::ItemListXml(const std::vector<xml::Node> &list)
{
    xml::Document doc;
    xml::Node root = doc.setDocumentElement(doc.createElement("items"));
    for (const xml::Node &item : list)
        root.appendChild(item.cloneInto(doc));
    return doc.xml();
}

void clsItemBank::SubChannelList(
    const QString &sURL, const QString &FilterCHL, const QString &sSearch, const QString &Filter2)
{
    const auto items = SelectItems(Query(sURL, FilterCHL, sSearch, Filter2), true);
    if (items)
        emit ChannelNodeList(sURL, ItemListXml(*items));
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
        for (const QByteArray &channel : m_Index.channels())
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
    if (!m_NewItems)
        return;
    // Swap in the empty list before reporting: items merged while the main program handles
    // the event belong to the next list, not to this one or to none.
    std::unique_ptr<xml::Document> taken = std::move(m_NewItems);
    m_NewItems = std::make_unique<xml::Document>();
    m_NewItems->setDocumentElement(m_NewItems->createElement("itembank"));
    emit ChannelNodeList(QString(), ItemListXml(taken->documentElement().childNodes()));
}

xml::Node clsItemBank::ItemByHash(const QString &sHash) const
{
    if (!XMLDoc || XMLDoc->documentElement().isNull())
        return xml::Node();
    return m_Index.firstWithHash(sHash.toUtf8());
}

void clsItemBank::MarkItemRead(const QString &sHash, bool bRead)
{
    if (const xml::Node item = ItemByHash(sHash)) {
        SetItemRead(item, bRead);
        m_Index.refresh(item);
    }
}

void clsItemBank::MarkItemTagged(const QString &sHash, bool bTag)
{
    if (const xml::Node item = ItemByHash(sHash)) {
        SetItemFlag(item, bTag);
        m_Index.refresh(item);
    }
}

void clsItemBank::MarkItemDeleted(const QString &sHash, bool bDel)
{
    if (const xml::Node item = ItemByHash(sHash)) {
        SetItemDeleted(item, bDel);
        m_Index.refresh(item);
    }
}

void clsItemBank::MarkAllRead(const QString &sChl)
{
    if (const auto items = SelectItems(Query(sChl), false)) {
        for (const xml::Node &item : *items) {
            SetItemRead(item, true);
            m_Index.refresh(item);
        }
    }
}

void clsItemBank::RemoveExpired(const QString &Channel, qint32 Days)
{
    if (!XMLDoc || XMLDoc->documentElement().isNull())
        return;
    const QSet<xmlNode *> *items = m_Index.itemsOfChannel(Channel.toUtf8());
    if (!items)
        return;
    const QDate today = Today();
    std::vector<xml::Node> expired;
    for (xmlNode *raw : *items) {
        // Untagged means a flag child that says exactly "false": items without one never
        // expire. An item whose date cannot be read has no age and stays too.
        const auto *facts = m_Index.factsOf(raw);
        if (!facts || !facts->has(modItemQuery::ItemFacts::FlagFalse))
            continue;
        const auto age = ItemAgeDays(xml::Node(raw), today);
        if (age && *age > Days)
            expired.emplace_back(raw);
    }
    for (const xml::Node &item : expired)
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
