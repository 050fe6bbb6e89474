#include "clsItemBank.h"

#include "LoaderLog.h"
#include "StoredNode.h"
#include "TextNumber.h"
#include "UserMessage.h"
#include "modHash.h"
#include "modItemHandler.h"

#include <algorithm>
#include <utility>

#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <malloc.h>

using namespace modItemHandler;

namespace {

const char *const kStoreFile = "items.xml";

// Channel details reported while walking a channel, by lower-case element name.
qint16 DetailIndex(const QString &name)
{
    static const char *const names[] = {"title", "link", "description", "language", "copyright",
        "managingeditor", "webmaster", "pubdate", "lastbuilddate", "category", "generator", "docs",
        "ttl", "rating"};
    for (qint16 i = 0; i < 14; ++i) {
        if (name == QLatin1String(names[i]))
            return static_cast<qint16>(i + 1);
    }
    return 0;
}

void AppendTextChild(xml::Node item, const char *name, const QString &text)
{
    xml::NodeHandle child(
        xmlNewDocNode(item.raw()->doc, nullptr, reinterpret_cast<const xmlChar *>(name), nullptr));
    xml::Node added = item.appendChild(std::move(child));
    added.setText(text);
}

} // namespace

clsItemBank::clsItemBank(QObject *parent) : QObject(parent)
{ }

clsItemBank::~clsItemBank() = default;

void clsItemBank::Init(const QString &sUsername, const QString &sXSLfile)
{
    if (m_Initialized) {
        // One bank, one profile: a second Init would drop the timers and slots of fetches
        // still running.
        qCWarning(lcBank).noquote()
            << "item bank for" << m_Folder << "already set up; second Init ignored";
        return;
    }
    if (sUsername.isEmpty())
        return; // no profile folder: nothing to load or save
    m_Initialized = true;
    // Stopped, interval 0, in this order: the three fetch time-outs, then the pacing timer.
    for (int k = 0; k < kLoaders; ++k) {
        m_TimeOut[k] = m_MakeClock(this);
        connect(m_TimeOut[k], &CSpanClock::OnTimer, this, [this, k] { m_TimeOut_OnTimer(k); });
    }
    m_Queue = m_MakeClock(this);
    connect(m_Queue, &CSpanClock::OnTimer, this, &clsItemBank::m_Queue_OnTimer);
    m_Folder = sUsername;
    m_XSLFile = sXSLfile;
    m_Slots.assign(1, QueueSlot());
    LoadXML();
}

QString clsItemBank::StorePath() const
{
    return QDir(m_Folder).filePath(QLatin1String(kStoreFile));
}

void clsItemBank::LoadXML()
{
    m_NewItems.clear();
    m_Store = std::make_unique<ItemStore>();
    m_StoreReady = false;
    m_KeepExistingFile = false;
    m_StampsVoid = false;
    m_Changed = false;
    m_FetchedInFull.clear();

    const QString path = StorePath();
    QFile probe(path);
    if (!probe.open(QIODevice::ReadOnly)) {
        if (QFileInfo::exists(path)) {
            SetAsideUnusableStore(probe.errorString());
            ReportUnusableStore();
        }
        StartEmpty();
        m_StampsVoid = true;
        m_StoreReady = true;
        return;
    }
    probe.close();
    // Read once the caller's code has run to its end, as a document loading on its own would.
    const quint64 generation = ++m_LoadGeneration;
    QMetaObject::invokeMethod(
        this,
        [this, path, generation] {
            if (generation != m_LoadGeneration || !m_Store)
                return;
            QString why;
            // The store holds what the merge let through (fields bounded, kMaxFieldChars), but
            // a store written before that bound, or by hand, must still read back.
            const bool parsed = m_Store->load(path, true, &why);
            StoreLoaded(parsed, why);
        },
        Qt::QueuedConnection);
}

void clsItemBank::StartEmpty()
{
    m_Store->startEmpty();
    m_Changed = true; // the file is written even while nothing arrives
}

