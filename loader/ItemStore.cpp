#include "ItemStore.h"

#include "StoreReader.h"
#include "StoredNode.h"
#include "XmlGuard.h"

#include <QBuffer>
#include <QFile>
#include <QSaveFile>

#include <libxml/xmlreader.h>
#include <libxml/xmlwriter.h>

#include <algorithm>
#include <limits>

namespace {

size_t keyOf(QByteArrayView text)
{
    return qHash(text, 0x7a11);
}

int writeToFile(void *context, const char *buffer, int length)
{
    auto *file = static_cast<QSaveFile *>(context);
    return file->write(buffer, length) == length ? length : -1;
}

int closeNothing(void *)
{
    return 0;
}

// The first error the reader reports, for the message about a store that cannot be used.
void keepFirstError(
    void *arg, const char *msg, xmlParserSeverities severity, xmlTextReaderLocatorPtr)
{
    auto *why = static_cast<QString *>(arg);
    if (severity == XML_PARSER_SEVERITY_ERROR && why->isEmpty())
        *why = QString::fromUtf8(msg).trimmed();
}

} // namespace

void ItemStore::KeyTable::clear()
{
    m_Slots.clear();
    m_Slots.shrink_to_fit();
    m_Used = m_Live = 0;
}

void ItemStore::KeyTable::rehash(size_t capacity)
{
    std::vector<Slot> old = std::exchange(m_Slots, std::vector<Slot>(capacity));
    m_Used = m_Live = 0;
    for (const Slot &slot : old) {
        if (slot.entry && slot.entry != tombstone())
            insert(slot.key, slot.entry);
    }
}

void ItemStore::KeyTable::reserve(size_t count)
{
    size_t capacity = 16;
    while (capacity < count * 2)
        capacity *= 2;
    if (capacity > m_Slots.size())
        rehash(capacity);
}

void ItemStore::KeyTable::insert(size_t key, Entry *entry)
{
    if ((m_Used + 1) * 2 > m_Slots.size()) {
        // Full of removed slots: cleared at the same size; else twice the room.
        const bool mostlyRemoved = m_Live * 4 < m_Slots.size();
        rehash(std::max<size_t>(16, mostlyRemoved ? m_Slots.size() : m_Slots.size() * 2));
    }
    const size_t mask = m_Slots.size() - 1;
    for (size_t i = key & mask;; i = (i + 1) & mask) {
        Slot &slot = m_Slots[i];
        if (!slot.entry) {
            slot = {key, entry};
            ++m_Used;
            ++m_Live;
            return;
        }
    }
}

void ItemStore::KeyTable::remove(size_t key, Entry *entry)
{
    if (m_Slots.empty())
        return;
    const size_t mask = m_Slots.size() - 1;
    for (size_t i = key & mask;; i = (i + 1) & mask) {
        Slot &slot = m_Slots[i];
        if (!slot.entry)
            return;
        if (slot.key == key && slot.entry == entry) {
            slot.entry = tombstone();
            --m_Live;
        }
    }
}

ItemStore::~ItemStore()
{
    clear();
}

namespace {

constexpr int kBlockEntries = 4096;
constexpr qint64 kOrderStep = qint64(1) << 20;

} // namespace

ItemStore::Entry *ItemStore::newEntry()
{
    if (m_Free) {
        Entry *e = m_Free;
        m_Free = e->next;
        *e = Entry();
        return e;
    }
    if (m_Blocks.empty() || m_UsedInBlock == kBlockEntries) {
        m_Blocks.push_back(std::make_unique<Entry[]>(kBlockEntries));
        m_UsedInBlock = 0;
    }
    return &m_Blocks.back()[m_UsedInBlock++];
}

void ItemStore::freeEntry(Entry *entry)
{
    *entry = Entry(); // its texts go now
    entry->next = m_Free;
    m_Free = entry;
}

