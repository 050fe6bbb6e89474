#include "clsProfile.h"

#include "Include.h"
#include "ModelHost.h"
#include "ModelText.h"
#include "TextNumber.h"

#include <QDir>
#include <QFile>
#include <QTimer>
#include <QXmlStreamReader>

#include <algorithm>
#include <utility>

clsProfile::clsProfile(QObject *parent) : QObject(parent)
{ }

clsProfile::~clsProfile()
{
    Deactivate();
}

QString clsProfile::Folder() const
{
    return Include::AppPath() + QStringLiteral("/profiles/") + m_Name;
}

bool clsProfile::ResumeQueue()
{
    return m_Bank && m_Bank->ResumeQueue();
}

void clsProfile::LoadUser(xml::Node node)
{
    for (xml::Node child = node.firstChild(); child; child = child.nextSibling())
        LoadNode(child);
}

void clsProfile::LoadNode(xml::Node node)
{
    if (!node.hasChildNodes())
        return;
    const QString name = node.nodeName().toLower();
    const QString text = node.firstChild().text();
    if (name == QLatin1String("username"))
        m_Name = text;
    else if (name == QLatin1String("default"))
        m_Default = text == QLatin1String("true");
    else if (name == QLatin1String("offline"))
        m_Offline = text == QLatin1String("true");
    else
        for (xml::Node child = node.firstChild(); child; child = child.nextSibling())
            LoadNode(child);
}

xml::NodeHandle clsProfile::SaveXML(xml::Document &doc) const
{
    xml::NodeHandle handle = doc.createElement("user");
    xml::Node user(handle.get());
    user.appendChild(doc.createTextElement("username", m_Name.toUtf8()));
    if (m_Default)
        user.appendChild(doc.createTextElement("default", "true"));
    if (m_Offline)
        user.appendChild(doc.createTextElement("offline", "true"));
    return handle;
}

bool clsProfile::SaveGroupXML()
{
    return m_Active && RSSGroups && RSSGroups->SaveGroupXML();
}

bool clsProfile::SaveChannelXML()
{
    return m_Active && m_Channels && m_Channels->SaveChannelXML();
}

bool clsProfile::SetUserActive(QString *error)
{
    if (m_Active)
        return true;
    m_Channels = std::make_unique<colChannels>(this);
    m_Bank = ItemBankProxy::Create(error);
    if (!m_Bank) {
        m_Channels.reset();
        return false;
    }
    ConnectBank();
    RSSGroups = std::make_unique<colGroups>();
    connect(RSSGroups.get(), &colGroups::NewGroup, this, &clsProfile::NewGroup);
    connect(RSSGroups.get(), &colGroups::NewChannel, this, &clsProfile::NewChannel);

    QDir().mkpath(Folder());
    m_Bank->Init(Folder(), StylesheetPath());
    m_Channels->Init(m_Name);
    m_Bank->PauseQueue(); // reloads asked for while the tree is built only queue
    RSSGroups->Init(m_Name);
    m_Spotlight = std::make_unique<clsSpotlight>();
    m_Spotlight->Init(m_Name);
    m_Active = true;
    return true;
}

QString clsProfile::StylesheetPath()
{
    return Include::AppPath() + QStringLiteral("/tarnns.xsl");
}

void clsProfile::ConnectBank()
{
    connect(m_Bank.get(), &ItemBankProxy::ChannelLoaded, this, &clsProfile::m_Bank_ChannelLoaded);
    connect(m_Bank.get(), &ItemBankProxy::ChannelETag, this,
        [this](const QString &url, const QString &tag) {
            if (RSSChannel *channel = GetChannel(url))
                channel->SetETag(tag);
        });
    connect(m_Bank.get(), &ItemBankProxy::ChannelCounts, this, &clsProfile::m_Bank_ChannelCounts);
    connect(
        m_Bank.get(), &ItemBankProxy::ChannelCountList, this, &clsProfile::m_Bank_ChannelCountList);
    connect(m_Bank.get(), &ItemBankProxy::ChannelTimeOut, this, &clsProfile::m_Bank_ChannelTimeOut);
    connect(
        m_Bank.get(), &ItemBankProxy::ChannelNodeList, this, &clsProfile::m_Bank_ChannelNodeList);
    connect(m_Bank.get(), &ItemBankProxy::ChannelDetails, this, &clsProfile::m_Bank_ChannelDetails);
    connect(m_Bank.get(), &ItemBankProxy::BankMessage, this, &clsProfile::m_Bank_BankMessage);
    // Handled from the event loop: the call that found the server gone is still on its way out.
    connect(m_Bank.get(), &ItemBankProxy::ServerLost, this, &clsProfile::RestartBank,
        Qt::QueuedConnection);
}

