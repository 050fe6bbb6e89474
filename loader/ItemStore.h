#pragma once

#include "modItemHandler.h"
#include "modItemQuery.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMultiHash>
#include <QSet>
#include <QString>

#include <map>

class QIODevice;
#include <memory>
#include <vector>

// The item store in memory: what "items.xml" holds below its root, in file order, each node
// kept compactly (StoredNode) rather than as a tree, with the lookups merges and queries use:
//  - items by the text of any "hash" child, and by the text of any "guid" child;
//  - items by their channel attribute, and each item's marks and date, for the filters;
//  - the place a new item goes by its moment.
// The file is read with a streaming reader, one node at a time, and written with a streaming
// writer through a temporary file; both give and take the file exactly as before.
//
// Placement: a new item goes before the first stored item whose moment is strictly earlier.
// An item whose date or time cannot be read takes the moment of the item before it (moment 0
// when first), so it can never be that first earlier item unless it leads the store. What
// remains is the first readable item earlier than the new one; such an item is always a
// "record low": earlier than every readable item before it. The record lows are kept in a
// map from moment to entry; their moments fall strictly in store order, so one search finds
// the place.
class ItemStore
{
public:
    using Moment = modItemHandler::ItemMoment;

    struct Entry
    {
        QByteArray node; // StoredNode tokens
        QByteArray channel; // the channel attribute (items only); null when it has none
        modItemQuery::ItemFacts facts; // items only
        Moment moment = 0;
        // Rises along the store: ordering a selection is a sort, not a walk of the store.
        qint64 order = 0;
        bool dated = false; // moment read from its date and time attributes
        bool item = false; // an "item" element without a namespace
        Entry *prev = nullptr;
        Entry *next = nullptr;
    };

    ItemStore() = default;
    ~ItemStore();
    ItemStore(const ItemStore &) = delete;
    ItemStore &operator=(const ItemStore &) = delete;

    // Reads the store file; false (with why) when it is not well-formed XML. hugeText lifts
    // libxml2's limit on one text's length.
    bool load(const QString &path, bool hugeText, QString *why);
    // Reads store text (for checks and conversions); false when it does not parse.
    bool loadText(const QByteArray &text, QString *why = nullptr);
    // An empty store: the root "itembank" alone.
    void startEmpty();
    void clear();
    bool hasRoot() const { return !m_Root.isEmpty(); }

    // Writes the store to path through a temporary file renamed into place.
    bool save(const QString &path) const;
    // The file's text, as save writes it.
    QByteArray text() const;

    QByteArray rootAttribute(QByteArrayView name) const;
    void setRootAttribute(QByteArrayView name, const QByteArray &value);

    // Nodes below the root (items and anything else), and the first in store order.
    int count() const { return m_Count; }
    Entry *first() const { return m_First; }

    bool containsHash(const QByteArray &hash) const;
    // The first item in store order with that hash; null when none.
    Entry *firstWithHash(const QByteArray &hash) const;
    // Every item with a guid child of that text (each item once), in no particular order.
    std::vector<Entry *> withGuid(const QByteArray &guid) const;
    // The items whose channel attribute is exactly channel, in no particular order; null when
    // there are none.
    const QSet<Entry *> *itemsOfChannel(const QByteArray &channel) const;
    // Every channel some item names.
    QList<QByteArray> channels() const { return m_ByChannel.keys(); }

    // Places an item (StoredNode tokens) at its moment's place: before the first stored item
    // with a strictly earlier moment, else at the end; equal moments keep the items already
    // stored ahead. Null (and nothing stored) when its date and time cannot be read.
    Entry *insertByTime(QByteArray node);
    // Appends a node at the end, whatever it is (reading a file).
    Entry *append(QByteArray node);
    void remove(Entry *entry);
    // Gives an entry new tokens with the same date and time (a mark or a field changed): its
    // facts and keys are read again.
    void replaceNode(Entry *entry, QByteArray node);

    // The entries in store order.
    static void sortByOrder(std::vector<Entry *> &entries);

    // Item lists as clients get them: root "items", the items in the given order.
    QByteArray listXml(const std::vector<QByteArray> &nodes) const;

    // The stored item a new item of moment m goes before; null when it goes at the end.
    Entry *placeFor(Moment m) const;

private:
    void fill(Entry *entry);
    void addKeys(Entry *entry);
    void removeKeys(Entry *entry);
    void link(Entry *entry, Entry *before);
    bool goesFirst(Moment m) const;
    // f(text) for each distinct text of the entry's children named field.
    template<typename F> static void forEachKey(const Entry *entry, QByteArrayView field, F &&f);
    static bool hasKey(const Entry *entry, QByteArrayView field, QByteArrayView text);
    void indexAll();
    bool m_Reading = false;
    QByteArray interned(const QByteArray &text);
    void rebuildRecords();
    // What follows the XML declaration in the file, into block; flush() empties block
    // (false: writing failed, stop).
    template<typename Flush> void writeContent(QByteArray &block, Flush &&flush) const;
    Entry *newEntry();
    void freeEntry(Entry *entry);
    void renumber();
    bool read(QIODevice &source, const QByteArray &url, bool hugeText, QString *why);
    bool readByTree(void *reader, QString *why);

    QByteArray m_Root; // the root's start tag, as tokens
    std::vector<QByteArray> m_Prolog; // comments and instructions before the root
    std::vector<QByteArray> m_Epilog; // and after it
    // Entries live in blocks, side by side, so that walking the store stays in few pages.
    std::vector<std::unique_ptr<Entry[]>> m_Blocks;
    int m_UsedInBlock = 0;
    Entry *m_Free = nullptr;
    Entry *m_First = nullptr;
    Entry *m_Last = nullptr;
    int m_Count = 0;

    // Entries by a 64-bit hash of a key text, open addressing; one key may name several
    // entries, and several texts may share a hash (callers compare the texts).
    class KeyTable
    {
    public:
        void clear();
        void reserve(size_t count);
        void insert(size_t key, Entry *entry);
        void remove(size_t key, Entry *entry);
        template<typename F> void forEach(size_t key, F &&f) const
        {
            if (m_Slots.empty())
                return;
            const size_t mask = m_Slots.size() - 1;
            for (size_t i = key & mask;; i = (i + 1) & mask) {
                const Slot &slot = m_Slots[i];
                if (!slot.entry)
                    return;
                if (slot.entry != tombstone() && slot.key == key)
                    f(slot.entry);
            }
        }

    private:
        struct Slot
        {
            size_t key = 0;
            Entry *entry = nullptr; // null: never used
        };
        static Entry *tombstone() { return reinterpret_cast<Entry *>(alignof(Entry)); }
        void rehash(size_t capacity);
        std::vector<Slot> m_Slots;
        size_t m_Used = 0; // live and removed
        size_t m_Live = 0;
    };
    KeyTable m_ByHash;
    KeyTable m_ByGuid;
    QHash<QByteArray, QSet<Entry *>> m_ByChannel;
    QSet<QByteArray> m_Interned;
    std::map<Moment, Entry *> m_Records;
};
