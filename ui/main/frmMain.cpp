#include "frmMain.h"

#include "ChannelTree.h"
#include "Include.h"
#include "MainMenus.h"
#include "MainProfiles.h"
#include "MainTray.h"
#include "NewItemsNotifier.h"
#include "ProfileTree.h"
#include "RSSChannel.h"
#include "SkinWindows.h"
#include "SubscriptionWindows.h"
#include "TextNumber.h"
#include "UpdateNotice.h"
#include "Vendor.h"
#include "WindowHelpers.h"
#include "WindowServices.h"
#include "clsOPML.h"
#include "clsProfile.h"
#include "colGroups.h"
#include "frmAbout.h"
#include "frmLoading.h"
#include "frmSkin.h"
#include "frmTarnSkin.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QMimeData>
#include <QScreen>
#include <QThread>

#include <utility>

namespace {

bool IsTrue(const QString &value)
{
    return TextNumber::ToBool(value); // "True", or a number that is not zero
}

bool Pref(const char *key, const char *def)
{
    return IsTrue(Include::Settings().GetSetting(
        QStringLiteral("PREFS"), QLatin1String(key), QLatin1String(def)));
}

} // namespace

frmMain::frmMain(IWindowServices &services, QWidget *parent)
    : SkinnedFrame(0, parent), m_Services(services)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Tarnwick"));
    setAcceptDrops(true);
    setMinimumSize(180, 160);
    setFocusPolicy(Qt::StrongFocus);

    // The tree: its columns and images come with the skin.
    m_Tree = new clsChannelTree(this);
    connect(m_Tree, &clsChannelTree::RowReleased, this, &frmMain::treMain_RowReleased);
    m_Rows = new ProfileTree(m_Tree, m_Services, this);
    m_Profiles = new MainProfiles(*m_Rows, m_Services, this);
    connect(m_Profiles, &MainProfiles::Switching, this, &frmMain::ProfileSwitching);
    connect(m_Profiles, &MainProfiles::Switched, this, &frmMain::ProfileSwitched);
    connect(m_Profiles, &MainProfiles::GaveUp, this, &frmMain::ExitProgram);
    connect(m_Tree, &clsChannelTree::RowDoubleClicked, m_Rows, &ProfileTree::OpenRow);
    connect(m_Tree, &clsChannelTree::GroupKeyPressed, m_Rows, &ProfileTree::OpenGroup);
    connect(m_Tree, &clsChannelTree::MenuKeyPressed, this, [this](int row, const QPoint &at) {
        PrepareActionsMenu(row);
        m_Menus->actions->setProperty("prepared", true);
        m_Menus->actions->popup(at);
    });
    // A click on the frame or its buttons leaves the keyboard with the tree.
    setFocusProxy(m_Tree);

    // The update banner over the bottom of the tree.
    m_Update = new UpdateNotice(this);
    connect(m_Update, &UpdateNotice::Changed, this, &frmMain::Form_Resize);
    connect(m_Update, &UpdateNotice::UpgradeChosen, this, &frmMain::lblUpgradeLink_Click);

    m_Subscriptions = new SubscriptionWindows(*this);
    CreateMenus();

    m_Tray = new MainTray(*m_Menus, this);
    setWindowIcon(m_Tray->icon());
    connect(m_Tray, &MainTray::OpenRequested, this, &frmMain::mnuTrayOpen_Click);
    m_TrayCountTimer.setSingleShot(true);
    m_TrayCountTimer.setInterval(500);
    connect(&m_TrayCountTimer, &QTimer::timeout, this, &frmMain::UpdateTrayCount);
    m_Notifier = new NewItemsNotifier([this] { return m_Profiles->Active(); },
        [this](const QString &title, const QString &text) { m_Tray->Popup(title, text); }, this);
    connect(m_Notifier, &NewItemsNotifier::OpenChannel, this, [this](const QString &url) {
        if (Ending() || !m_Profiles->Active())
            return;
        if (RSSChannel *channel = m_Profiles->Active()->GetChannel(url))
            channel->CreateChannelView(false);
    });

    tmrOneShot.setObjectName(QStringLiteral("tmrOneShot"));
    tmrOneShot.setInterval(100);
    connect(&tmrOneShot, &QTimer::timeout, this, &frmMain::tmrOneShot_Timer);
    m_CountTimer.setSingleShot(true);
    m_CountTimer.setInterval(300);
    connect(&m_CountTimer, &QTimer::timeout, this, [this] {
        if (m_ItemCountStale)
            RefreshItemCount();
        if (std::exchange(m_ChannelsChanged, false))
            PaintMe();
    });

    Include::SetDropTarget(
        [this](const QString &url) { m_Subscriptions->AddChannelsWithURL(url); });
}