void clsProfile::RestartBank()
{
    if (!m_Active || !m_Bank || m_Bank->isAlive())
        return;
    QString error;
    std::unique_ptr<ItemBankProxy> fresh = ItemBankProxy::Create(&error);
    IModelHost *host = IModelHost::Current();
    if (!fresh) {
        if (host)
            host->PopupInfo(
                tr("The item server stopped and could not be started again: %1").arg(error));
        // Tried again a little later; the channels' own requests fail meanwhile.
        QTimer::singleShot(kRestartRetryMs, this, &clsProfile::RestartBank);
        return;
    }
    m_Bank->disconnect(this);
    m_Bank = std::move(fresh);
    ConnectBank();
    m_Bank->Init(Folder(), StylesheetPath());
    // The lost server may not have saved what it fetched last: every channel fetches its
    // document in full at its next reload, and those that were waiting are asked for again.
    for (int i = 1; m_Channels && i <= m_Channels->ChannelCount(); ++i) {
        RSSChannel *channel = m_Channels->GetChannel(i);
        channel->ForgetLastMod();
        if (channel->IsReloading())
            ReloadChannel(channel->URL());
    }
    // Marks that could not reach the lost server.
    const auto pending = std::exchange(m_PendingMarks, {});
    for (const PendingMark &mark : pending)
        mark.apply(*m_Bank);
    QStringList urls;
    for (int i = 1; m_Channels && i <= m_Channels->ChannelCount(); ++i)
        urls << m_Channels->GetChannel(i)->URL();
    UpdateChannels(urls);
    m_Bank->ResumeQueue();
    if (host)
        host->BankRestarted();
}

void clsProfile::Deactivate()
{
    // Events that still arrive while the bank unloads change nothing and open nothing.
    m_Active = false;
    if (m_Bank)
        m_Bank->disconnect(this);
    m_Channels.reset();
    if (m_Bank)
        m_Bank->UnloadMe(); // the bank saves its store
    m_Spotlight.reset();
    m_Bank.reset();
    RSSGroups.reset();
    m_PendingMarks.clear();
    m_CountBatch.reset();
    m_RoundOpen = 0;
    m_RoundWaiting.clear();
    m_RoundCounts.clear();
}

void clsProfile::KillUser()
{
    QDir folder(Folder());
    for (const char *file : {"items.xml", "groups.xml", "channels.xml"})
        folder.remove(QLatin1String(file));
    QDir().rmdir(Folder()); // only when nothing else is left in it
}

void clsProfile::UpdateChannel(const QString &url)
{
    if (m_CountBatch) {
        *m_CountBatch << url; // once each when the batch's call is made
        return;
    }
    if (m_Bank)
        m_Bank->UpdateChannel(url);
}

void clsProfile::UpdateChannels(const QStringList &urls)
{
    if (m_Bank && !urls.isEmpty())
        m_Bank->UpdateChannels(urls.join(QLatin1Char('\n')));
}

void clsProfile::UpdateAllChannels()
{
    if (!m_Channels || m_CountBatch)
        return;
    QStringList urls;
    QSet<QString> asked;
    for (int i = 1; i <= m_Channels->ChannelCount(); ++i) {
        urls << m_Channels->GetChannel(i)->URL();
        asked.insert(urls.last());
    }
    // What the channels ask for while they show their state goes into the same call.
    m_CountBatch.emplace();
    m_Channels->RequestAllStatus();
    for (const QString &url : std::as_const(*m_CountBatch))
        if (!asked.contains(url)) {
            urls << url;
            asked.insert(url);
        }
    m_CountBatch.reset();
    UpdateChannels(urls);
}

void clsProfile::BeginReloadRound()
{
    ++m_RoundOpen;
}

void clsProfile::EndReloadRound()
{
    if (m_RoundOpen > 0 && --m_RoundOpen == 0)
        FinishReloadRound();
}

