#include "colChannels.h"

#include "ChannelOwner.h"
#include "Include.h"
#include "ModelText.h"

#include <QDir>
#include <QUrl>

namespace {
constexpr const char *kHelpID = "F3"; // the help channel's fixed identifier
} // namespace

colChannels::colChannels(IChannelOwner *owner, QObject *parent) : QObject(parent), m_Owner(owner)
{ }

colChannels::~colChannels() = default;

QString colChannels::FilePath() const
{
    return QDir(m_Folder).filePath(QStringLiteral("channels.xml"));
}

int colChannels::IndexOf(const QString &key) const
{
    for (size_t i = 0; i < m_Channels.size(); ++i) {
        if (m_Channels[i]->URL().compare(key, Qt::CaseInsensitive) == 0)
            return int(i);
    }
    return -1;
}

void colChannels::Append(std::unique_ptr<RSSChannel> channel)
{
    // A key already taken (another letter case of the address) leaves the list as it is.
    if (IndexOf(channel->URL()) >= 0)
        return;
    channel->setParent(this);
    channel->setOwner(m_Owner);
    m_Channels.push_back(std::move(channel));
}

void colChannels::Init(const QString &profileName)
{
    m_UserName = profileName;
    m_Folder = Include::AppPath() + QStringLiteral("/profiles/") + profileName;
    struct BuiltIn
    {
        const char *id;
        QString url;
        const char *title;
        qint32 expire, update;
    };
    const BuiltIn builtIns[] = {
        {"F0", QStringLiteral("_tarnwick/today"), QT_TRANSLATE_NOOP("colChannels", "Today"), 0, 0},
        {"F1", QStringLiteral("_tarnwick/flagged"), QT_TRANSLATE_NOOP("colChannels", "Tagged"), 0,
            0},
        {"F2", Include::VendorNewsURL(), "Tarnwick News", 100, 1500},
        {kHelpID, Include::VendorHelpURL(), "Help", 0, 7000},
        {"F4", QStringLiteral("_tarnwick/deleted"), QT_TRANSLATE_NOOP("colChannels", "Deleted"), 0,
            0},
        {"F5", QStringLiteral("_tarnwick/yesterday"), QT_TRANSLATE_NOOP("colChannels", "Yesterday"),
            0, 0},
        {"F6", QStringLiteral("_tarnwick/week"), QT_TRANSLATE_NOOP("colChannels", "Past 7 Days"), 0,
            0},
        {"F7", QStringLiteral("_tarnwick/unread"), QT_TRANSLATE_NOOP("colChannels", "Unread"), 0,
            0},
        {"F8", QStringLiteral("_tarnwick/read"), QT_TRANSLATE_NOOP("colChannels", "Read"), 0, 0},
    };
    for (const BuiltIn &b : builtIns) {
        auto channel = std::make_unique<RSSChannel>();
        channel->GenerateChannel(b.url, QLatin1String(b.title), b.expire, b.update,
            QLatin1String(b.id), m_Folder + QLatin1Char('/'), profileName);
        Append(std::move(channel));
    }
    LoadXML();
}

void colChannels::LoadXML()
{
    // A missing file leaves the built-ins alone; a damaged one is kept aside and what it
    // still holds is taken. Until the file has been read it is never written.
    m_Loaded = false;
    ModelText::LoadDocument(m_Document, FilePath(), this, [this](const xml::Document &doc) {
        const ModelText::Reading reading = ModelText::Examine(
            doc, FilePath(), tr("channel list of profile \"%1\"").arg(m_UserName));
        if (reading.document)
            Walk(reading.document->documentElement());
        m_LeaveFile = reading.leaveFile;
        m_Loaded = true;
        emit ChannelsLoaded();
    });
}

void colChannels::Walk(xml::Node node)
{
    if (!node.hasChildNodes())
        return;
    if (node.nodeName().toLower() != QLatin1String("channel")) {
        for (xml::Node child = node.firstChild(); child; child = child.nextSibling())
            Walk(child);
        return;
    }
    auto channel = std::make_unique<RSSChannel>();
    channel->LoadChannel(node);
    if (channel->URL().isEmpty())
        return; // nothing to subscribe to (a damaged file can leave such an entry)
    // The help channel is a file of the application folder: when the folder has moved, its
    // entry follows it (the items read from the old place go; the new place is read instead).
    const QString help = Include::VendorHelpURL();
    if (channel->ID() == QLatin1String(kHelpID) && channel->URL() != help
        && QUrl(channel->URL()).isLocalFile()) {
        if (m_Owner)
            m_Owner->ForgetChannel(channel->URL());
        channel->setURL(help);
    }
    if (channel->Expire > 0 && !Include::IsVirtualURL(channel->URL())) {
        if (m_Owner)
            m_Owner->RemoveExpired(channel->URL(), channel->Expire);
    }
    for (auto it = m_Channels.begin(); it != m_Channels.end(); ++it) {
        if ((*it)->URL() == channel->URL()) {
            // A built-in (or an earlier entry) keeps its reload period and expiry.
            channel->Update = (*it)->Update;
            channel->Expire = (*it)->Expire;
            m_Channels.erase(it);
            break;
        }
    }
    channel->setUsername(m_UserName);
    Append(std::move(channel));
}

bool colChannels::SaveChannelXML()
{
    if (!m_Loaded || m_LeaveFile)
        return false; // what the file holds is not in yet, or it must stay as it is
    xml::Document doc;
    xml::Node root = doc.setDocumentElement(doc.createElement("tarnwickchannels"));
    for (const auto &channel : m_Channels)
        root.appendChild(channel->SaveXML(doc));
    QDir().mkpath(m_Folder);
    return doc.save(FilePath(), false);
}

bool colChannels::SaveOPML(const QString &path) const
{
    xml::Document doc;
    xml::Node opml = doc.setDocumentElement(doc.createElement("opml"));
    xml::Node body = opml.appendChild(doc.createElement("body"));
    for (const auto &channel : m_Channels) {
        if (!Include::IsSpecialURL(channel->URL()))
            body.appendChild(channel->SaveOPML(doc));
    }
    return doc.save(path, false);
}

void colChannels::RequestAllStatus()
{
    for (const auto &channel : m_Channels)
        channel->SetState(-1, -1);
}

RSSChannel *colChannels::AddChannel(const QString &url)
{
    for (const auto &channel : m_Channels) {
        if (channel->URL() == url)
            return channel.get();
    }
    auto channel = std::make_unique<RSSChannel>();
    channel->CreateRSS(url);
    channel->setUsername(m_UserName);
    Append(std::move(channel));
    return GetChannel(url);
}

void colChannels::DelChannel(const QString &key)
{
    const int i = IndexOf(key);
    if (i >= 0)
        m_Channels.erase(m_Channels.begin() + i);
}

void colChannels::DelChannel(int position)
{
    if (position >= 1 && position <= ChannelCount())
        m_Channels.erase(m_Channels.begin() + (position - 1));
}

RSSChannel *colChannels::GetChannel(const QString &key) const
{
    const int i = IndexOf(key);
    return i >= 0 ? m_Channels[size_t(i)].get() : nullptr;
}

RSSChannel *colChannels::GetChannel(int position) const
{
    return position >= 1 && position <= ChannelCount() ? m_Channels[size_t(position - 1)].get()
                                                       : nullptr;
}
