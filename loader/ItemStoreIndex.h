#pragma once

#include "XmlNode.h"
#include "modItemHandler.h"
#include "modItemQuery.h"

#include <QByteArray>
#include <QHash>
#include <QMultiHash>
#include <QSet>

#include <map>
#include <vector>

// Lookups beside the item store's tree, so that merges and channel queries never scan the
// store:
//  - items by the text of any "hash" child, and by the text of any "guid" child;
//  - items by their channel attribute, and each item's marks and date, for the filters;
//  - the place a new item goes by its moment.
// Every insertion and removal of a stored item goes through this class, which keeps the
// lookups in step with the tree. Results equal those of a scan in document order.
//
// Placement: a new item goes before the first stored item whose moment is strictly earlier.
// An item whose date or time cannot be read takes the moment of the item before it (moment 0
// when first), so it can never be that first earlier item unless it leads the store. What
// remains is the first readable item earlier than the new one; such an item is always a
// "record low": earlier than every readable item before it. The record lows are kept in a
// map from moment to node; their moments fall strictly in document order, so one search
// finds the place.
class ItemStoreIndex
{
public:
    using Moment = modItemHandler::ItemMoment;

    void clear();
    // Indexes every item below root, in document order.
    void rebuild(xml::Node root);

    bool containsHash(const QByteArray &hash) const { return m_ByHash.contains(hash); }
    // The first item in document order with that hash; null when none.
    xml::Node firstWithHash(const QByteArray &hash) const;
    // Every item with a guid child of that text (each item once), in no particular order.
    std::vector<xml::Node> withGuid(const QByteArray &guid) const;
    // The items whose channel attribute is exactly channel, in no particular order; null when
    // there are none.
    const QSet<xmlNode *> *itemsOfChannel(const QByteArray &channel) const;
    // Every channel attribute some item has.
    QList<QByteArray> channels() const { return m_ByChannel.keys(); }
    // The mark and date facts of every item, and of one (null for what is not an item).
    const QHash<xmlNode *, modItemQuery::ItemFacts> &facts() const { return m_Facts; }
    const modItemQuery::ItemFacts *factsOf(xmlNode *item) const;
    // Reads an item's facts again after its marks changed.
    void refresh(xml::Node item);

    // The stored item a new item of moment m goes before; null when it goes at the end.
    xml::Node placeFor(xml::Node root, Moment m) const;
    // Places item (a node of root's document, not in the tree) at its moment's place: before
    // the first stored item with a strictly earlier moment, else at the end. Equal moments
    // keep the items already stored ahead. Returns the inserted node.
    xml::Node insertByTime(xml::Node root, xml::NodeHandle item);
    // Removes item from root's children and frees it.
    void remove(xml::Node root, xml::Node item);

private:
    // True when the store starts with something without a readable moment (moment 0) that a
    // moment m is later than: then m goes in front of everything.
    static bool goesFirst(xml::Node root, Moment m);
    void addKeys(xmlNode *item);
    void removeKeys(xmlNode *item);

    QMultiHash<QByteArray, xmlNode *> m_ByHash;
    QMultiHash<QByteArray, xmlNode *> m_ByGuid;
    QHash<QByteArray, QSet<xmlNode *>> m_ByChannel;
    QHash<xmlNode *, modItemQuery::ItemFacts> m_Facts;
    std::map<Moment, xmlNode *> m_Records;
};