void clsProfile::FinishReloadRound()
{
    if (m_RoundOpen > 0)
        return;
    // A channel that went, or is no longer fetching (its answer was lost with a server), is
    // not waited for.
    for (auto it = m_RoundWaiting.begin(); it != m_RoundWaiting.end();) {
        const RSSChannel *channel = GetChannel(*it);
        if (!channel || !channel->IsReloading())
            it = m_RoundWaiting.erase(it);
        else
            ++it;
    }
    if (m_RoundWaiting.isEmpty() && !m_RoundCounts.isEmpty())
        UpdateChannels(std::exchange(m_RoundCounts, {}).values());
}

void clsProfile::ReloadChannel(const QString &url)
{
    RSSChannel *channel = GetChannel(url);
    if (!channel || !m_Bank)
        return;
    if (m_Bank->LoadChannel(url, channel->LastMod(), channel->customTitle(), channel->Expire,
            channel->PubDate, channel->ETag())
        && m_RoundOpen > 0)
        m_RoundWaiting.insert(url);
}

RSSChannel *clsProfile::GetChannel(const QString &key) const
{
    return m_Channels ? m_Channels->GetChannel(key) : nullptr;
}

int clsProfile::GroupCount() const
{
    return RSSGroups ? RSSGroups->GroupCount() : 0;
}

RSSGroup *clsProfile::GetGroup(const QString &key) const
{
    return RSSGroups ? RSSGroups->Group(key) : nullptr;
}

RSSGroup *clsProfile::GetGroup(int position) const
{
    return RSSGroups ? RSSGroups->Group(position) : nullptr;
}

int clsProfile::ChannelCount() const
{
    return m_Channels ? m_Channels->ChannelCount() : 0;
}

void clsProfile::AddChannel(const QString &url, const QString &groupName)
{
    if (!m_Channels || !RSSGroups)
        return;
    RSSChannel *channel = m_Channels->AddChannel(url);
    RSSGroups->AssignChannel(groupName, url);
    if (channel)
        channel->LoadRSS(false);
}

void clsProfile::AddGroup(const QString &name)
{
    if (RSSGroups)
        RSSGroups->AddGroup(name);
}

void clsProfile::RenameGroup(const QString &oldName, const QString &newName)
{
    if (RSSGroups)
        RSSGroups->Rename(oldName, newName);
}

void clsProfile::DeleteGroup(const QString &key)
{
    RSSGroup *group = GetGroup(key);
    if (!group)
        return;
    emit DelGroup(group);
    RSSGroups->Remove(key);
}

void clsProfile::DeleteChannel(const QString &groupKey, const QString &url)
{
    RSSGroup *group = GetGroup(groupKey);
    if (!group)
        return;
    group->DeleteChannel(url);
    emit DelChannel(group, url);
}

bool clsProfile::RemoveChannel(const QString &url)
{
    if (!url.isEmpty()) {
        if (!KillChannel(url)) {
            if (IModelHost *host = IModelHost::Current())
                host->ShowMessage(tr("Cannot Remove Channel. Please wait for Reload to finished."));
            return false;
        }
        if (m_Channels)
            m_Channels->DelChannel(url);
        if (m_RoundWaiting.remove(url))
            FinishReloadRound();
    }
    for (int i = 1; i <= GroupCount(); ++i) {
        RSSGroup *group = GetGroup(i);
        if (group->DeleteChannel(url))
            emit DelChannel(group, url);
    }
    return true;
}

bool clsProfile::SaveOPML(const QString &path) const
{
    return m_Channels && m_Channels->SaveOPML(path);
}

bool clsProfile::IsInGroup(const QString &url) const
{
    return RSSGroups && RSSGroups->IsInGroup(url);
}

qint32 clsProfile::ItemCount()
{
    return m_Bank ? m_Bank->Count() : 0;
}

void clsProfile::Mark(PendingMark mark)
{
    if (!m_Bank)
        return;
    // A mark the server could not take because it went away is made again on the fresh one.
    if (!mark.apply(*m_Bank) && !m_Bank->isAlive())
        m_PendingMarks.push_back(std::move(mark));
}

bool clsProfile::PendingMark::apply(ItemBankProxy &bank) const
{
    switch (kind) {
    case Read:
        return bank.MarkItemRead(key, flag);
    case Tag:
        return bank.MarkItemTagged(key, flag);
    case Delete:
        return bank.MarkItemDeleted(key, flag);
    case AllRead:
        return bank.MarkAllRead(key);
    }
    return false;
}