frmMain::~frmMain()
{
    RunExitSequence();
    Include::SetDropTarget({});
    frmTarnSkin::Instance().ForgetOwner(this);
}

// ---- Start ---------------------------------------------------------------------------------

void frmMain::Form_Load()
{
    m_Update->Start();

    // A first start opens the help channel as soon as it has been read.
    m_ShowHelpRequest = Pref("FIRSTRUN", "True");
    frmTarnSkin::SetReporter([](const QString &text) { Include::MsgBox(text); });

    // 150 twips below the top of the screen, the right edge 150 twips from the screen's.
    resize(300, 520);
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        const int tx = Include::TwipsPerPixelX(), ty = Include::TwipsPerPixelY();
        move(area.right() - 150 / tx - width(), area.top() + 150 / ty);
    }
    Include::LoadFormState(this, QStringLiteral("Tarnwick"));
    if (Pref("HIDEFRAME", "False"))
        cmdWinFrame_Click();
    LoadSkin();

    m_Profiles->Load();
    tmrOneShot.start();
    Include::Settings().SaveSetting(
        QStringLiteral("PREFS"), QStringLiteral("FIRSTRUN"), QStringLiteral("False"));

    if (IsTrue(Include::Settings().GetSetting(
            QStringLiteral("START"), QStringLiteral("OPENMAIN"), QStringLiteral("True")))) {
        setWindowState(windowState() & ~Qt::WindowMinimized);
        show();
    } else {
        MeClose();
    }
    PrepareActionsMenu(-1);
    // A ticker open at the last exit comes back. The profile list is read from the event loop,
    // and activating a profile closes an open ticker: it opens once the profile is active.
    m_TickerAtStart = IsTrue(Include::Settings().GetSetting(
        QStringLiteral("Ticker"), QStringLiteral("Show"), QStringLiteral("False")));
    if (m_Profiles->Active())
        OpenTickerAtStart();
}

void frmMain::OpenTickerAtStart()
{
    if (!std::exchange(m_TickerAtStart, false) || m_ExitRequested || m_ExitDone)
        return;
    if (!m_Services.IsTickerLoaded())
        TickerToggle();
}

void frmMain::ChangeUser(const QString &name)
{
    m_Profiles->ChangeUser(name);
}

void frmMain::ProfileSwitching()
{
    if (m_Services.IsTickerLoaded()) {
        mnuTickerClose_Click();
    } else if (isVisible()) {
        if (!m_Loading)
            m_Loading = new frmLoading(this);
        m_Loading->show();
        m_Loading->raise();
    }
}

void frmMain::ProfileSwitched()
{
    if (m_Loading)
        m_Loading->close();
    Form_Resize();
    m_ItemCountStale = true;
    m_CountTimer.start();
    m_Notifier->Reset();
    m_TrayCountTimer.start();
    PaintMe();
    // Channels subscribed or removed anywhere (the channel manager, a row's menu, the
    // directory) change the counts of the status line: redrawn once the changes have settled.
    for (const QMetaObject::Connection &c : std::as_const(m_ProfileWatch))
        disconnect(c);
    m_ProfileWatch.clear();
    if (clsProfile *profile = m_Profiles->Active()) {
        auto changed = [this] {
            m_ChannelsChanged = m_ItemCountStale = true;
            if (!m_CountTimer.isActive())
                m_CountTimer.start();
        };
        m_ProfileWatch << connect(profile, &clsProfile::NewChannel, this, changed)
                       << connect(profile, &clsProfile::DelChannel, this, changed);
    }
    OpenTickerAtStart();
}

