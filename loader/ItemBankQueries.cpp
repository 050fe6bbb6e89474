// Item lists, counts, marks and removals of the item bank.
#include "clsItemBank.h"
#include "XmlGuard.h"
#include "modItemHandler.h"
#include "modItemQuery.h"

using namespace modItemHandler;

std::optional<std::vector<xml::Node>> clsItemBank::SelectItems(const QString &expression) const
{
    if (!XMLDoc)
        return std::nullopt;
    const xml::Node root = XMLDoc->documentElement();
    if (root.isNull())
        return std::nullopt;
    return root.selectNodes(expression);
}

QString clsItemBank::ItemListXml(const std::vector<xml::Node> &list)
{
    xml::Document doc;
    xml::Node root = doc.setDocumentElement(doc.createElement("items"));
    for (const xml::Node &item : list)
        root.appendChild(item.cloneInto(doc));
    return doc.xml();
}

void clsItemBank::SubChannelList(const QString &sURL, const QString &FilterCHL,
                                 const QString &sSearch, const QString &Filter2)
{
    const auto items
        = SelectItems(modItemQuery::BuildItemQuery(sURL, FilterCHL, sSearch, Filter2, Today()));
    if (items)
        emit ChannelNodeList(sURL, ItemListXml(*items));
}

void clsItemBank::UpdateChannel(const QString &sURL)
{
    const QDate today = Today();
    const auto all = SelectItems(modItemQuery::BuildItemQuery(sURL, {}, {}, {}, today));
    const auto unread = SelectItems(
        modItemQuery::BuildItemQuery(sURL, QStringLiteral("_tarnwick/unread"), {}, {}, today));
    if (all && unread)
        emit ChannelCounts(sURL, qint32(all->size()), qint32(unread->size()));
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
    if (const xml::Node item = ItemByHash(sHash))
        SetItemRead(item, bRead);
}

void clsItemBank::MarkItemTagged(const QString &sHash, bool bTag)
{
    if (const xml::Node item = ItemByHash(sHash))
        SetItemFlag(item, bTag);
}

void clsItemBank::MarkItemDeleted(const QString &sHash, bool bDel)
{
    if (const xml::Node item = ItemByHash(sHash))
        SetItemDeleted(item, bDel);
}

void clsItemBank::MarkAllRead(const QString &sChl)
{
    const auto items = SelectItems(modItemQuery::BuildItemQuery(sChl, {}, {}, {}, Today()));
    if (!items)
        return;
    for (auto it = items->rbegin(); it != items->rend(); ++it)
        SetItemRead(*it, true);
}

void clsItemBank::RemoveExpired(const QString &Channel, qint32 Days)
{
    // Untagged means a flag child that says exactly "false": items without one never expire.
    const auto items = SelectItems(QLatin1String("item[@channel=") + xml::xpathLiteral(Channel)
                                   + QLatin1String(" and flag=\"false\"]"));
    if (!items)
        return;
    const QDate today = Today();
    for (const xml::Node &item : *items) {
        // An item whose date cannot be read has no age: it stays, and the rest are still
        // looked at.
        const auto age = ItemAgeDays(item, today);
        if (age && *age > Days)
            RemoveStoredItem(item);
    }
}

bool clsItemBank::KillChannel(const QString &sURL)
{
    for (const QueueSlot &slot : m_Slots) {
        if (slot.sURL == sURL)
            return false; // waiting for or in a fetch
    }
    const auto items = SelectItems(modItemQuery::BuildItemQuery(sURL, {}, {}, {}, Today()));
    if (!items)
        return false;
    for (auto it = items->rbegin(); it != items->rend(); ++it)
        RemoveStoredItem(*it);
    return true;
}
