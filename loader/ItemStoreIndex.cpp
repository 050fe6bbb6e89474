#include "ItemStoreIndex.h"

#include <libxml/tree.h>

#include <limits>

namespace {

bool isItem(const xmlNode *node)
{
    return node->type == XML_ELEMENT_NODE && !node->ns
        && xmlStrEqual(node->name, reinterpret_cast<const xmlChar *>("item"));
}

// Texts of the item's children with the given name (no namespace).
template<typename F> void forEachChildText(xmlNode *item, const char *name, F &&f)
{
    for (xmlNode *c = item->children; c; c = c->next) {
        if (c->type == XML_ELEMENT_NODE && !c->ns
            && xmlStrEqual(c->name, reinterpret_cast<const xmlChar *>(name))) {
            f(xml::Node(c).textUtf8());
        }
    }
}

std::optional<modItemHandler::ItemMoment> momentOf(xmlNode *node)
{
    return modItemHandler::ReadItemMoment(xml::Node(node));
}

// Document order of two children of the same parent.
bool comesBefore(const xmlNode *a, const xmlNode *b)
{
    for (const xmlNode *c = a->next; c; c = c->next) {
        if (c == b)
            return true;
    }
    return false;
}

} // namespace

void ItemStoreIndex::clear()
{
    m_ByHash.clear();
    m_ByGuid.clear();
    m_ByChannel.clear();
    m_Facts.clear();
    m_Records.clear();
}

void ItemStoreIndex::rebuild(xml::Node root)
{
    clear();
    if (root.isNull())
        return;
    Moment lowest = std::numeric_limits<Moment>::max();
    for (xmlNode *c = root.raw()->children; c; c = c->next) {
        addKeys(c);
        if (const auto m = momentOf(c); m && *m < lowest) {
            lowest = *m;
            m_Records.emplace(*m, c);
        }
    }
}

void ItemStoreIndex::addKeys(xmlNode *item)
{
    if (!isItem(item))
        return;
    const xml::Node node(item);
    if (node.hasAttribute("channel"))
        m_ByChannel[node.attributeUtf8("channel")].insert(item);
    m_Facts.insert(item, modItemQuery::ItemFacts::of(item));
    forEachChildText(item, "hash", [&](const QByteArray &text) {
        if (!m_ByHash.contains(text, item))
            m_ByHash.insert(text, item);
    });
    forEachChildText(item, "guid", [&](const QByteArray &text) {
        if (!m_ByGuid.contains(text, item))
            m_ByGuid.insert(text, item);
    });
}

void ItemStoreIndex::removeKeys(xmlNode *item)
{
    if (!isItem(item))
        return;
    m_Facts.remove(item);
    const xml::Node node(item);
    if (node.hasAttribute("channel")) {
        const QByteArray channel = node.attributeUtf8("channel");
        auto it = m_ByChannel.find(channel);
        if (it != m_ByChannel.end()) {
            it->remove(item);
            if (it->isEmpty())
                m_ByChannel.erase(it);
        }
    }
    forEachChildText(item, "hash", [&](const QByteArray &text) { m_ByHash.remove(text, item); });
    forEachChildText(item, "guid", [&](const QByteArray &text) { m_ByGuid.remove(text, item); });
}

xml::Node ItemStoreIndex::firstWithHash(const QByteArray &hash) const
{
    xmlNode *first = nullptr;
    for (auto it = m_ByHash.constFind(hash); it != m_ByHash.cend() && it.key() == hash; ++it) {
        if (!first || comesBefore(it.value(), first))
            first = it.value();
    }
    return xml::Node(first);
}

std::vector<xml::Node> ItemStoreIndex::withGuid(const QByteArray &guid) const
{
    std::vector<xml::Node> out;
    for (auto it = m_ByGuid.constFind(guid); it != m_ByGuid.cend() && it.key() == guid; ++it)
        out.emplace_back(it.value());
    return out;
}

const QSet<xmlNode *> *ItemStoreIndex::itemsOfChannel(const QByteArray &channel) const
{
    const auto it = m_ByChannel.constFind(channel);
    return it == m_ByChannel.cend() ? nullptr : &*it;
}

const modItemQuery::ItemFacts *ItemStoreIndex::factsOf(xmlNode *item) const
{
    const auto it = m_Facts.constFind(item);
    return it == m_Facts.cend() ? nullptr : &*it;
}

void ItemStoreIndex::refresh(xml::Node item)
{
    auto it = m_Facts.find(item.raw());
    if (it != m_Facts.end())
        *it = modItemQuery::ItemFacts::of(item.raw());
}

bool ItemStoreIndex::goesFirst(xml::Node root, Moment m)
{
    xmlNode *first = root.raw()->children;
    return first && m > 0 && !momentOf(first);
}

xml::Node ItemStoreIndex::placeFor(xml::Node root, Moment m) const
{
    if (root.isNull())
        return xml::Node();
    if (goesFirst(root, m))
        return root.firstChild();
    // The first readable item strictly earlier than m is the record low with the largest
    // moment below m.
    auto it = m_Records.lower_bound(m);
    return it == m_Records.begin() ? xml::Node() : xml::Node(std::prev(it)->second);
}

xml::Node ItemStoreIndex::insertByTime(xml::Node root, xml::NodeHandle item)
{
    if (root.isNull() || !item)
        return xml::Node();
    const auto moment = momentOf(item.get());
    if (!moment)
        return xml::Node();
    const Moment m = *moment;
    const bool first = goesFirst(root, m);
    const xml::Node inserted = root.insertBefore(std::move(item), placeFor(root, m));
    if (first) // ahead of everything: record lows as late as m or later no longer are
        m_Records.erase(m_Records.lower_bound(m), m_Records.end());
    // Every readable item ahead of it is at least m, so it is a record low unless one of them
    // is exactly m; emplace keeps that one then.
    m_Records.emplace(m, inserted.raw());
    addKeys(inserted.raw());
    return inserted;
}

void ItemStoreIndex::remove(xml::Node root, xml::Node item)
{
    xmlNode *node = item.raw();
    if (!node || node->parent != root.raw())
        return;
    removeKeys(node);
    if (const auto m = momentOf(node)) {
        auto it = m_Records.find(*m);
        if (it != m_Records.end() && it->second == node) {
            // Items between this record low and the next one were at least as late as it;
            // those earlier than everything ahead of them become record lows now.
            const auto later = std::next(it);
            Moment lowestAhead =
                later == m_Records.end() ? std::numeric_limits<Moment>::max() : later->first;
            xmlNode *nextRecord = it == m_Records.begin() ? nullptr : std::prev(it)->second;
            m_Records.erase(it);
            for (xmlNode *c = node->next; c && c != nextRecord; c = c->next) {
                if (const auto cm = momentOf(c); cm && *cm < lowestAhead) {
                    lowestAhead = *cm;
                    m_Records.emplace(*cm, c);
                }
            }
        }
    }
    root.removeChild(item);
}