void frmMain::tmrOneShot_Timer()
{
    if (m_ExitRequested && m_ExitDone) {
        tmrOneShot.stop();
        close();
        hide();
        QApplication::quit();
        return;
    }
    if (QSystemTrayIcon::isSystemTrayAvailable()
        || qEnvironmentVariableIsSet("TARNWICK_FORCE_TRAY"))
        m_Tray->show();
    tmrOneShot.stop();
    Form_Resize();
}

// ---- Stop ---------------------------------------------------------------------------------

void frmMain::MeClose()
{
    // Without a notification area the window would be lost when hidden: minimise it instead.
    if (m_ExitDone || QSystemTrayIcon::isSystemTrayAvailable() || m_Tray->isVisible())
        hide();
    else
        showMinimized();
    Include::TrimMemory();
    m_Profiles->SaveAll();
}

void frmMain::closeEvent(QCloseEvent *event)
{
    if (m_ExitDone) {
        event->accept();
        return;
    }
    event->ignore();
    MeClose();
}

bool frmMain::RunExitSequence()
{
    if (m_ExitDone)
        return true;
    m_ExitDone = true;
    m_Notifier->Reset();
    m_TrayCountTimer.stop();
    m_Tray->hide();
    Include::SaveFormState(this, QStringLiteral("Tarnwick"));
    m_Profiles->SaveAll();
    m_Services.CloseViewers();
    m_Services.UnloadDialogs();
    m_Subscriptions->CloseAll();
    if (m_Loading)
        m_Loading->close();
    if (m_Services.IsTickerLoaded())
        m_Services.ShowTicker(false);
    m_Profiles->Close();
    m_Update->Stop();
    emit ExitSequenceDone();
    return true;
}

void frmMain::ExitProgram()
{
    m_ExitRequested = true;
    if (m_ExitQueued)
        return;
    m_ExitQueued = true;
    // The exit sequence takes windows, profiles and banks away: it waits for the event loop.
    QTimer::singleShot(0, this, [this] {
        Include::RunWhenIdle(this, &clsOPML::EndWaits, [this] {
            RunExitSequence();
            tmrOneShot.start(500);
        });
    });
}

// ---- The tree ------------------------------------------------------------------------------

void frmMain::StateChange(const QString &user, RSSChannel *channel)
{
    if (!channel || !m_Profiles->Active() || user != m_Profiles->Active()->Name())
        return;
    m_LastStateRows = m_Rows->UpdateChannel(channel);
    m_ItemCountStale = true;
    if (!m_CountTimer.isActive())
        m_CountTimer.start();
    if (!m_TrayCountTimer.isActive())
        m_TrayCountTimer.start();
}

void frmMain::ChannelLoaded(RSSChannel *channel, bool newItems)
{
    if (!Ending())
        m_Notifier->ChannelLoaded(channel, newItems);
}

void frmMain::UpdateTrayCount()
{
    m_TrayCountTimer.stop();
    qint32 unread = 0;
    if (Pref("TRAYCOUNT", "True") && m_Profiles->Active())
        if (const RSSChannel *filter =
                m_Profiles->Active()->GetChannel(QStringLiteral("_tarnwick/unread")))
            unread = filter->ItemCount();
    m_Tray->SetUnreadCount(unread);
}

void frmMain::treMain_RowReleased(int row, Qt::MouseButton button)
{
    if (button == Qt::LeftButton) {
        m_Rows->RowClicked(row);
    } else if (button == Qt::RightButton) {
        PrepareActionsMenu(row);
        m_Menus->actions->setProperty("prepared", true);
        m_Menus->actions->popup(QCursor::pos());
    }
}