void ItemStore::renumber()
{
    qint64 order = 0;
    for (Entry *e = m_First; e; e = e->next)
        e->order = order += kOrderStep;
}

void ItemStore::sortByOrder(std::vector<Entry *> &entries)
{
    std::sort(entries.begin(), entries.end(),
        [](const Entry *a, const Entry *b) { return a->order < b->order; });
}

void ItemStore::clear()
{
    m_Blocks.clear();
    m_UsedInBlock = 0;
    m_Free = nullptr;
    m_First = m_Last = nullptr;
    m_Count = 0;
    m_Root.clear();
    m_Prolog.clear();
    m_Epilog.clear();
    m_ByHash.clear();
    m_ByGuid.clear();
    m_ByChannel.clear();
    m_Interned.clear();
    m_Records.clear();
}

void ItemStore::startEmpty()
{
    clear();
    xmlNode *root = xmlNewNode(nullptr, reinterpret_cast<const xmlChar *>("itembank"));
    m_Root = StoredNode::Encode(root);
    xmlFreeNode(root);
}

namespace {

struct Filler : StoreReader::Sink
{
    ItemStore &store;
    std::vector<QByteArray> &prolog;
    std::vector<QByteArray> &epilog;
    Filler(ItemStore &s, std::vector<QByteArray> &p, std::vector<QByteArray> &e)
        : store(s), prolog(p), epilog(e)
    { }
    void root(const QByteArray &tokens) override { rootTag = tokens; }
    void node(QByteArray tokens) override { store.append(std::move(tokens)); }
    void outside(bool before, const QByteArray &tokens) override
    {
        (before ? prolog : epilog).push_back(tokens);
    }
    QByteArray rootTag;
};

} // namespace

bool ItemStore::load(const QString &path, bool hugeText, QString *why)
{
    clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (why)
            *why = file.errorString();
        return false;
    }
    return read(file, path.toUtf8(), hugeText, why);
}

bool ItemStore::loadText(const QByteArray &text, QString *why)
{
    clear();
    QBuffer buffer;
    buffer.setData(text);
    buffer.open(QIODevice::ReadOnly);
    return read(buffer, QByteArray(), true, why);
}

bool ItemStore::read(QIODevice &source, const QByteArray &url, bool hugeText, QString *why)
{
    QString error;
    Filler filler(*this, m_Prolog, m_Epilog);
    // The lookups are built once everything is in.
    m_Reading = true;
    const StoreReader::Result result = StoreReader::Read(source, hugeText, filler, &error);
    m_Reading = false;
    if (result == StoreReader::Result::Read) {
        m_Root = filler.rootTag;
        indexAll();
        rebuildRecords();
        return true;
    }
    clear();
    if (result == StoreReader::Result::NeedsTree && source.seek(0)) {
        // A document type: the reader that builds each node as a tree does what it says.
        xml::initialize();
        xmlTextReaderPtr reader = xmlReaderForIO(StoreReader::ReadFromDevice,
            StoreReader::CloseNothing, &source, url.isEmpty() ? nullptr : url.constData(), nullptr,
            xml::parseOptions() | XML_PARSE_COMPACT | (hugeText ? XML_PARSE_HUGE : 0));
        if (reader) {
            m_Reading = true;
            const bool ok = readByTree(reader, &error);
            m_Reading = false;
            if (ok)
                indexAll();
            xmlFreeTextReader(reader);
            if (ok)
                return true;
        }
        clear();
    }
    if (why)
        *why = error.isEmpty() ? QStringLiteral("the file is not well-formed XML") : error;
    return false;
}