void clsProfile::MarkItemRead(const QString &channelURL, const QString &hash, bool flag)
{
    if (!m_Bank)
        return;
    Mark({PendingMark::Read, hash, flag});
    for (const QString &url :
        {channelURL, QStringLiteral("_tarnwick/unread"), QStringLiteral("_tarnwick/read")})
        UpdateChannel(url);
}

void clsProfile::MarkItemTag(const QString &, const QString &hash, bool flag)
{
    if (!m_Bank)
        return;
    Mark({PendingMark::Tag, hash, flag});
    UpdateChannel(QStringLiteral("_tarnwick/flagged"));
}

void clsProfile::MarkItemDeleted(const QString &channelURL, const QString &hash, bool flag)
{
    if (!m_Bank)
        return;
    Mark({PendingMark::Delete, hash, flag});
    for (const QString &url :
        {channelURL, QStringLiteral("_tarnwick/deleted"), QStringLiteral("_tarnwick/flagged"),
            QStringLiteral("_tarnwick/read"), QStringLiteral("_tarnwick/unread")})
        UpdateChannel(url);
}

void clsProfile::MarkAllRead(const QString &channelURL)
{
    if (!m_Bank)
        return;
    Mark({PendingMark::AllRead, channelURL, true});
    for (const QString &url :
        {channelURL, QStringLiteral("_tarnwick/read"), QStringLiteral("_tarnwick/unread")})
        UpdateChannel(url);
}

qint32 clsProfile::NewItemsCount()
{
    return m_Bank ? m_Bank->NewItemsCount() : 0;
}

void clsProfile::ListCall(qint16 target, const std::function<void()> &call)
{
    m_NodeListTarget = target;
    if (!m_Bank)
        return;
    // The bank answers with its event before the call returns. Lists asked for while another
    // list call waits (from a timer inside that wait) are answered in the order asked: each
    // answer goes to its own request.
    const quint32 id = ++m_ListCallId;
    m_ListCalls.push_back({id, target, false});
    call();
    m_ListCalls.erase(std::remove_if(m_ListCalls.begin(), m_ListCalls.end(),
                          [id](const PendingList &l) { return l.id == id; }),
        m_ListCalls.end());
}

void clsProfile::NewItemList()
{
    ListCall(0, [this] { m_Bank->NewItemsList(); });
}

void clsProfile::TickerChannelList(
    const QString &url, const QString &filter, const QString &filter2, const QString &search)
{
    ListCall(0, [&] { m_Bank->SubChannelList(url, filter, search, filter2); });
}

void clsProfile::SubChannelList(const QString &url, const QString &filter, const QString &search)
{
    ListCall(1, [&] { m_Bank->SubChannelList(url, filter, search, QString()); });
}

QStringList clsProfile::UnreadHeadlines(const QString &url, int max)
{
    QStringList titles;
    if (!m_Bank || url.isEmpty())
        return titles;
    const qint16 before = m_NodeListTarget;
    m_CapturedList.clear();
    ListCall(2, [&] {
        m_Bank->SubChannelList(url, QStringLiteral("_tarnwick/unread"), QString(), QString());
    });
    m_NodeListTarget = before; // the ticker's or the viewer's, as it was
    QXmlStreamReader reader(std::exchange(m_CapturedList, QString()));
    int depth = 0;
    while (!reader.atEnd() && titles.size() < max) {
        reader.readNext();
        if (reader.isStartElement()) {
            ++depth;
            // items / item / title
            if (depth == 3 && reader.name() == QLatin1String("title")) {
                const QString title = Include::StripTags(
                    reader.readElementText(QXmlStreamReader::IncludeChildElements))
                                          .simplified();
                --depth;
                if (!title.isEmpty())
                    titles << title;
            }
        } else if (reader.isEndElement()) {
            --depth;
        }
    }
    return titles;
}

bool clsProfile::KillChannel(const QString &url)
{
    return m_Bank && m_Bank->KillChannel(url);
}

void clsProfile::RemoveExpired(const QString &url, qint32 days)
{
    if (m_Bank)
        m_Bank->RemoveExpired(url, days);
}

// ---- The bank's events -----------------------------------------------------------------------

void clsProfile::m_Bank_ChannelCounts(const QString &url, qint32 count, qint32 unread)
{
    if (RSSChannel *channel = GetChannel(url))
        channel->SetState(count, unread);
}