void clsItemBank::SetAsideUnusableStore(const QString &why)
{
    // A store that could not be read is kept under a dated name, so the empty store that
    // replaces it can never be saved over the user's items.
    const QString path = StorePath();
    const QString aside = xml::setAsideDamaged(path);
    if (!aside.isEmpty()) {
        qCWarning(lcBank).noquote()
            << "item store" << path << "could not be used (" << why << "); kept as" << aside;
        m_SetAsidePath = aside;
    } else {
        qCWarning(lcBank).noquote() << "item store" << path << "could not be used (" << why
                                    << ") nor moved aside; it will not be written over";
        m_KeepExistingFile = true;
        m_SetAsidePath.clear();
    }
}

void clsItemBank::StoreLoaded(bool parsed, const QString &why)
{
    if (parsed) {
        UpgradeStore();
    } else {
        SetAsideUnusableStore(why);
        StartEmpty();
    }
    m_StoreReady = true;
    m_StampsVoid = Count() == 0;
    if (!parsed)
        ReportUnusableStore();
    emit StoreReady(parsed);
    const QStringList pending = std::exchange(m_PendingCounts, {});
    for (const QString &url : pending)
        UpdateChannel(url);
    const QStringList lists = std::exchange(m_PendingCountLists, {});
    for (const QString &urls : lists)
        UpdateChannels(urls);
}

void clsItemBank::ReportUnusableStore()
{
    const QString detail = m_KeepExistingFile
        ? QStringLiteral("The file %1 was left as it is and will not be written over.")
              .arg(StorePath())
        : QStringLiteral("The file was kept as %1; the profile starts with an empty item store "
                         "and fetches its channels again.")
              .arg(m_SetAsidePath);
    const QString text = QStringLiteral("Error parsing items.xml");
    UserMessage::Show(text, detail);
    emit BankMessage(text + QStringLiteral("\n\n") + detail);
}

QString clsItemBank::Hash(const QString &channel, const QString &title, const QString &description,
    const QString &category)
{
    const QString hash = modHash::ItemHash(channel, title, description, category);
    if (hash.isEmpty() && !m_HashErrorTold) {
        m_HashErrorTold = true; // once, not for every item
        emit BankMessage(
            QStringLiteral("HASH ERROR ") + QStringLiteral("Items could not be given their hash."));
    }
    return hash;
}

void clsItemBank::UpgradeStore()
{
    if (!m_Store || !m_Store->hasRoot())
        return;
    if (TextNumber::LeadingValue(QString::fromUtf8(m_Store->rootAttribute("version"))) < 1) {
        // Items from before the hash get theirs; each is read as a tree once for it.
        std::vector<ItemStore::Entry *> missing;
        for (ItemStore::Entry *e = m_Store->first(); e; e = e->next) {
            if (e->item && StoredNode::FieldText(e->node, "hash").isEmpty())
                missing.push_back(e);
        }
        for (ItemStore::Entry *e : missing) {
            xml::Document doc;
            if (!doc.loadXML(StoredNode::Written(e->node)))
                continue;
            xml::Node item = doc.documentElement();
            AppendTextChild(item, "hash",
                Hash(GetItemChannel(item), GetItemTitle(item), GetItemDescription(item),
                    GetItemCategoryText(item)));
            m_Store->replaceNode(e, StoredNode::Encode(item.raw()));
        }
        m_Changed = true;
    }
    if (m_Store->rootAttribute("version") != "1") {
        m_Store->setRootAttribute("version", "1");
        m_Changed = true;
    }
}