bool ItemStore::readByTree(void *opaque, QString *why)
{
    auto *reader = static_cast<xmlTextReaderPtr>(opaque);
    QString error;
    xmlTextReaderSetErrorHandler(reader, keepFirstError, &error);
    bool inRoot = false;
    bool rootDone = false;
    int ret = xmlTextReaderRead(reader);
    while (ret == 1) {
        const int type = xmlTextReaderNodeType(reader);
        const int depth = xmlTextReaderDepth(reader);
        xmlNode *node = xmlTextReaderCurrentNode(reader);
        if (depth == 0) {
            if (type == XML_READER_TYPE_ELEMENT) {
                // The root's own start tag; its children follow one by one.
                xmlNode bare = *node;
                bare.children = nullptr;
                m_Root = StoredNode::Encode(&bare);
                inRoot = !xmlTextReaderIsEmptyElement(reader);
                rootDone = !inRoot;
            } else if (type == XML_READER_TYPE_END_ELEMENT) {
                inRoot = false;
                rootDone = true;
            } else if (type == XML_READER_TYPE_COMMENT
                || type == XML_READER_TYPE_PROCESSING_INSTRUCTION) {
                (rootDone ? m_Epilog : m_Prolog).push_back(StoredNode::Encode(node));
            }
            ret = xmlTextReaderRead(reader);
            continue;
        }
        if (inRoot && depth == 1 && type != XML_READER_TYPE_END_ELEMENT) {
            if (type == XML_READER_TYPE_ELEMENT) {
                // The whole child, built by the parser as a tree would have it, then let go.
                xmlNode *whole = xmlTextReaderExpand(reader);
                if (!whole)
                    break;
                append(StoredNode::Encode(whole));
                ret = xmlTextReaderNext(reader);
                continue;
            }
            if (node && node->type != XML_ENTITY_DECL)
                append(StoredNode::Encode(node));
        }
        ret = xmlTextReaderRead(reader);
    }
    if (ret != 0 || m_Root.isEmpty()) {
        if (why)
            *why = error.isEmpty() ? QStringLiteral("the file is not well-formed XML") : error;
        return false;
    }
    rebuildRecords();
    return true;
}

QByteArray ItemStore::interned(const QByteArray &text)
{
    if (text.isNull())
        return text;
    const auto it = m_Interned.constFind(text);
    if (it != m_Interned.cend())
        return *it;
    m_Interned.insert(text);
    return text;
}

void ItemStore::fill(Entry *entry)
{
    entry->item = StoredNode::IsItem(entry->node);
    if (!entry->item)
        return;
    // One pass through the attributes, one through the children.
    QByteArrayView channel, date, time;
    bool hasChannel = false, hasDate = false;
    StoredNode::ForEachAttribute(entry->node, [&](QByteArrayView name, QByteArrayView value) {
        if (name == "channel" && !hasChannel) {
            channel = value;
            hasChannel = true;
        } else if (name == "date" && !hasDate) {
            date = value;
            hasDate = true;
        } else if (name == "time" && time.isNull()) {
            time = value.isNull() ? QByteArrayView("", 0) : value;
        }
    });
    auto unescaped = [](QByteArrayView v) {
        return v.contains('&') ? StoredNode::Unescaped(v) : v.toByteArray();
    };
    entry->channel =
        hasChannel ? interned(unescaped(channel.isNull() ? "" : channel)) : QByteArray();
    entry->facts = modItemQuery::ItemFacts();
    StoredNode::ForEachChild(entry->node, [entry](const StoredNode::Child &c) {
        if (!c.isElement || (c.flags & StoredNode::InNamespace))
            return true;
        quint8 t = 0;
        if (c.name == "read")
            t = modItemQuery::ItemFacts::ReadTrue;
        else if (c.name == "flag")
            t = modItemQuery::ItemFacts::FlagTrue;
        else if (c.name == "delete")
            t = modItemQuery::ItemFacts::DeleteTrue;
        if (!t)
            return true;
        QByteArray value;
        const QByteArrayView text = StoredNode::TextView(c.tokens, value);
        if (text == "true")
            entry->facts.bits |= t;
        else if (text == "false")
            entry->facts.bits |= quint8(t << 1); // the matching ...False bit
        return true;
    });
    const QByteArray dateText = hasDate ? unescaped(date.isNull() ? "" : date) : QByteArray();
    if (hasDate) {
        entry->facts.bits |= modItemQuery::ItemFacts::HasDate;
        entry->facts.date = interned(dateText);
    }
    const auto m =
        modItemHandler::ReadItemMoment(dateText, time.isNull() ? QByteArray() : unescaped(time));
    entry->dated = m.has_value();
    entry->moment = m.value_or(0);
}