void frmMain::PrepareActionsMenu(int row)
{
    const QString group = row >= 0 ? m_Tree->RowGroup(row) : QString();
    const QString url = row >= 0 ? m_Tree->RowURL(row) : QString();
    m_Tree->setCurrentRow(row >= 0 ? row : -1);
    m_Menus->ShowRowItems(clsChannelTree::MenuItemsFor(group, url));
}

QString frmMain::SelectedGroup() const
{
    return m_Rows->SelectedGroup();
}

void frmMain::RepopulateTreeMain()
{
    m_Rows->Repopulate();
}

void frmMain::ReloadAll()
{
    m_Rows->ReloadAll();
}

// ---- Menus -----------------------------------------------------------------------------------

void frmMain::CreateMenus()
{
    m_Menus = new MainMenus(this);
    const MainMenus &m = *m_Menus;
    const std::pair<QAction *, void (frmMain::*)()> commands[] = {
        {m.fileSkin, &frmMain::mnuFileSkin_Click},
        {m.filePrefs, &frmMain::mnuFilePrefs_Click},
        {m.fileOnTop, &frmMain::mnuFileOnTop_Click},
        {m.fileTicker, &frmMain::TickerToggle},
        {m.fileClose, &frmMain::MeClose},
        {m.helpChannel, &frmMain::ShowHelpChannel},
        {m.helpAbout, &frmMain::mnuHelpAbout_Click},
        {m.tickerOpen, &frmMain::mnuTrayOpen_Click},
        {m.tickerClose, &frmMain::mnuTickerClose_Click},
        {m.trayTicker, &frmMain::TickerToggle},
        {m.trayOpen, &frmMain::mnuTrayOpen_Click},
        {m.trayExit, &frmMain::ExitProgram},
    };
    for (const auto &[action, command] : commands)
        connect(action, &QAction::triggered, this, command);
    IWindowServices *services = &m_Services;
    for (QAction *settings : {m.fileTickerSettings, m.tickerSettings})
        connect(
            settings, &QAction::triggered, this, [services] { services->ShowTickerSettings(); });
    connect(m.tickerBrowser, &QAction::triggered, this, [services] { services->OpenTickerItem(); });
    connect(m.helpWeb, &QAction::triggered, this,
        [] { Include::OpenURL(Vendor::Address(Vendor::kWebSite)); });
    connect(m.channelRemove, &QAction::triggered, this, [this] {
        m_Subscriptions->RemoveFromGroup(m_Rows->SelectedGroup(), m_Rows->SelectedChannel());
    });
    // The selected row's commands.
    ProfileTree *rows = m_Rows;
    const std::pair<QAction *, void (ProfileTree::*)()> rowCommands[] = {
        {m.reloadAll, &ProfileTree::ReloadAll},
        {m.channelView, &ProfileTree::ViewSelectedChannel},
        {m.channelMarkAll, &ProfileTree::MarkSelectedRead},
        {m.channelReload, &ProfileTree::ReloadSelectedChannel},
        {m.channelProperties, &ProfileTree::ShowSelectedProperties},
        {m.groupView, &ProfileTree::ViewSelectedGroup},
        {m.groupReload, &ProfileTree::ReloadSelectedGroup},
    };
    for (const auto &[action, command] : rowCommands)
        connect(action, &QAction::triggered, rows, command);
    MainProfiles *profiles = m_Profiles;
    connect(m.fileExport, &QAction::triggered, profiles, &MainProfiles::ExportOPML);
    connect(m.newProfile, &QAction::triggered, profiles, &MainProfiles::NewProfile);
    connect(m.deleteProfile, &QAction::triggered, profiles, &MainProfiles::DeleteProfile);
    // Subscribing and sorting: the windows for it.
    connect(m.addChannels, &QAction::triggered, this,
        [this] { m_Subscriptions->AddChannelsWithURL(QString()); });
    connect(
        m.addGroup, &QAction::triggered, this, [this] { m_Subscriptions->RunGroupDialog(this); });
    connect(m.deleteChannels, &QAction::triggered, this,
        [this] { m_Subscriptions->ShowChannelManager(); });
    connect(m.groupRename, &QAction::triggered, this,
        [this] { m_Subscriptions->RunRenameDialog(SelectedGroup()); });
    connect(m.groupDelete, &QAction::triggered, this,
        [this] { m_Subscriptions->DeleteGroup(SelectedGroup()); });
    connect(m.file, &QMenu::aboutToShow, this, &frmMain::BuildProfileMenu);
    connect(m_Menus, &MainMenus::ProfileChosen, this, [this](const QString &name) {
        // A checked entry is the active profile: choosing it changes nothing.
        if (!m_Profiles->Active() || name != m_Profiles->Active()->Name())
            ChangeUser(name);
        BuildProfileMenu();
    });
    // Opened from the menu key or the skin: the row-dependent items follow the selected row.
    connect(m.actions, &QMenu::aboutToShow, this, [this] {
        if (!m_Menus->actions->property("prepared").toBool())
            PrepareActionsMenu(m_Tree->currentRow());
        m_Menus->actions->setProperty("prepared", false);
    });

    // Keyboard: F10 and Alt with a menu's letter open the menus; F5 reloads every channel;
    // Return opens the current row and Delete removes its channel.
    m_Menus->AddMenuKeys();
    auto *reload = new QAction(this);
    reload->setShortcut(QKeySequence(Qt::Key_F5));
    connect(reload, &QAction::triggered, m_Rows, &ProfileTree::ReloadAll);
    addAction(reload);
    auto *open2 = new QAction(this);
    open2->setShortcuts({QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
    open2->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(
        open2, &QAction::triggered, this, [this] { m_Rows->ActivateRow(m_Tree->currentRow()); });
    m_Tree->addAction(open2);
    auto *remove = new QAction(this);
    remove->setShortcut(QKeySequence::Delete);
    remove->setShortcutContext(Qt::WidgetShortcut);
    connect(remove, &QAction::triggered, this, [this] {
        const int row = m_Tree->currentRow();
        if (row >= 0
            && clsChannelTree::MenuItemsFor(m_Tree->RowGroup(row), m_Tree->RowURL(row))
                   .channelRemove)
            m_Subscriptions->RemoveFromGroup(m_Rows->SelectedGroup(), m_Rows->SelectedChannel());
    });
    m_Tree->addAction(remove);
}

QMenu *frmMain::mnuFile() const
{
    return m_Menus->file;
}
QMenu *frmMain::mnuFileProfile() const
{
    return m_Menus->fileProfile;
}
QMenu *frmMain::mnuActions() const
{
    return m_Menus->actions;
}
QMenu *frmMain::mnuHelp() const
{
    return m_Menus->help;
}
QMenu *frmMain::mnuTray() const
{
    return m_Menus->tray;
}
QMenu *frmMain::mnuTicker() const
{
    return m_Menus->ticker;
}

QAction *frmMain::Item(const QString &name) const
{
    return m_Menus->Item(name);
}

void frmMain::BuildProfileMenu()
{
    if (m_Profiles->Users())
        m_Menus->ShowProfiles(
            m_Profiles->Names(), m_Profiles->Active() ? m_Profiles->Active()->Name() : QString());
}

// ---- Commands ------------------------------------------------------------------------------

void frmMain::mnuFileSkin_Click()
{
    m_SkinChanged = false;
    frmSkin chooser(this);
    connect(&chooser, &frmSkin::SkinChosen, this, [this] { m_SkinChanged = true; });
    if (chooser.Populate())
        chooser.exec();
    if (m_Profiles->Active())
        m_Services.CloseViewers();
    if (m_SkinChanged) {
        Include::Settings().SaveSetting(
            QStringLiteral("PREFS"), QStringLiteral("HIDECHLFRAME"), QStringLiteral("False"));
        LoadSkin();
    }
}

void frmMain::mnuFilePrefs_Click()
{
    const bool before = Pref("DESCRIPTION", "True");
    m_Services.ShowPreferences();
    if (Pref("DESCRIPTION", "True") != before)
        RepopulateTreeMain();
    UpdateTrayCount(); // the badge may have been switched on or off
}

void frmMain::mnuFileOnTop_Click()
{
    QAction *item = m_Menus->fileOnTop;
    Include::SetOnTop(this, item->isChecked());
}

void frmMain::TickerToggle()
{
    const bool loaded = m_Services.IsTickerLoaded();
    m_Menus->SetTickerShown(!loaded);
    Include::Settings().SaveSetting(QStringLiteral("Ticker"), QStringLiteral("Show"),
        loaded ? QStringLiteral("False") : QStringLiteral("True"));
    m_Services.ShowTicker(!loaded);
}

void frmMain::TickerClosed()
{
    m_Menus->SetTickerShown(false);
}

void frmMain::mnuTickerClose_Click()
{
    m_Menus->SetTickerShown(false);
    Include::Settings().SaveSetting(
        QStringLiteral("Ticker"), QStringLiteral("Show"), QStringLiteral("False"));
    m_Services.ShowTicker(false); // the ticker takes its preview with it
}

void frmMain::ShowHelpChannel()
{
    if (!m_Profiles->Active())
        return;
    if (RSSChannel *channel = m_Profiles->Active()->GetChannel(Include::VendorHelpURL()))
        channel->CreateChannelView(false);
}

void frmMain::mnuHelpAbout_Click()
{
    frmAbout about(
        QStringLiteral("%1.%2.%3").arg(kVersionMajor).arg(kVersionMinor).arg(kVersionRevision),
        this);
    about.exec();
}

void frmMain::mnuTrayOpen_Click()
{
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void frmMain::cmdWinFrame_Click()
{
    setFrameHidden(!FrameHidden());
    Include::Settings().SaveSetting(QStringLiteral("PREFS"), QStringLiteral("HIDEFRAME"),
        FrameHidden() ? QStringLiteral("True") : QStringLiteral("False"));
    Form_Resize();
}

// ---- Update notice -------------------------------------------------------------------------

void frmMain::CheckUpdateText(const QString &pageText)
{
    m_Update->CheckText(pageText);
}

bool frmMain::UpdateBannerShown() const
{
    return m_Update->Shown();
}

void frmMain::lblUpgradeLink_Click()
{
    Include::OpenURL(Vendor::Address(Vendor::kUpdateProgram));
    ExitProgram();
}

// ---- Skin, layout and the mouse --------------------------------------------------------------

void frmMain::LoadSkin()
{
    frmTarnSkin &skin = frmTarnSkin::Instance();
    skin.LoadSkin();
    ApplySkinToTree();
    Form_Resize();
}

void frmMain::ApplySkinToTree()
{
    m_Tree->setDescriptions(Pref("DESCRIPTION", "True"));
    m_Tree->ApplySkin(frmTarnSkin::Instance());
    QPalette p = m_Update->palette();
    p.setColor(QPalette::Window, m_Tree->look().back2.darker(110));
    m_Update->setPalette(p);
}

void frmMain::Form_Resize()
{
    if (isMinimized()) {
        Include::TrimMemory();
        return;
    }
    m_Tree->setUpdatesEnabled(false);
    const QRect area = ClientArea();
    m_Tree->setGeometry(area);
    if (!m_Update->isHidden()) {
        const int h = m_Update->sizeHint().height();
        m_Update->setGeometry(area.left(), area.bottom() + 1 - h, area.width(), h);
        m_Update->raise();
    }
    RebuildSurface();
    m_Tree->setUpdatesEnabled(true);
}

void frmMain::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    Form_Resize();
}

void frmMain::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        Form_Resize();
}

void frmMain::FrameRightClicked(const QPoint &at)
{
    // A right click on the frame away from the skin's buttons offers the window's menus.
    m_Menus->bar->popup(at);
}

void frmMain::keyReleaseEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_F1 && !event->isAutoRepeat()) {
        ShowHelpChannel();
        return;
    }
    QWidget::keyReleaseEvent(event);
}

