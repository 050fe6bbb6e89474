#include "frmViewer.h"

#include "Include.h"
#include "ModelHost.h"
#include "RSSChannel.h"
#include "SkinPainter.h"
#include "SkinWindows.h"
#include "TextNumber.h"
#include "ViewerLogic.h"
#include "WindowHelpers.h"
#include "WindowServices.h"
#include "XmlStylesheet.h"
#include "clsProfile.h"
#include "frmTarnSkin.h"
#include "modItemHandler.h"

#include <QCloseEvent>
#include <QCursor>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QWebEnginePage>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include <memory>

namespace {

constexpr int kKind = 1; // the skin's window kind of item viewers

clsProfile *ActiveProfile()
{
    IModelHost *host = IModelHost::Current();
    return host ? host->CurrentProfile() : nullptr;
}

bool Pref(const char *section, const char *key, const char *def)
{
    return Include::Settings().GetBool(
        QLatin1String(section), QLatin1String(key), TextNumber::ToBool(QLatin1String(def)));
}

// A content policy for the page: nothing is fetched or framed, no forms post anywhere; pictures
// and styles may come from anywhere, scripts only from the page itself.
QByteArray ContentPolicy()
{
    return "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
           "img-src * data: file:; style-src 'unsafe-inline' file:; script-src 'unsafe-inline'; "
           "media-src *; form-action 'none'; frame-src 'none'; connect-src 'none'; "
           "base-uri 'none'\">";
}

} // namespace

// The viewer's page: only the viewer's own file is loaded; every other address goes to the
// user's browser, and the title carries the page's item commands.
class ViewerPage : public QWebEnginePage
{
public:
    ViewerPage(frmViewer *viewer, QObject *parent) : QWebEnginePage(parent), m_Viewer(viewer) { }
    QUrl pageAddress;
    bool loading = false;

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType, bool isMainFrame) override
    {
        if (url == pageAddress && isMainFrame) {
            loading = true;
            return true;
        }
        const QString text = url.toString();
        if (text != QLatin1String("http:///")
            && !text.startsWith(QLatin1String("javascript:"), Qt::CaseInsensitive) && isMainFrame)
            Include::OpenURL(text);
        return false;
    }
    void javaScriptConsoleMessage(
        JavaScriptConsoleMessageLevel, const QString &, int, const QString &) override
    { }

private:
    frmViewer *m_Viewer;
};