ItemStore::Entry *ItemStore::append(QByteArray node)
{
    if (node.isEmpty())
        return nullptr;
    Entry *entry = newEntry();
    entry->node = std::move(node);
    fill(entry);
    link(entry, nullptr);
    if (!m_Reading)
        addKeys(entry);
    return entry;
}

void ItemStore::link(Entry *entry, Entry *before)
{
    entry->next = before;
    entry->prev = before ? before->prev : m_Last;
    if (entry->prev)
        entry->prev->next = entry;
    else
        m_First = entry;
    if (before)
        before->prev = entry;
    else
        m_Last = entry;
    ++m_Count;
    // An order between its neighbours'; when there is no room left, everything is numbered
    // afresh.
    const qint64 low =
        entry->prev ? entry->prev->order : (before ? before->order - 2 * kOrderStep : 0);
    const qint64 high = before ? before->order : low + 2 * kOrderStep;
    if (high - low >= 2)
        entry->order = low + (high - low) / 2;
    else
        renumber();
}

template<typename F> void ItemStore::forEachKey(const Entry *entry, QByteArrayView field, F &&f)
{
    // Children without a namespace named field; the same text once.
    QByteArray previous;
    bool first = true;
    StoredNode::ForEachChild(entry->node, [&](const StoredNode::Child &c) {
        if (c.isElement && !(c.flags & StoredNode::InNamespace) && c.name == field) {
            QByteArray value;
            const QByteArrayView text = StoredNode::TextView(c.tokens, value);
            if (first || text != previous) {
                f(text);
                first = false;
                previous = text.toByteArray();
            }
        }
        return true;
    });
}

bool ItemStore::hasKey(const Entry *entry, QByteArrayView field, QByteArrayView text)
{
    bool found = false;
    forEachKey(entry, field, [&](QByteArrayView key) { found = found || key == text; });
    return found;
}

void ItemStore::addKeys(Entry *entry)
{
    if (!entry->item)
        return;
    if (!entry->channel.isNull())
        m_ByChannel[entry->channel].insert(entry);
    // Both keys in one pass through the children.
    StoredNode::ForEachChild(entry->node, [&](const StoredNode::Child &c) {
        if (!c.isElement || (c.flags & StoredNode::InNamespace))
            return true;
        const bool hash = c.name == "hash";
        if (!hash && c.name != "guid")
            return true;
        QByteArray value;
        const QByteArrayView text = StoredNode::TextView(c.tokens, value);
        (hash ? m_ByHash : m_ByGuid).insert(keyOf(text), entry);
        return true;
    });
}

void ItemStore::removeKeys(Entry *entry)
{
    if (!entry->item)
        return;
    if (!entry->channel.isNull()) {
        auto it = m_ByChannel.find(entry->channel);
        if (it != m_ByChannel.end()) {
            it->remove(entry);
            if (it->isEmpty())
                m_ByChannel.erase(it);
        }
    }
    // (A key an entry has twice went in twice; removing takes every pair.)
    forEachKey(entry, "hash", [&](QByteArrayView key) { m_ByHash.remove(keyOf(key), entry); });
    forEachKey(entry, "guid", [&](QByteArrayView key) { m_ByGuid.remove(keyOf(key), entry); });
}

void ItemStore::indexAll()
{
    m_ByHash.reserve(m_Count);
    m_ByGuid.reserve(m_Count);
    for (Entry *e = m_First; e; e = e->next)
        addKeys(e);
}

