#include "RSSChannel.h"

#include "CSpanClock.h"
#include "ChannelOwner.h"
#include "Include.h"
#include "ModelHost.h"
#include "TextNumber.h"

#include <QCoreApplication>

#include <algorithm>
#include <limits>

using TextNumber::NumberText;

namespace {

qint32 &firstReloadMs()
{
    static qint32 ms = RSSChannel::kFirstReloadMs;
    return ms;
}

} // namespace

void RSSChannel::SetFirstReloadDelay(qint32 ms)
{
    firstReloadMs() = ms;
}

RSSChannel::RSSChannel(QObject *parent) : QObject(parent), m_Reloader(new CSpanClock(this))
{
    // Enabled but without an interval: it fires once one is set.
    m_Reloader->setEnabled(true);
    connect(m_Reloader, &CSpanClock::OnTimer, this, &RSSChannel::m_Reloader_OnTimer);
}

RSSChannel::~RSSChannel()
{
    if (m_Reloader)
        m_Reloader->setEnabled(false);
}

QString RSSChannel::displayTitle() const
{
    if (m_CustomTitle.isEmpty() && Include::IsVirtualURL(m_URL))
        return QCoreApplication::translate("colChannels", m_Title.toUtf8().constData());
    return customTitle();
}

QString RSSChannel::TitleAndCount() const
{
    const QString shown = !m_CustomTitle.isEmpty() ? m_CustomTitle
        : !m_Title.isEmpty()                       ? displayTitle()
                                                   : m_URL;
    return shown + QStringLiteral("  (") + QString::number(m_ItemCount) + QLatin1Char(')');
}

void RSSChannel::setNewItems(bool v)
{
    m_NewItems = v;
    SetState(-1, -1);
}

void RSSChannel::StartSubscription(const QString &url)
{
    OpenLink = false;
    if (!Include::IsSpecialURL(url))
        SortMode = QStringLiteral("_tarnwick/unread");
    if (m_LastMod.isEmpty())
        m_LastMod = QStringLiteral("-1");
    m_Reloader->setInterval(firstReloadMs());
}

void RSSChannel::CreateRSS(const QString &url)
{
    Expire = 60;
    Update = 60;
    StartSubscription(url);
    m_URL = url;
    m_Title = url;
    m_ID = Include::NewChannelID();
}

void RSSChannel::GenerateChannel(const QString &url, const QString &title, qint32 expire,
    qint32 update, const QString &id, const QString &folder, const QString &userName)
{
    m_Username = userName;
    m_Folder = folder;
    Expire = expire;
    Update = update;
    StartSubscription(url);
    m_URL = url;
    m_Title = title;
    m_ID = id;
}

void RSSChannel::ReloadRequest()
{
    if (Include::IsSpecialURL(m_URL) && !Include::IsVendorURL(m_URL))
        return; // filters are not fetched
    m_Reloading = true;
    SetState(-1, -1);
    if (m_Owner)
        m_Owner->ReloadChannel(m_URL);
}

bool RSSChannel::ForceLoadRSS()
{
    if (!Include::IsVirtualURL(m_URL))
        ReloadRequest();
    return false;
}

bool RSSChannel::LoadRSS(bool)
{
    m_Reloader_OnTimer();
    return true;
}

void RSSChannel::m_Reloader_OnTimer()
{
    IModelHost *host = IModelHost::Current();
    if (host && host->IsViewerLoaded(this)) {
        m_Reloader->setInterval(kViewerOpenRetryMs); // not while it is being read
        return;
    }
    ReloadRequest();
    const qint64 period = qint64(Update) * 60000;
    const qint32 interval =
        qint32(std::clamp<qint64>(period, 0, std::numeric_limits<qint32>::max()));
    if (m_Reloader->Interval() != interval)
        m_Reloader->setInterval(interval); // 0 stops it after this tick
}

void RSSChannel::Loaded(bool newItems, const QString &newMod)
{
    if (!newMod.isEmpty())
        m_LastMod = newMod;
    m_NewItems = m_NewItems || newItems;
    IModelHost *host = IModelHost::Current();
    if (host && m_URL == Include::VendorHelpURL() && host->TakeShowHelpRequest()
        && !host->IsViewerLoaded(this))
        CreateChannelView(false);
    // Opening the viewer takes the new items: the ticker and the alert are for items no
    // window has shown.
    if (m_NewItems && OpenLink && host && !host->IsViewerLoaded(this))
        CreateChannelView(true);
    if (m_NewItems) {
        const bool popup =
            Include::Settings().GetBool(QStringLiteral("PREFS"), QStringLiteral("POPUP"), false);
        if (popup && host && !host->IsTickerLoaded())
            host->ShowTickerNewItems();
        Include::PlayAlert();
    }
    m_Reloading = false;
    m_Error = false;
    m_ErrorReason.clear();
    SetState(-1, -1);
}