frmViewer::frmViewer(
    RSSChannel *channel, const QString &pageFile, IWindowServices &services, QWidget *parent)
    : SkinnedFrame(kKind, parent), m_Channel(channel), m_Services(services), m_PageFile(pageFile)
{
    setObjectName(QStringLiteral("frmViewer"));
    setAttribute(Qt::WA_DeleteOnClose);
    setAcceptDrops(true);
    const frmTarnSkin &skin = frmTarnSkin::Instance();
    setMinimumSize(qMax(200, int(skin.ChannelMinWidth)), qMax(150, int(skin.ChannelMinHeight)));
    resize(560, 480);
    if (channel) {
        m_URL = channel->URL();
        setWindowTitle(channel->displayTitle() + QStringLiteral(" - Tarnwick"));
    }

    m_Web = new QWebEngineView(this);
    m_Web->setObjectName(QStringLiteral("webView"));
    m_Page = new ViewerPage(this, m_Web);
    m_Web->setPage(m_Page);
    QWebEngineSettings *settings = m_Page->settings();
    // The page is a local file; the pictures in items come from the web. What the page may
    // fetch is held by its content policy (pictures only) and by the cleaning of the items
    // (web addresses only), not by this switch, which would keep every picture out.
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, true);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, true);
    settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    settings->setAttribute(QWebEngineSettings::JavascriptCanAccessClipboard, false);
    settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    settings->setAttribute(QWebEngineSettings::AutoLoadIconsForPage, false);
    m_Web->setContextMenuPolicy(Qt::NoContextMenu);
    m_Web->setAcceptDrops(false);
    connect(m_Page, &QWebEnginePage::titleChanged, this, &frmViewer::PageTitleChanged);
    connect(m_Page, &QWebEnginePage::loadFinished, this, &frmViewer::webView_LoadFinished);

    m_Search = new QLineEdit(this);
    m_Search->setObjectName(QStringLiteral("txtSearch"));
    m_Search->setPlaceholderText(tr("Search"));
    m_Search->setClearButtonEnabled(true);
    m_Search->setFrame(false);
    m_Search->installEventFilter(this);
    connect(m_Search, &QLineEdit::textChanged, this, [this](const QString &text) {
        ApplySearch(text.trimmed());
        m_Search->setFocus();
    });

    m_SortMenu = new QMenu(this);
    m_SortMenu->setObjectName(QStringLiteral("mnuSortMenu"));
    const QList<QPair<QString, QString>> sorts = {{QStringLiteral("mnuSortAll"), QString()},
        {QStringLiteral("mnuSortToday"), QStringLiteral("_tarnwick/today")},
        {QStringLiteral("mnuSortYesterday"), QStringLiteral("_tarnwick/yesterday")},
        {QStringLiteral("mnuSort7Days"), QStringLiteral("_tarnwick/week")},
        {QStringLiteral("mnuSortUnread"), QStringLiteral("_tarnwick/unread")},
        {QStringLiteral("mnuSortRead"), QStringLiteral("_tarnwick/read")},
        {QStringLiteral("mnuSortDeleted"), QStringLiteral("_tarnwick/deleted")},
        {QStringLiteral("mnuSortTagged"), QStringLiteral("_tarnwick/flagged")}};
    for (const auto &[name, filter] : sorts) {
        QAction *item = m_SortMenu->addAction(QLatin1Char('&') + ViewerLogic::FilterName(filter));
        item->setObjectName(name);
        item->setCheckable(true);
        item->setData(filter);
        connect(item, &QAction::triggered, this, [this, filter = filter] { SelectFilter(filter); });
    }

    // Keyboard: Escape closes, Ctrl+F searches, F5 reloads, Ctrl+Shift+A marks all read.
    auto shortcut = [this](const QKeySequence &keys, auto fn) {
        auto *action = new QAction(this);
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, fn);
        addAction(action);
    };
    shortcut(QKeySequence(Qt::Key_Escape), [this] { close(); });
    shortcut(QKeySequence::Find, [this] {
        m_Search->setFocus();
        m_Search->selectAll();
    });
    shortcut(
        QKeySequence(Qt::Key_F5), [this] { SkinHandler(QStringLiteral("reload"), 0, 0, true); });
    shortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A),
        [this] { SkinHandler(QStringLiteral("markallread"), 0, 0, true); });

    // Load: the frame as the user left it, then the first layout.
    if (Pref("PREFS", "HIDECHLFRAME", "False"))
        setFrameHidden(true);
    Form_Resize();
    m_LoadedRaised = true;
    emit Loaded();
}

frmViewer::~frmViewer()
{
    frmTarnSkin::Instance().ForgetOwner(this);
}

// ---- Lists and the page ---------------------------------------------------------------------

void frmViewer::SetupView(const QString &url, const QString &filterAddress)
{
    if (!url.isEmpty())
        m_URL = url;
    m_Restore = false; // a fresh view starts at the top
    if (const auto filter = ViewerLogic::FilterFor(filterAddress)) {
        for (QAction *item : m_SortMenu->actions())
            item->setChecked(item->data().toString() == *filter);
        m_Filter = *filter;
    }
    LoadNodeList();
    show();
}

void frmViewer::SelectFilter(const QString &filter)
{
    for (QAction *item : m_SortMenu->actions())
        item->setChecked(false);
    m_Filter = filter;
    m_Restore = false; // another list starts at the top
    LoadNodeList();
    if (QAction *item = SortItem(filter))
        item->setChecked(true);
    PaintMe();
}

QAction *frmViewer::SortItem(const QString &filter) const
{
    for (QAction *item : m_SortMenu->actions())
        if (item->data().toString() == filter)
            return item;
    return nullptr;
}

void frmViewer::LoadNodeList()
{
    Include::FormBusy(this);
    RequestList();
    Include::FormReady(this);
}

void frmViewer::RequestList()
{
    if (clsProfile *profile = ActiveProfile())
        profile->SubChannelList(m_URL, m_Filter, QString());
}

void frmViewer::QueueRefresh()
{
    if (m_RefreshQueued)
        return;
    m_RefreshQueued = true;
    QTimer::singleShot(0, this, [this] {
        m_RefreshQueued = false;
        Refresh();
    });
}