bool ItemStore::containsHash(const QByteArray &hash) const
{
    return firstWithHash(hash) != nullptr;
}

ItemStore::Entry *ItemStore::firstWithHash(const QByteArray &hash) const
{
    Entry *first = nullptr;
    m_ByHash.forEach(keyOf(hash), [&](Entry *candidate) {
        if (!hasKey(candidate, "hash", hash))
            return; // another text with the same key
        if (!first || candidate->order < first->order)
            first = candidate;
    });
    return first;
}

std::vector<ItemStore::Entry *> ItemStore::withGuid(const QByteArray &guid) const
{
    std::vector<Entry *> out;
    m_ByGuid.forEach(keyOf(guid), [&](Entry *candidate) {
        if (hasKey(candidate, "guid", guid)
            && std::find(out.begin(), out.end(), candidate) == out.end())
            out.push_back(candidate);
    });
    return out;
}

const QSet<ItemStore::Entry *> *ItemStore::itemsOfChannel(const QByteArray &channel) const
{
    const auto it = m_ByChannel.constFind(channel);
    return it == m_ByChannel.cend() ? nullptr : &*it;
}

void ItemStore::rebuildRecords()
{
    m_Records.clear();
    Moment lowest = std::numeric_limits<Moment>::max();
    for (Entry *e = m_First; e; e = e->next) {
        if (e->dated && e->moment < lowest) {
            lowest = e->moment;
            m_Records.emplace(e->moment, e);
        }
    }
}

bool ItemStore::goesFirst(Moment m) const
{
    return m_First && m > 0 && !m_First->dated;
}

ItemStore::Entry *ItemStore::placeFor(Moment m) const
{
    if (goesFirst(m))
        return m_First;
    // The first readable item strictly earlier than m is the record low with the largest
    // moment below m.
    auto it = m_Records.lower_bound(m);
    return it == m_Records.begin() ? nullptr : std::prev(it)->second;
}

ItemStore::Entry *ItemStore::insertByTime(QByteArray node)
{
    if (!hasRoot() || node.isEmpty())
        return nullptr;
    Entry *entry = newEntry();
    entry->node = std::move(node);
    fill(entry);
    if (!entry->dated) {
        freeEntry(entry);
        return nullptr;
    }
    const Moment m = entry->moment;
    const bool first = goesFirst(m);
    link(entry, placeFor(m));
    if (first) // ahead of everything: record lows as late as m or later no longer are
        m_Records.erase(m_Records.lower_bound(m), m_Records.end());
    // Every readable item ahead of it is at least m, so it is a record low unless one of them
    // is exactly m; emplace keeps that one then.
    m_Records.emplace(m, entry);
    addKeys(entry);
    return entry;
}

void ItemStore::remove(Entry *entry)
{
    if (!entry)
        return;
    removeKeys(entry);
    if (entry->dated) {
        auto it = m_Records.find(entry->moment);
        if (it != m_Records.end() && it->second == entry) {
            // Items between this record low and the next one were at least as late as it;
            // those earlier than everything ahead of them become record lows now.
            const auto later = std::next(it);
            Moment lowestAhead =
                later == m_Records.end() ? std::numeric_limits<Moment>::max() : later->first;
            Entry *nextRecord = it == m_Records.begin() ? nullptr : std::prev(it)->second;
            m_Records.erase(it);
            for (Entry *c = entry->next; c && c != nextRecord; c = c->next) {
                if (c->dated && c->moment < lowestAhead) {
                    lowestAhead = c->moment;
                    m_Records.emplace(c->moment, c);
                }
            }
        }
    }
    (entry->prev ? entry->prev->next : m_First) = entry->next;
    (entry->next ? entry->next->prev : m_Last) = entry->prev;
    --m_Count;
    freeEntry(entry);
}