void RSSChannel::TimeOut(const QString &reason)
{
    m_Error = true;
    m_ErrorReason = reason;
    m_Reloading = false;
    m_Reloader->setInterval(kAfterTimeOutMs);
    SetState(-1, -1);
}

void RSSChannel::SetState(qint32 count, qint32 unread)
{
    if (count > -1)
        m_ItemCount = count;
    if (unread > -1)
        m_Unread = unread;
    if (m_Unread == -1 && m_Owner)
        m_Owner->UpdateChannel(m_URL); // the counts come back through SetState
    if (IModelHost *host = IModelHost::Current())
        host->StateChange(m_Username, this);
}

QString RSSChannel::GetImage() const
{
    if (m_URL == Include::VendorHelpURL())
        return QStringLiteral("help");
    if (m_URL == QLatin1String("_tarnwick/flagged"))
        return QStringLiteral("flagged");
    if (m_Reloading)
        return QStringLiteral("reload");
    if (m_Error)
        return QStringLiteral("err");
    if (m_NewItems)
        return QStringLiteral("newitems");
    if (m_URL == QLatin1String("_tarnwick/read"))
        return QStringLiteral("read");
    if (m_URL == QLatin1String("_tarnwick/unread"))
        return QStringLiteral("unread");
    return m_Unread >= 1 ? QStringLiteral("unread") : QStringLiteral("read");
}

void RSSChannel::CreateChannelView(bool minimised)
{
    if (IModelHost *host = IModelHost::Current())
        host->OpenViewer(this, minimised);
    setNewItems(false);
}

// ---- channels.xml ----------------------------------------------------------------------------

namespace {
void appendText(xml::Document &doc, xml::Node parent, const char *name, const QString &text)
{
    parent.appendChild(doc.createTextElement(name, text.toUtf8()));
}
void appendIf(xml::Document &doc, xml::Node parent, const char *name, const QString &text)
{
    if (!text.isEmpty())
        appendText(doc, parent, name, text);
}
} // namespace

void RSSChannel::SaveChildXML(xml::Document &doc, xml::Node e) const
{
    appendIf(doc, e, "title", m_Title);
    appendIf(doc, e, "link", link);
    appendIf(doc, e, "description", Description);
    appendIf(doc, e, "language", Language);
    appendIf(doc, e, "copyright", Copyright);
    appendIf(doc, e, "managingEditor", ManagingEditor);
    appendIf(doc, e, "webMaster", WebMaster);
    appendIf(doc, e, "pubDate", PubDate);
    appendIf(doc, e, "lastBuildDate", LastBuildDate);
    appendIf(doc, e, "category", Catergory);
    appendIf(doc, e, "generator", Generator);
    appendIf(doc, e, "docs", Docs);
    if (TimeToLive != 0)
        appendText(doc, e, "ttl", NumberText(TimeToLive));
    appendIf(doc, e, "rating", Rating);
    if (m_Image.ImageExists())
        e.appendChild(m_Image.SaveXML(doc));
}

xml::NodeHandle RSSChannel::SaveXML(xml::Document &doc) const
{
    xml::NodeHandle handle = doc.createElement("channel");
    xml::Node e(handle.get());
    appendText(doc, e, "url", m_URL);
    SaveChildXML(doc, e);
    appendIf(doc, e, "customtitle", m_CustomTitle);
    if (OpenLink)
        appendText(doc, e, "openlink", QStringLiteral("yes"));
    appendIf(doc, e, "sortmode", SortMode);
    if (m_NewItems)
        appendText(doc, e, "newitems", QStringLiteral("yes"));
    // Written even when 0 ("keep forever", "never"): an absent element reads as the default.
    appendText(doc, e, "expire", NumberText(Expire));
    appendText(doc, e, "update", NumberText(Update));
    appendIf(doc, e, "lastmod", m_LastMod);
    appendIf(doc, e, "etag", m_ETag);
    appendIf(doc, e, "id", m_ID);
    appendText(doc, e, "windowstate", NumberText(WindowState));
    appendText(doc, e, "windowtop", NumberText(WindowTop));
    appendText(doc, e, "windowleft", NumberText(WindowLeft));
    appendText(doc, e, "windowheight", NumberText(WindowHeight));
    appendText(doc, e, "windowwidth", NumberText(WindowWidth));
    if (!Notify)
        appendText(doc, e, "notify", QStringLiteral("no"));
    return handle;
}