void frmViewer::Refresh()
{
    // Not the busy state of a list the user asked for: the window keeps its focus, and a
    // search being typed goes on.
    if (!m_List || m_Page->loading) {
        m_Restore = false;
        RequestList();
        return;
    }
    // Which items are open (the page's "collapsed" class absent) and where the page stands.
    const QPointer<frmViewer> self(this);
    m_Page->runJavaScript(
        QStringLiteral("(function(){var all=document.body?document.body.getElementsByTagName("
                       "'div'):[];var open=[],n=0;for(var i=0;i<all.length;i++){"
                       "if(!all[i].classList.contains('item'))continue;++n;"
                       "if(!all[i].classList.contains('collapsed'))open.push(n);}"
                       "return {open:open,scroll:window.scrollY};})()"),
        [self](const QVariant &state) {
            if (!self)
                return;
            self->KeepPageState(state);
            self->RequestList();
        });
}

void frmViewer::KeepPageState(const QVariant &state)
{
    const QVariantMap map = state.toMap();
    m_KeepOpen.clear();
    for (const QVariant &position : map.value(QStringLiteral("open")).toList())
        if (const xml::Node item = Item(position.toInt()))
            m_KeepOpen << modItemHandler::GetItemHash(item);
    m_KeepScroll = qMax(0, map.value(QStringLiteral("scroll")).toInt());
    m_Restore = true;
}

void frmViewer::SetAllCount(qint32 allCount)
{
    if (allCount == m_AllCount)
        return;
    m_AllCount = allCount;
    PaintMe();
}

void frmViewer::SetList(const QString &list, qint32 allCount)
{
    m_AllCount = allCount;
    auto doc = std::make_unique<xml::Document>();
    if (!doc->loadXML(ViewerLogic::ListToItems(list)) || doc->documentElement().isNull()) {
        Include::MsgBox(tr("Invalid HTML. Cannot display."));
        return;
    }
    // Item markup is cleaned before the stylesheet places it into the page unescaped.
    for (xml::Node item = doc->documentElement().firstChild(); item; item = item.nextSibling()) {
        if (item.isElement())
            ViewerLogic::SanitizeItem(item);
    }
    const xml::Stylesheet *stylesheet = frmTarnSkin::Instance().ViewerStylesheet();
    const std::optional<QByteArray> page =
        stylesheet ? stylesheet->transformToText(*doc) : std::nullopt;
    if (!page) {
        Include::MsgBox(tr("Invalid HTML. Cannot display."));
        return;
    }
    m_List = std::move(doc);
    m_Items.clear();
    for (xml::Node item = m_List->documentElement().firstChild(); item; item = item.nextSibling())
        if (item.isElement())
            m_Items.push_back(item);
    QString text = QString::fromUtf8(*page);
    if (Include::IsVirtualURL(m_URL))
        text = ViewerLogic::ShowChannelTitles(text);
    const QString folder = Include::AppPath();
    const ViewerLogic::TidyResult tidy = ViewerLogic::TidyPage(
        text, folder + QStringLiteral("/default.tidy"), folder + QStringLiteral("/err.tidy"));
    QByteArray out = tidy.text.toUtf8();
    const int head = out.indexOf("<head>");
    if (head >= 0)
        out.insert(head + 6, ContentPolicy());
    ShowPage(out);
    PaintMe();
}

void frmViewer::ShowPage(const QByteArray &page)
{
    WriteItemIcons();
    QSaveFile file(m_PageFile);
    if (!file.open(QIODevice::WriteOnly) || file.write(page) != page.size() || !file.commit()) {
        Include::MsgBox(
            tr("The page could not be written to %1.").arg(QDir::toNativeSeparators(m_PageFile)));
        return;
    }
    m_PageAddress = QUrl::fromLocalFile(m_PageFile);
    m_Page->pageAddress = m_PageAddress;
    m_Web->hide();
    m_Web->load(m_PageAddress);
}