bool clsItemBank::SaveIt()
{
    if (m_Folder.isEmpty() || !m_Store || !m_Store->hasRoot() || !m_StoreReady)
        return false; // not set up: there is nothing of this profile to write, and nowhere
    if (m_KeepExistingFile)
        return false;
    if (!m_Changed)
        return true; // the file holds what the store holds
    if (m_Store->save(StorePath())) {
        m_SaveFailing = false;
        m_Changed = false;
        return true;
    }
    // The old file stays as it was (the new one never replaced it). The user hears of it once
    // per run of failures; every later save moment tries again.
    qCWarning(lcBank).noquote() << "could not save" << StorePath()
                                << "; trying again at the next save";
    if (!m_SaveFailing) {
        m_SaveFailing = true;
        emit BankMessage(QStringLiteral("Could not save items.xml\n\nThe item store could not be "
                                        "written to %1 (the disk may be full or the folder "
                                        "not writable). Items fetched and marks made since "
                                        "the last save are kept only until the program ends; "
                                        "the file there is unchanged.")
                             .arg(StorePath()));
    }
    return false;
}

qint32 clsItemBank::Count() const
{
    return m_Store ? m_Store->count() : 0;
}

qint32 clsItemBank::NewItemsCount() const
{
    return qint32(m_NewItems.size());
}

QByteArray clsItemBank::StoreText() const
{
    return m_Store && m_Store->hasRoot() ? m_Store->text() : QByteArray();
}

std::unique_ptr<xml::Document> clsItemBank::StoreSnapshot() const
{
    auto doc = std::make_unique<xml::Document>();
    doc->setHugeText(true);
    doc->loadXML(StoreText());
    return doc;
}

bool clsItemBank::UnloadMe()
{
    // Nothing to write (never set up, already unloaded, or the store not read in yet) is no
    // failure; a store that could not be written is.
    const bool nothingToWrite =
        m_Folder.isEmpty() || !m_Store || !m_Store->hasRoot() || !m_StoreReady;
    const bool saved = nothingToWrite ? (SaveIt(), true) : SaveIt();
    // Timers and loaders may be the ones reporting right now: stop them, let them go later.
    if (m_Queue) {
        m_Queue->setEnabled(false);
        m_Queue->deleteLater();
    }
    DropLoaders();
    for (auto &timeOut : m_TimeOut) {
        if (timeOut) {
            timeOut->setEnabled(false);
            timeOut->deleteLater();
        }
    }
    ++m_LoadGeneration; // a load still queued reads nothing
    m_Store.reset();
    m_NewItems.clear();
    m_StoreReady = false;
    malloc_trim(0); // a store can be large: what it held goes back to the system
    return saved;
}

// ---- Merge -------------------------------------------------------------------------------

void clsItemBank::MergeDelivered(QueueSlot &slot, const QByteArray &text, const QString &sNewMod,
    const QString &sReason, const QString &sNewETag)
{
    xml::Document channel;
    if (!channel.loadXML(text)) {
        emit ChannelTimeOut(
            slot.sURL, sReason.isEmpty() ? QStringLiteral("not well-formed XML") : sReason);
        return;
    }
    MergeChannelNode(channel.documentElement(), slot);
    m_FetchedInFull.insert(slot.sURL);
    if (sNewETag != slot.sETag)
        emit ChannelETag(slot.sURL, sNewETag);
    emit ChannelLoaded(slot.sURL, slot.bNewItems, sNewMod);
}

void clsItemBank::MergeChannelNode(xml::Node node, QueueSlot &slot)
{
    if (!node.hasChildNodes())
        return;
    const QString value = node.firstChild().text();
    const QString name = node.nodeName().toLower();
    const qint16 index = DetailIndex(name);
    if (index == 1)
        slot.sTitle = value;
    else if (index == 8)
        slot.sPubDate = value;
    else if (index == 0 && name == QLatin1String("item"))
        StoreItem(node, slot);
    else if (index == 0 && name != QLatin1String("image")) {
        for (xml::Node child = node.firstChild(); child; child = child.nextSibling())
            MergeChannelNode(child, slot);
    }
    if (index)
        emit ChannelDetails(slot.sURL, index, value);
}

void clsItemBank::BoundFields(xml::Node item, const QueueSlot &slot)
{
    for (xml::Node field = item.firstChild(); field; field = field.nextSibling()) {
        if (!field.isElement())
            continue;
        const QString text = field.text();
        if (text.size() <= kMaxFieldChars)
            continue;
        QString kept = text.left(kMaxFieldChars);
        if (kept.back().isHighSurrogate())
            kept.chop(1);
        qCWarning(lcBank).noquote()
            << "item" << GetItemTitle(item).left(80) << "of" << slot.sURL << ":" << field.nodeName()
            << "cut from" << text.size() << "to" << kept.size() << "characters";
        field.setText(kept);
    }
}

