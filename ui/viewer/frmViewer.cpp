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

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QWebEnginePage>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include <memory>
#include <utility>

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

// A script that runs body with "items" (the page's item DIVs in list order) and "p" (a 1-based
// position) at hand; body may return a value.
QString ItemScript(const char *body, int position, const QString &more = QString())
{
    return QStringLiteral("(function(p%3){var all=document.body?document.body."
                          "getElementsByTagName('div'):[];var items=[];for(var i=0;i<all.length;"
                          "i++)if(all[i].classList.contains('item'))items.push(all[i]);"
                          "var d=p>=1&&p<=items.length?items[p-1]:null;%1})(%2);")
        .arg(QLatin1String(body), QString::number(position) + more,
            more.isEmpty() ? QString() : QStringLiteral(",x"));
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
    connect(m_Search, &QLineEdit::textEdited, this, [this] { m_SearchEngaged = true; });
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
        m_SearchEngaged = true;
        m_Search->setFocus(Qt::ShortcutFocusReason);
        m_Search->selectAll();
    });
    shortcut(
        QKeySequence(Qt::Key_F5), [this] { SkinHandler(QStringLiteral("reload"), 0, 0, true); });
    shortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A),
        [this] { SkinHandler(QStringLiteral("markallread"), 0, 0, true); });
    AddReadingKeys();
    AddKeyboardAccess();

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

bool frmViewer::PageHasFocus() const
{
    const QWidget *focus = QApplication::focusWidget();
    return focus && (focus == m_Web || m_Web->isAncestorOf(focus));
}

void frmViewer::LoadNodeList()
{
    m_PageHadFocus = m_PageHadFocus || PageHasFocus(); // the busy window loses it
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
    m_Current = 0;
    for (int i = 0; i < ItemCount() && !m_CurrentHash.isEmpty(); ++i)
        if (modItemHandler::GetItemHash(m_Items[size_t(i)]) == m_CurrentHash)
            m_Current = i + 1;
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
    // The page is hidden while it loads, which sends the keyboard on to the search box: the
    // reader who was in the page gets it back once the page shows.
    m_PageHadFocus = m_PageHadFocus || PageHasFocus();
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
    if (m_Current > 0)
        m_Page->runJavaScript(ItemScript("if(d)d.classList.add('current');", m_Current));
    // The page keeps the keys when it had them before the load, or unless the reader is at work
    // in the search box (a hidden page hands its focus on to the box).
    const bool pageHadFocus = std::exchange(m_PageHadFocus, false);
    if (!m_SearchEngaged && (pageHadFocus || !focusWidget() || focusWidget() == m_Search))
        m_Web->setFocus(Qt::OtherFocusReason);
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
    if (const auto command = ViewerLogic::ParsePageTitle(title, ItemCount()))
        RunItemCommand(command->letter, command->position);
}

void frmViewer::RunItemCommand(QChar letter, int position)
{
    clsProfile *profile = ActiveProfile();
    xml::Node item = Item(position);
    if (!profile || !item)
        return;
    const QString hash = modItemHandler::GetItemHash(item);
    const QString own = modItemHandler::GetItemChannel(item);
    // "R" read, "U" unread (the keyboard's toggle), "D" delete and "T" tag toggles.
    if (letter == QLatin1Char('R') || letter == QLatin1Char('U')) {
        const bool read = letter == QLatin1Char('R');
        profile->MarkItemRead(m_URL, hash, read);
        modItemHandler::SetItemRead(item, read);
        // The item looks read (or unread) at once, whichever control marked it; the list
        // stays, so an item opened in the unread filter does not vanish while it is being read.
        // Its read icon follows.
        m_Page->runJavaScript(ItemScript("if(d){d.classList.toggle('read',x);var i=d.querySelector("
                                         "x?\"img[src$='icons/item.png']\":"
                                         "\"img[src$='icons/prop.png']\");if(i)i.setAttribute("
                                         "'src',x?'icons/prop.png':'icons/item.png');}",
            position, read ? QStringLiteral(",true") : QStringLiteral(",false")));
    } else if (letter == QLatin1Char('D')) {
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
    if (letter == QLatin1Char('D') || letter == QLatin1Char('T'))
        Refresh();
    emit ItemsMarked(own.isEmpty() ? m_URL : own);
    PaintMe();
}

// ---- Reading from the keyboard ----------------------------------------------------------------

void frmViewer::AddReadingKeys()
{
    auto key = [this](const QKeySequence &keys, auto fn) {
        auto *action = new QAction(this);
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, fn);
        addAction(action);
        m_ReadingKeys << action;
    };
    key(QKeySequence(Qt::Key_J), [this] { StepItem(1); });
    key(QKeySequence(Qt::Key_K), [this] { StepItem(-1); });
    key(QKeySequence(Qt::Key_Space), [this] { PageDown(false); });
    key(QKeySequence(Qt::SHIFT | Qt::Key_Space), [this] { PageDown(true); });
    key(QKeySequence(Qt::Key_M), [this] {
        OnShownCurrent([this](int position) {
            RunItemCommand(
                modItemHandler::IsItemRead(Item(position)) ? QLatin1Char('U') : QLatin1Char('R'),
                position);
        });
    });
    key(QKeySequence(Qt::Key_T), [this] {
        OnShownCurrent([this](int position) { RunItemCommand(QLatin1Char('T'), position); });
    });
    key(QKeySequence(Qt::Key_O), [this] {
        OnShownCurrent([this](int position) {
            // Only a web page: the item's address is the feed's word, not the reader's.
            const QString link = modItemHandler::GetItemLink(Item(position)).trimmed();
            if (ViewerLogic::IsHttpAddress(link))
                Include::OpenURL(link);
        });
    });
    key(QKeySequence(Qt::Key_Slash), [this] {
        m_SearchEngaged = true;
        m_Search->setFocus(Qt::ShortcutFocusReason);
        m_Search->selectAll();
    });
    EnableReadingKeys();
}