void frmViewer::WriteItemIcons() const
{
    const QString folder = QFileInfo(m_PageFile).absolutePath() + QStringLiteral("/icons");
    // Once per loaded skin and folder, not at every list: the pictures only change with the skin.
    static QString written;
    const auto &loaded = frmTarnSkin::Instance().ItemIcons();
    const QString key = folder + QLatin1Char('|')
        + QString::number(loaded.isEmpty() ? 0 : loaded.first().cacheKey());
    if (written == key && QFileInfo::exists(folder + QStringLiteral("/item.png")))
        return;
    written = key;
    QDir().mkpath(folder);
    const auto &icons = frmTarnSkin::Instance().ItemIcons();
    for (auto it = icons.cbegin(); it != icons.cend(); ++it) {
        const QString path = folder + QLatin1Char('/') + it.key() + QStringLiteral(".png");
        if (!it.value().isNull())
            it.value().save(path, "PNG");
    }
}

void frmViewer::webView_LoadFinished(bool)
{
    if (!m_Page->loading)
        return; // a refused navigation ends here too
    m_Page->loading = false;
    if (!m_Restore) {
        ShowLoadedPage();
        return;
    }
    // After a refresh: the items the reader had open are open again, at the same place.
    m_Restore = false;
    QJsonArray open;
    for (int i = 0; i < ItemCount(); ++i)
        if (m_KeepOpen.contains(modItemHandler::GetItemHash(m_Items[size_t(i)])))
            open.append(i + 1);
    const QPointer<frmViewer> self(this);
    m_Page->runJavaScript(
        QStringLiteral("(function(open,y){var all=document.body?document.body."
                       "getElementsByTagName('div'):[];var n=0;for(var i=0;i<all.length;i++){"
                       "if(!all[i].classList.contains('item'))continue;++n;"
                       "if(open.indexOf(n)>=0)all[i].classList.remove('collapsed');}"
                       "window.scrollTo(0,y);})(%1,%2);")
            .arg(QString::fromUtf8(QJsonDocument(open).toJson(QJsonDocument::Compact)))
            .arg(m_KeepScroll),
        [self](const QVariant &) {
            if (self)
                self->ShowLoadedPage();
        });
}

void frmViewer::ShowLoadedPage()
{
    m_Web->show();
    if (!m_Search->text().trimmed().isEmpty())
        ApplySearch(m_Search->text().trimmed());
    else
        Form_Resize();
    emit PageShown();
}

void frmViewer::ApplySearch(const QString &text)
{
    const QStringList words = text.toLower().split(QLatin1Char(' '));
    const QString json = QString::fromUtf8(
        QJsonDocument(QJsonArray::fromStringList(text.isEmpty() ? QStringList() : words))
            .toJson(QJsonDocument::Compact));
    m_Page->runJavaScript(QStringLiteral(
        "(function(words){var all=document.body?document.body.getElementsByTagName('div'):[];"
        "for(var i=0;i<all.length;i++){var d=all[i];if(!d.classList.contains('item'))continue;"
        "var t=(d.textContent||'').toLowerCase();var ok=true;"
        "for(var w=0;w<words.length;w++){if(t.indexOf(words[w])<0){ok=false;break;}}"
        "d.style.display=ok?'block':'none';}})(%1);")
                              .arg(json));
    Form_Resize();
}

QVariant frmViewer::RunScript(const QString &script, int timeoutMs)
{
    // The answer may come after the wait has given up: it then lands in the shared state, and
    // the loop it would have ended is gone.
    struct Answer
    {
        QVariant value;
        bool done = false;
        QPointer<QEventLoop> wait;
    };
    auto answer = std::make_shared<Answer>();
    QEventLoop wait;
    answer->wait = &wait;
    m_Page->runJavaScript(script, [answer](const QVariant &value) {
        answer->value = value;
        answer->done = true;
        if (answer->wait)
            answer->wait->quit();
    });
    QTimer::singleShot(timeoutMs, &wait, &QEventLoop::quit);
    if (!answer->done)
        wait.exec();
    answer->wait = nullptr;
    return answer->value;
}

xml::Node frmViewer::Item(int position) const
{
    return position >= 1 && position <= ItemCount() ? m_Items[size_t(position - 1)] : xml::Node();
}