void clsProfile::m_Bank_ChannelCountList(const QString &counts)
{
    // "count<TAB>unread<TAB>address" a line; a line that is not so is passed by.
    for (const QStringView line : QStringView(counts).split(u'\n', Qt::SkipEmptyParts)) {
        const qsizetype first = line.indexOf(u'\t');
        const qsizetype second = first < 0 ? -1 : line.indexOf(u'\t', first + 1);
        if (second < 0)
            continue;
        bool countOk = false, unreadOk = false;
        const qint32 count = line.left(first).toInt(&countOk);
        const qint32 unread = line.mid(first + 1, second - first - 1).toInt(&unreadOk);
        if (countOk && unreadOk && count >= 0 && unread >= 0)
            m_Bank_ChannelCounts(line.mid(second + 1).toString(), count, unread);
    }
}

void clsProfile::m_Bank_ChannelDetails(const QString &url, qint16 index, const QString &value)
{
    RSSChannel *c = url.isEmpty() ? nullptr : GetChannel(url);
    if (!c)
        return;
    switch (index) {
    case 1:
        c->setTitle(value);
        break;
    case 2:
        c->link = value;
        break;
    case 3:
        c->Description = value;
        break;
    case 4:
        c->Language = value;
        break;
    case 5:
        c->Copyright = value;
        break;
    case 6:
        c->ManagingEditor = value;
        break;
    case 7:
        c->WebMaster = value;
        break;
    case 8:
        c->PubDate = value;
        break;
    case 9:
        c->LastBuildDate = value;
        break;
    case 10:
        c->Catergory = value;
        break;
    case 11:
        c->Generator = value;
        break;
    case 12:
        c->Docs = value;
        break;
    case 13:
        c->TimeToLive = TextNumber::ToInt32(value); // "60 min" is 60
        break;
    case 14:
        c->Rating = value;
        break;
    default:
        break;
    }
}

void clsProfile::m_Bank_ChannelLoaded(const QString &url, bool newItems, const QString &newMod)
{
    if (url.isEmpty())
        return;
    if (RSSChannel *channel = GetChannel(url))
        channel->Loaded(newItems, newMod);
    const QStringList counts = {url, QStringLiteral("_tarnwick/today"),
        QStringLiteral("_tarnwick/yesterday"), QStringLiteral("_tarnwick/read"),
        QStringLiteral("_tarnwick/unread"), QStringLiteral("_tarnwick/week"),
        QStringLiteral("_tarnwick/old")};
    // A channel of the user's reload round gets its counts with the round's others, unless a
    // viewer shows it.
    IModelHost *viewers = IModelHost::Current();
    RSSChannel *loaded = GetChannel(url);
    const bool inRound = m_RoundWaiting.remove(url);
    if (inRound && !(viewers && loaded && viewers->IsViewerLoaded(loaded))) {
        for (const QString &u : counts)
            m_RoundCounts.insert(u);
    } else {
        for (const QString &u : counts)
            UpdateChannel(u);
    }
    if (inRound)
        FinishReloadRound();
    // Looked up again: a handler above may have removed the channel.
    if (RSSChannel *channel = GetChannel(url))
        if (IModelHost *host = IModelHost::Current())
            host->ChannelLoaded(channel, newItems);
}

void clsProfile::m_Bank_BankMessage(const QString &text)
{
    // Shown once the bank's event has been answered: the server waits for it.
    QTimer::singleShot(0, this, [text] {
        if (IModelHost *host = IModelHost::Current())
            host->ShowMessage(ModelText::ShownBankMessage(text));
    });
}

void clsProfile::m_Bank_ChannelTimeOut(const QString &url, const QString &reason)
{
    if (RSSChannel *channel = GetChannel(url))
        channel->TimeOut(reason);
    if (m_RoundWaiting.remove(url))
        FinishReloadRound();
}

void clsProfile::m_Bank_ChannelNodeList(const QString &url, const QString &nodeList)
{
    qint16 target = m_NodeListTarget;
    for (PendingList &pending : m_ListCalls) {
        if (!pending.answered) {
            pending.answered = true;
            target = pending.target;
            break;
        }
    }
    if (target == 2) {
        m_CapturedList = nodeList;
        return;
    }
    IModelHost *host = IModelHost::Current();
    if (!host)
        return;
    if (target == 0) {
        if (host->IsTickerLoaded())
            host->TickerSetList(nodeList);
    } else if (!url.isEmpty()) {
        RSSChannel *channel = GetChannel(url);
        if (channel && host->IsViewerLoaded(channel))
            host->ViewerSetList(channel, nodeList, channel->ItemCount());
    }
}