void frmMain::dragEnterEvent(QDragEnterEvent *event)
{
    event->acceptProposedAction();
}

void frmMain::dropEvent(QDropEvent *event)
{
    event->acceptProposedAction();
    Include::DropData(event->mimeData());
}

void frmMain::SkinHandler(const QString &function, float x, float y, bool released)
{
    const QString name = function.toLower();
    if (!released) {
        if (name == QLatin1String("move"))
            Include::DragWindow(this);
        return;
    }
    // Most of the skin's functions are the menus' commands.
    const MainMenus &m = *m_Menus;
    const std::pair<const char *, QAction *> commands[] = {{"close", m.fileClose},
        {"addchannel", m.addChannels}, {"prefs", m.filePrefs}, {"reloadall", m.reloadAll},
        {"changeskin", m.fileSkin}, {"openticker", m.fileTicker},
        {"deletechannels", m.deleteChannels}, {"addprofile", m.newProfile},
        {"addgroup", m.addGroup}, {"about", m.helpAbout}, {"help", m.helpChannel}};
    for (const auto &[key, action] : commands) {
        if (name == QLatin1String(key)) {
            action->trigger();
            return;
        }
    }
    if (name == QLatin1String("max")) {
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
    } else if (name == QLatin1String("profiles")) {
        BuildProfileMenu();
        // At the cursor, where a click leaves it; below the button when it was pressed without
        // the mouse (a screen reader), the cursor being elsewhere.
        m.fileProfile->popup(
            Include::IsCursorOver(this) ? QCursor::pos() : mapToGlobal(QPoint(int(x), int(y))));
    } else if (name == QLatin1String("reloadskin")) {
        LoadSkin();
    } else if (name == QLatin1String("search")) {
        m_Subscriptions->ShowSearch(QString());
    } else if (name == QLatin1String("openbrowser")) {
        Include::OpenURL(Vendor::Address(Vendor::kDefaultSearchPage));
    }
}