void frmViewer::PageTitleChanged(const QString &title)
{
    const auto command = ViewerLogic::ParsePageTitle(title, ItemCount());
    clsProfile *profile = ActiveProfile();
    if (!command || !profile)
        return;
    xml::Node item = Item(command->position);
    const QString hash = modItemHandler::GetItemHash(item);
    const QString own = modItemHandler::GetItemChannel(item);
    if (command->letter == QLatin1Char('R')) {
        profile->MarkItemRead(m_URL, hash, true);
        modItemHandler::SetItemRead(item, true);
        // The item looks read at once, whichever control marked it; the list stays, so an
        // item opened in the unread filter does not vanish while it is being read.
        m_Page->runJavaScript(
            QStringLiteral("(function(p){var all=document.body?document.body."
                           "getElementsByTagName('div'):[];var n=0;for(var i=0;i<all.length;"
                           "i++){if(all[i].classList.contains('item')&&++n==p){"
                           "all[i].classList.add('read');break;}}})(%1);")
                .arg(command->position));
    } else if (command->letter == QLatin1Char('D')) {
        const bool now = !modItemHandler::IsItemDeleted(item);
        profile->MarkItemDeleted(m_URL, hash, now);
        modItemHandler::SetItemDeleted(item, now);
    } else {
        const bool now = !modItemHandler::IsItemFlagged(item);
        profile->MarkItemTag(m_URL, hash, now);
        modItemHandler::SetItemFlag(item, now);
    }
    // In a filter's viewer the item's own channel changed too.
    if (!own.isEmpty() && own != m_URL)
        profile->UpdateChannel(own);
    // A tag shows its new icon; a deleted item leaves the list (a restored one leaves the
    // deleted filter's), and the footer counts follow.
    if (command->letter != QLatin1Char('R'))
        Refresh();
    emit ItemsMarked(own.isEmpty() ? m_URL : own);
    PaintMe();
}

// ---- The skin ---------------------------------------------------------------------------------

void frmViewer::SkinHandler(const QString &function, float, float, bool released)
{
    const QString name = function.toLower();
    if (!released) {
        if (name == QLatin1String("move"))
            Include::DragWindow(this);
        return;
    }
    clsProfile *profile = ActiveProfile();
    if (name == QLatin1String("openall")) {
        m_Page->runJavaScript(
            QStringLiteral("var e=document.getElementById('expandall');if(e)e.click();"));
        if (profile)
            profile->MarkAllRead(m_URL);
        emit ItemsMarked(m_URL);
    } else if (name == QLatin1String("closeall")) {
        m_Page->runJavaScript(
            QStringLiteral("var e=document.getElementById('collapseall');if(e)e.click();"));
    } else if (name == QLatin1String("close")) {
        close();
    } else if (name == QLatin1String("max")) {
        if (isMaximized()) {
            showNormal();
        } else {
            if (FrameHidden())
                cmdWinFrame_Click();
            showMaximized();
        }
    } else if (name == QLatin1String("min")) {
        showMinimized();
    } else if (name == QLatin1String("windowframe")) {
        cmdWinFrame_Click();
    } else if (name == QLatin1String("openmain")) {
        m_Services.OpenMainWindow();
    } else if (name == QLatin1String("openticker")) {
        m_Services.ToggleTicker();
    } else if (name == QLatin1String("reload")) {
        if (m_Channel)
            m_Channel->ForceLoadRSS();
        LoadNodeList();
    } else if (name == QLatin1String("markallread")) {
        if (profile)
            profile->MarkAllRead(m_URL);
        LoadNodeList();
        emit ItemsMarked(m_URL);
    } else if (name == QLatin1String("properties")) {
        if (m_Channel)
            m_Services.ShowProperties(m_Channel);
    } else if (name == QLatin1String("openinbrowser")) {
        const QString link = m_Channel ? m_Channel->link : QString();
        if (link.isEmpty())
            Include::MsgBox(tr("This channel has no Link element"), QStringLiteral("Tarnwick"));
        else
            Include::OpenURL(link);
    } else if (name == QLatin1String("sortmenu")) {
        m_SortMenu->popup(QCursor::pos());
    } else if (name.startsWith(QLatin1String("sort"))) {
        static const QHash<QString, QString> sorts = {{QStringLiteral("sortall"), QString()},
            {QStringLiteral("sortunread"), QStringLiteral("_tarnwick/unread")},
            {QStringLiteral("sortread"), QStringLiteral("_tarnwick/read")},
            {QStringLiteral("sorttoday"), QStringLiteral("_tarnwick/today")},
            {QStringLiteral("sortyesterday"), QStringLiteral("_tarnwick/yesterday")},
            {QStringLiteral("sortpast7days"), QStringLiteral("_tarnwick/week")},
            {QStringLiteral("sortdeleted"), QStringLiteral("_tarnwick/deleted")},
            {QStringLiteral("sorttagged"), QStringLiteral("_tarnwick/flagged")}};
        if (sorts.contains(name))
            SelectFilter(sorts.value(name));
    }
}