void frmViewer::EnableReadingKeys()
{
    const bool on = Pref("PREFS", "VIEWERKEYS", "True");
    for (QAction *action : std::as_const(m_ReadingKeys))
        action->setEnabled(on);
}

void frmViewer::StepItem(int direction)
{
    // The next (or previous) item the search leaves shown; the first one when none is current.
    const QPointer<frmViewer> self(this);
    m_Page->runJavaScript(
        ItemScript("var n=-1;var shown=function(e){return e.style.display!='none';};"
                   "if(!d){for(var i=0;i<items.length;i++)if(shown(items[i])){n=i;break;}}"
                   "else{for(var i=p-1+x;i>=0&&i<items.length;i+=x)"
                   "if(shown(items[i])){n=i;break;}}"
                   "if(n<0)return 0;for(var i=0;i<items.length;i++)"
                   "items[i].classList.toggle('current',i==n);"
                   "items[n].classList.remove('collapsed');"
                   "items[n].scrollIntoView({block:'start'});return n+1;",
            m_Current, QLatin1Char(',') + QString::number(direction)),
        [self](const QVariant &result) {
            const int position = result.toInt();
            if (!self || position < 1 || position > self->ItemCount())
                return;
            self->SetCurrent(position);
            if (!modItemHandler::IsItemRead(self->Item(position)))
                self->RunItemCommand(QLatin1Char('R'), position);
        });
}

void frmViewer::PageDown(bool up)
{
    if (up) {
        m_Page->runJavaScript(
            QStringLiteral("window.scrollBy(0,-Math.max(40,window.innerHeight-40));"));
        return;
    }
    // Through the current item a page at a time; once its end is in sight, on to the next.
    const QPointer<frmViewer> self(this);
    m_Page->runJavaScript(
        ItemScript("if(!d||d.style.display=='none')return 0;var r=d.getBoundingClientRect();"
                   "if(r.bottom<=window.innerHeight+1)return 0;"
                   "window.scrollBy(0,Math.max(40,window.innerHeight-40));return 1;",
            m_Current),
        [self](const QVariant &scrolled) {
            if (self && scrolled.toInt() == 0)
                self->StepItem(1);
        });
}

void frmViewer::OnShownCurrent(const std::function<void(int)> &fn)
{
    // An item the search has hidden is out of the reader's sight: no key acts on it.
    if (m_Current < 1)
        return;
    const QPointer<frmViewer> self(this);
    const int position = m_Current;
    m_Page->runJavaScript(ItemScript("return !!d&&d.style.display!='none';", position),
        [self, position, fn](const QVariant &shown) {
            if (self && shown.toBool() && self->m_Current == position)
                fn(position);
        });
}

void frmViewer::SetCurrent(int position)
{
    // The page has marked it already; the hash keeps it across the next list.
    m_Current = position;
    m_CurrentHash = modItemHandler::GetItemHash(Item(position));
}

// ---- The skin ---------------------------------------------------------------------------------

void frmViewer::SkinHandler(const QString &function, float x, float y, bool released)
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
        // At the cursor, where a click leaves it; below the button when it was pressed without
        // the mouse (a screen reader), the cursor being elsewhere.
        m_SortMenu->popup(
            Include::IsCursorOver(this) ? QCursor::pos() : mapToGlobal(QPoint(int(x), int(y))));
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

void frmViewer::AddKeyboardAccess()
{
    // Names for screen readers; Tab goes from the page to the search box and back.
    m_Web->setAccessibleName(tr("Items"));
    m_Search->setAccessibleName(tr("Search items"));
    setTabOrder(m_Web, m_Search);
    // The menu key (or Shift+F10) opens the filter menu at the top of the page, as a right
    // click on the frame does where the mouse is.
    auto *menu = new QAction(this);
    menu->setShortcuts({QKeySequence(Qt::Key_Menu), QKeySequence(Qt::SHIFT | Qt::Key_F10)});
    menu->setShortcutContext(Qt::WindowShortcut);
    connect(menu, &QAction::triggered, this,
        [this] { m_SortMenu->popup(mapToGlobal(ClientArea().topLeft() + QPoint(8, 8))); });
    addAction(menu);
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
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        EnableReadingKeys(); // the switch may have changed in Preferences meanwhile
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
    // Escape leaves the search box for the page (elsewhere it closes the window).
    if (watched == m_Search
        && (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress)
        && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape
        && static_cast<QKeyEvent *>(event)->modifiers() == Qt::NoModifier) {
        event->accept();
        if (event->type() == QEvent::KeyPress) {
            m_SearchEngaged = false;
            m_Web->setFocus(Qt::ShortcutFocusReason);
        }
        return true;
    }
    if (watched == m_Search && event->type() == QEvent::MouseButtonPress)
        m_SearchEngaged = true;
    if (watched == m_Search && event->type() == QEvent::FocusOut) {
        const Qt::FocusReason why = static_cast<QFocusEvent *>(event)->reason();
        if (why == Qt::MouseFocusReason || why == Qt::TabFocusReason
            || why == Qt::BacktabFocusReason)
            m_SearchEngaged = false;
    }
    return QWidget::eventFilter(watched, event);
}