QString frmMain::DecodeText(const QString &text)
{
    QString out = text;
    auto once = [&out](const QString &token, const QString &value) {
        SkinWindow::ReplaceFirst(out, token, value);
    };
    if (!m_Profiles->Active() || !m_Profiles->Active()->IsActive()) {
        // Nothing is known before a profile is open: blank, never the raw token.
        for (const char *token : {"{user}", "{channels}", "{chls}", "{items}"})
            once(QLatin1String(token), QString());
        return out;
    }
    const QString channels = QString::number(m_Profiles->Active()->ChannelCount() - 7);
    once(QStringLiteral("{user}"), m_Profiles->Active()->Name());
    once(QStringLiteral("{channels}"), channels);
    once(QStringLiteral("{chls}"), channels);
    if (out.contains(QLatin1String("{items}"))) {
        if (m_ItemCountStale && !Painting())
            RefreshItemCount();
        once(QStringLiteral("{items}"), QString::number(m_ItemCount));
    }
    return out;
}

void frmMain::RefreshItemCount()
{
    m_ItemCountStale = false;
    const qint32 before = m_ItemCount;
    m_ItemCount = m_Profiles->Active() ? m_Profiles->Active()->ItemCount() : 0;
    if (before != m_ItemCount)
        PaintMe();
}

bool frmMain::DecodeIf(const QString &word)
{
    const QString w = word.toLower();
    if (w == QLatin1String("false"))
        return false;
    if (w == QLatin1String("mouseoverwindow"))
        return isVisible() && Include::IsCursorOver(this);
    if (w == QLatin1String("frame"))
        return !FrameHidden();
    return true;
}

// ---- What the model asks of the main window ---------------------------------------------

bool frmMain::TakeShowHelpRequest()
{
    return std::exchange(m_ShowHelpRequest, false);
}

clsProfile *frmMain::CurrentProfile()
{
    return m_Profiles->Active();
}

void frmMain::AddChannel(const QString &url, const QString &groupName)
{
    m_Profiles->AddChannel(url, groupName);
}

void frmMain::PopupInfo(const QString &text)
{
    m_Tray->Popup(text);
}

colProfiles *frmMain::Users() const
{
    return m_Profiles->Users();
}

QSystemTrayIcon *frmMain::trayMain() const
{
    return m_Tray;
}