xml::NodeHandle RSSChannel::SaveOPML(xml::Document &doc) const
{
    xml::NodeHandle handle = doc.createElement("outline");
    xml::Node outline(handle.get());
    outline.setAttribute("text", m_Title);
    outline.setAttribute("xmlUrl", m_URL);
    return handle;
}

namespace {

// A switch as this program writes it ("yes"), or as a hand or another tool may ("True", "1").
bool IsYes(const QString &text)
{
    return text.trimmed().compare(QLatin1String("yes"), Qt::CaseInsensitive) == 0
        || TextNumber::ToBool(text.trimmed());
}

} // namespace

void RSSChannel::LoadChannel(xml::Node element)
{
    for (xml::Node child = element.firstChild(); child; child = child.nextSibling())
        LoadNode(child);
}

void RSSChannel::LoadNode(xml::Node node)
{
    if (!node.hasChildNodes())
        return;
    const QString name = node.nodeName().toLower();
    const QString v = node.firstChild().text();
    QString *text = nullptr;
    if (name == QLatin1String("title"))
        text = &m_Title;
    else if (name == QLatin1String("link"))
        text = &link;
    else if (name == QLatin1String("description"))
        text = &Description;
    else if (name == QLatin1String("language"))
        text = &Language;
    else if (name == QLatin1String("copyright"))
        text = &Copyright;
    else if (name == QLatin1String("managingeditor"))
        text = &ManagingEditor;
    else if (name == QLatin1String("webmaster"))
        text = &WebMaster;
    else if (name == QLatin1String("pubdate"))
        text = &PubDate;
    else if (name == QLatin1String("lastbuilddate"))
        text = &LastBuildDate;
    else if (name == QLatin1String("category"))
        text = &Catergory;
    else if (name == QLatin1String("generator"))
        text = &Generator;
    else if (name == QLatin1String("docs"))
        text = &Docs;
    else if (name == QLatin1String("rating"))
        text = &Rating;
    else if (name == QLatin1String("customtitle"))
        text = &m_CustomTitle;
    else if (name == QLatin1String("sortmode"))
        text = &SortMode;
    else if (name == QLatin1String("url"))
        text = &m_URL;
    else if (name == QLatin1String("id"))
        text = &m_ID;
    else if (name == QLatin1String("lastmod"))
        text = &m_LastMod;
    else if (name == QLatin1String("etag"))
        text = &m_ETag;
    if (text) {
        *text = v;
        return;
    }
    if (name == QLatin1String("ttl"))
        TimeToLive = TextNumber::ToInt32(v);
    else if (name == QLatin1String("expire"))
        Expire = TextNumber::ToInt32(v);
    else if (name == QLatin1String("update")) {
        Update = TextNumber::ToInt32(v);
        // A channel that is never reloaded gets no first reload either.
        if (Update != 0)
            m_Reloader->setInterval(firstReloadMs());
    } else if (name == QLatin1String("openlink"))
        OpenLink = IsYes(v);
    else if (name == QLatin1String("notify"))
        Notify = IsYes(v);
    else if (name == QLatin1String("newitems"))
        m_NewItems = IsYes(v);
    else if (name == QLatin1String("windowstate"))
        WindowState = TextNumber::ToInt16(v);
    else if (name == QLatin1String("windowtop"))
        WindowTop = TextNumber::ToInt32(v);
    else if (name == QLatin1String("windowleft"))
        WindowLeft = TextNumber::ToInt32(v);
    else if (name == QLatin1String("windowheight"))
        WindowHeight = TextNumber::ToInt32(v);
    else if (name == QLatin1String("windowwidth"))
        WindowWidth = TextNumber::ToInt32(v);
    else if (name == QLatin1String("image"))
        m_Image.LoadImage(node, m_ID, m_Folder);
    else
        for (xml::Node child = node.firstChild(); child; child = child.nextSibling())
            LoadNode(child);
}