void clsItemBank::StoreItem(xml::Node item, QueueSlot &slot)
{
    BoundFields(item, slot);
    SetItemAttr(item, "channel", slot.sURL);
    const ItemMoment moment = ResolveItemDate(GetItemPubDate(item), slot.sPubDate);
    SetItemAttr(item, "date", FormatItemDate(moment));
    SetItemAttr(item, "time", FormatItemTime(moment));
    if (!IsItemRead(item))
        AppendTextChild(item, "read", QStringLiteral("false"));
    if (!IsItemFlagged(item))
        AppendTextChild(item, "flag", QStringLiteral("false"));
    if (!IsItemDeleted(item))
        AppendTextChild(item, "delete", QStringLiteral("false"));
    AppendTextChild(item, "channeltitle", slot.sTitle);
    AppendTextChild(item, "hash",
        Hash(slot.sURL, GetItemTitle(item), GetItemDescription(item), GetItemCategoryText(item)));
    if (slot.lExpire != 0) {
        const auto age = ItemAgeDays(item);
        if (!age || *age >= slot.lExpire)
            return; // too old to keep
    }
    const bool stored = StoreIfNew(item);
    slot.bNewItems = slot.bNewItems || stored;
}

namespace {

// The item's tokens, with the namespaces it uses declared in it.
QByteArray Tokens(xml::Node item)
{
    xmlReconciliateNs(item.raw()->doc, item.raw());
    return StoredNode::Encode(item.raw());
}

} // namespace

bool clsItemBank::StoreIfNew(xml::Node item)
{
    if (!m_Store || !m_Store->hasRoot())
        return false;
    if (m_Store->containsHash(GetItemHash(item).toUtf8()))
        return false; // already stored; its marks stay
    const QByteArray guid = GetItemGuid(item).toUtf8();
    if (!guid.isEmpty()) {
        // Only the item's own channel: a guid another channel uses names another item.
        std::vector<ItemStore::Entry *> matches = m_Store->withGuid(guid);
        const QByteArray channel = GetItemChannel(item).toUtf8();
        matches.erase(std::remove_if(matches.begin(), matches.end(),
                          [&](const ItemStore::Entry *m) {
                              return QByteArrayView(m->channel) != QByteArrayView(channel);
                          }),
            matches.end());
        if (matches.size() == 1) {
            if (SameItemContent(matches.front()->node, item))
                return false;
            // A changed version of a stored item replaces it, unmarked.
            RemoveStoredItem(matches.front());
        }
    }
    // One copy of its text for the store and the new-items list.
    const QByteArray tokens = Tokens(item);
    if (m_Store->insertByTime(tokens))
        m_Changed = true;
    m_NewItems.push_back(tokens);
    return true;
}

void clsItemBank::RemoveStoredItem(ItemStore::Entry *item)
{
    if (m_Store && item) {
        m_Store->remove(item);
        m_Changed = true;
    }
}

bool clsItemBank::SameItemContent(QByteArrayView stored, xml::Node fresh)
{
    bool same = true;
    StoredNode::ForEachChild(stored, [&](const StoredNode::Child &c) {
        if (!c.isElement)
            return true;
        const QString name = QString::fromUtf8(c.name);
        if (!IsContentField(name.toLower()))
            return true;
        const QString text = QString::fromUtf8(StoredNode::StringValue(c.tokens));
        bool found = false;
        for (xml::Node f = fresh.firstChild(); f && !found; f = f.nextSibling())
            found = f.nodeName() == name && f.text() == text;
        same = found;
        return same;
    });
    return same;
}

bool clsItemBank::IsContentField(const QString &name)
{
    return QStringLiteral("title|description|link|author|category").contains(name);
}