void ItemStore::replaceNode(Entry *entry, QByteArray node)
{
    // The moment stays (the attributes it comes from are not what changes), so the entry keeps
    // its place and its part in the record lows.
    removeKeys(entry);
    entry->node = std::move(node);
    fill(entry);
    addKeys(entry);
}

QByteArray ItemStore::rootAttribute(QByteArrayView name) const
{
    return StoredNode::Attribute(m_Root, name);
}

void ItemStore::setRootAttribute(QByteArrayView name, const QByteArray &value)
{
    if (m_Root.isEmpty())
        return;
    m_Root = StoredNode::WithAttribute(m_Root, name, value);
}

template<typename Flush> void ItemStore::writeContent(QByteArray &block, Flush &&flush) const
{
    // As libxml2 writes a document with indentation: each child of the root on a line of its
    // own, unless one of them is text; then the root's content stays as it was.
    for (const QByteArray &n : m_Prolog) {
        StoredNode::Write(n, block, true, 0);
        block += '\n';
    }
    if (!m_Root.isEmpty()) {
        bool indent = true;
        for (const Entry *e = m_First; e && indent; e = e->next)
            indent = e->node.front() != 'T' && e->node.front() != 'C';
        const QByteArray start = StoredNode::Written(m_Root, false, 0);
        if (!m_First) {
            block += start;
        } else {
            block += start.left(start.size() - 2); // "<itembank .../>" opened: "<itembank ...>"
            block += '>';
            if (indent)
                block += '\n';
            for (const Entry *e = m_First; e; e = e->next) {
                StoredNode::Write(e->node, block, indent, 1);
                if (indent)
                    block += '\n';
                if (block.size() > 256 * 1024 && !flush())
                    return;
            }
            block += "</" + StoredNode::ElementName(m_Root) + '>';
        }
        block += '\n';
    }
    for (const QByteArray &n : m_Epilog) {
        StoredNode::Write(n, block, true, 0);
        block += '\n';
    }
}

QByteArray ItemStore::text() const
{
    QByteArray out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    writeContent(out, [] { return true; });
    return out;
}

bool ItemStore::save(const QString &path) const
{
    if (m_Root.isEmpty())
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    xmlOutputBufferPtr output = xmlOutputBufferCreateIO(writeToFile, closeNothing, &file, nullptr);
    xmlTextWriterPtr writer = output ? xmlNewTextWriter(output) : nullptr;
    if (!writer) {
        if (output)
            xmlOutputBufferClose(output);
        file.cancelWriting();
        return false;
    }
    bool ok = xmlTextWriterStartDocument(writer, "1.0", "UTF-8", nullptr) >= 0;
    // The nodes are written as they are kept, a block of them at a time.
    QByteArray block;
    auto flush = [&] {
        ok = ok
            && xmlTextWriterWriteRawLen(
                   writer, reinterpret_cast<const xmlChar *>(block.constData()), int(block.size()))
                >= 0;
        block.resize(0);
        return ok;
    };
    writeContent(block, flush);
    flush();
    ok = ok && xmlTextWriterFlush(writer) >= 0;
    xmlFreeTextWriter(writer); // closes the output buffer
    if (!ok || file.error() != QFileDevice::NoError) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

QByteArray ItemStore::listXml(const std::vector<QByteArray> &nodes) const
{
    if (nodes.empty())
        return QByteArrayLiteral("<items/>\n");
    // Namespaces the root declares go with the items that use them, as copied nodes take them.
    const QByteArray declarations = StoredNode::NamespaceDeclarations(m_Root);
    QByteArray out = "<items>";
    for (const QByteArray &n : nodes) {
        if (declarations.isEmpty())
            StoredNode::Write(n, out, false, 1);
        else
            StoredNode::Write(StoredNode::WithDeclarations(n, declarations), out, false, 1);
    }
    out += "</items>\n";
    return out;
}