QString frmViewer::DecodeText(const QString &text)
{
    QString out = text;
    auto once = [&out](const QString &token, const QString &value) {
        SkinWindow::ReplaceFirst(out, token, value);
    };
    once(QStringLiteral("{items}"), QString::number(ItemCount()));
    once(QStringLiteral("{allitems}"), QString::number(m_AllCount));
    if (ActiveProfile() && m_Channel)
        once(QStringLiteral("{title}"), m_Channel->displayTitle());
    once(QStringLiteral("{filter}"), ViewerLogic::FilterName(m_Filter));
    return out;
}

bool frmViewer::DecodeIf(const QString &word)
{
    static const QHash<QString, QString> sorts = {{QStringLiteral("sortall"), QString()},
        {QStringLiteral("sorttoday"), QStringLiteral("_tarnwick/today")},
        {QStringLiteral("sortunread"), QStringLiteral("_tarnwick/unread")},
        {QStringLiteral("sortread"), QStringLiteral("_tarnwick/read")},
        {QStringLiteral("sortdeleted"), QStringLiteral("_tarnwick/deleted")},
        {QStringLiteral("sorttagged"), QStringLiteral("_tarnwick/flagged")},
        {QStringLiteral("sortyesterday"), QStringLiteral("_tarnwick/yesterday")},
        {QStringLiteral("sortpast7days"), QStringLiteral("_tarnwick/week")}};
    const QString w = word.toLower();
    if (w == QLatin1String("mouseoverwindow"))
        return isVisible() && Include::IsCursorOver(this);
    if (w == QLatin1String("frame"))
        return !FrameHidden();
    if (w == QLatin1String("false"))
        return false;
    if (sorts.contains(w))
        return m_Filter == sorts.value(w);
    return true;
}

void frmViewer::cmdWinFrame_Click()
{
    setFrameHidden(!FrameHidden());
    Include::Settings().SaveSetting(QStringLiteral("PREFS"), QStringLiteral("HIDECHLFRAME"),
        FrameHidden() ? QStringLiteral("True") : QStringLiteral("False"));
    if (isMaximized() || isMinimized())
        showNormal();
    Form_Resize();
}

void frmViewer::Form_Resize()
{
    if (isMinimized())
        return;
    const frmTarnSkin &skin = frmTarnSkin::Instance();
    const QRect area = ClientArea();
    m_Web->setGeometry(area);
    // The search box where the skin puts it, in its font and colour.
    m_Search->setGeometry(skin.SearchLeft, skin.SearchTop, skin.SearchWidth,
        QFontMetrics(skin.GetFont(skin.SearchFont)).height() + 6);
    skin.SetFont(m_Search, skin.SearchFont, true);
    QPalette p = m_Search->palette();
    p.setColor(QPalette::Base, SkinPainter::ToColor(skin.SearchColor));
    m_Search->setPalette(p);
    m_Search->raise();

    RebuildSurface();
    if (m_LoadedRaised && isVisible())
        emit Resized();
}

void frmViewer::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    Form_Resize();
}

void frmViewer::moveEvent(QMoveEvent *event)
{
    QWidget::moveEvent(event);
    if (m_LoadedRaised && isVisible())
        emit Resized(); // the channel keeps the place too
}

void frmViewer::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        Form_Resize();
}

void frmViewer::closeEvent(QCloseEvent *event)
{
    emit Resized();
    QWidget::closeEvent(event);
}

void frmViewer::FrameRightClicked(const QPoint &at)
{
    m_SortMenu->popup(at);
}

void frmViewer::dragEnterEvent(QDragEnterEvent *event)
{
    event->acceptProposedAction();
}

void frmViewer::dropEvent(QDropEvent *event)
{
    event->acceptProposedAction();
    Include::DropData(event->mimeData());
}

bool frmViewer::eventFilter(QObject *watched, QEvent *event)
{
    // Addresses dropped on the search box subscribe, as on the window.
    if (watched == m_Search && event->type() == QEvent::Drop) {
        dropEvent(static_cast<QDropEvent *>(event));
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
