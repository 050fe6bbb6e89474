#include "frmMain.h"

#include "CSpanClock.h"
#include "ChannelTree.h"
#include "Include.h"
#include "MainMenus.h"
#include "RSSChannel.h"
#include "SkinPainter.h"
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
#include "colProfiles.h"
#include "frmAbout.h"
#include "frmDelProfile.h"
#include "frmLoading.h"
#include "frmSkin.h"
#include "frmTarnSkin.h"
#include "frmUser.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDir>
#include <QFileDialog>
#include <QMimeData>
#include <QPainter>
#include <QScreen>
#include <QThread>
#include <QWindow>

#include <utility>

namespace {

bool IsTrue(const QString &value)
{
    return value.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0;
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
    connect(m_Tree, &clsChannelTree::RowDoubleClicked, this, &frmMain::treMain_RowDoubleClicked);
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

    m_Tray = new QSystemTrayIcon(this);
    QIcon icon = QIcon::fromTheme(QStringLiteral("tarnwick"));
    if (icon.isNull()) {
        const QImage picture =
            frmTarnSkin::Instance().TreeImages().value(QStringLiteral("newitems"));
        icon = picture.isNull() ? QIcon(style()->standardIcon(QStyle::SP_FileDialogInfoView))
                                : QIcon(QPixmap::fromImage(picture));
    }
    m_Tray->setIcon(icon);
    setWindowIcon(icon);
    connect(m_Tray, &QSystemTrayIcon::activated, this, &frmMain::trayMain_Activated);

    tmrOneShot.setObjectName(QStringLiteral("tmrOneShot"));
    tmrOneShot.setInterval(100);
    connect(&tmrOneShot, &QTimer::timeout, this, &frmMain::tmrOneShot_Timer);
    m_CountTimer.setSingleShot(true);
    m_CountTimer.setInterval(300);
    connect(&m_CountTimer, &QTimer::timeout, this, [this] {
        if (m_ItemCountStale)
            RefreshItemCount();
    });
    m_MessageTimer.setSingleShot(true);
    connect(&m_MessageTimer, &QTimer::timeout, this, &frmMain::ShowQueuedMessages);

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
    m_Tray->setToolTip(QStringLiteral("Tarnwick"));
    if (Pref("HIDEFRAME", "False"))
        cmdWinFrame_Click();
    LoadSkin();

    m_Users = std::make_unique<colProfiles>();
    connect(m_Users.get(), &colProfiles::ProfilesLoaded, this, &frmMain::m_Users_ProfilesLoaded);
    m_Users->Init();
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
    if (IsTrue(Include::Settings().GetSetting(
            QStringLiteral("Ticker"), QStringLiteral("Show"), QStringLiteral("False"))))
        TickerToggle();
}

void frmMain::m_Users_ProfilesLoaded()
{
    if (m_Users->UserCount() > 0) {
        clsProfile *profile = m_Users->GetDefaultUser();
        profile->PauseQueue();
        ChangeUser(profile->Name());
        return;
    }
    if (!EnsureProfile())
        ExitProgram();
}

bool frmMain::EnsureProfile()
{
    while (m_Users && m_Users->UserCount() == 0) {
        frmUser dialog(
            m_Users.get(), [this](const QString &name) { ChangeUser(name); }, this);
        if (dialog.exec() != QDialog::Accepted && m_Users->UserCount() == 0)
            return false; // the user would rather not have a profile: nothing to do without one
    }
    return true;
}

void frmMain::ChangeUser(const QString &name)
{
    Include::FormBusy(this);
    m_Users->SaveAllXML();
    if (m_Services.IsTickerLoaded()) {
        mnuTickerClose_Click();
    } else if (isVisible()) {
        if (!m_Loading)
            m_Loading = new frmLoading(this);
        m_Loading->show();
        m_Loading->raise();
    }
    clsProfile *profile = m_Users->GetUser(name);
    if (!profile) {
        if (m_Loading)
            m_Loading->close();
        Include::FormReady(this);
        return;
    }
    m_Tree->RemoveAllRows();
    m_Tree->setEnabled(false);
    if (m_User) {
        disconnect(m_User, nullptr, this, nullptr);
        m_Services.CloseViewers();
        m_User->Deactivate();
    }
    m_User = profile;
    ConnectProfile(profile);
    QString error;
    if (!profile->SetUserActive(&error))
        Include::MsgBox(
            tr("The item bank of profile \"%1\" could not be started: %2").arg(name, error));
    if (profile->Groups()) {
        // Once the stored groups are in, the tree is built once more from the whole profile
        // (stored channels of the built-in groups come without announcements), and every
        // channel asks the bank for its counts.
        connect(profile->Groups(), &colGroups::GroupsLoaded, this, [this, profile] {
            if (profile != m_User)
                return;
            RepopulateTreeMain();
            if (profile->Channels())
                profile->Channels()->RequestAllStatus();
        });
    }
    m_Users->SetDefault(name);
    if (m_Loading)
        m_Loading->close();
    Form_Resize();
    m_Tree->setEnabled(true);
    profile->ResumeQueue();
    m_ItemCountStale = true;
    m_CountTimer.start();
    PaintMe();
    Include::FormReady(this);
}

void frmMain::ConnectProfile(clsProfile *profile)
{
    connect(profile, &clsProfile::NewGroup, this, &frmMain::AddGroupRows);
    connect(profile, &clsProfile::NewChannel, this, &frmMain::AddChannelRow);
    connect(profile, &clsProfile::DelChannel, this, &frmMain::RemoveChannelRow);
    connect(profile, &clsProfile::DelGroup, this, &frmMain::RemoveGroupRow);
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
    m_IconAdded = true;
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
    if (m_Users)
        m_Users->SaveAllXML();
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
    m_Tray->hide();
    m_IconAdded = false;
    Include::SaveFormState(this, QStringLiteral("Tarnwick"));
    if (m_Users)
        m_Users->SaveAllXML();
    m_Services.CloseViewers();
    m_Services.UnloadDialogs();
    m_Subscriptions->CloseAll();
    if (m_Loading)
        m_Loading->close();
    if (m_Services.IsTickerLoaded())
        m_Services.ShowTicker(false);
    if (m_User) {
        disconnect(m_User, nullptr, this, nullptr);
        m_User->Deactivate(); // the bank writes items.xml before it answers
    }
    m_User = nullptr;
    m_Users.reset();
    m_Tree->RemoveAllRows();
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
    QTimer::singleShot(0, this, &frmMain::ExitWhenIdle);
}

void frmMain::ExitWhenIdle()
{
    // The exit sequence takes windows, profiles and banks away. It runs from the event loop
    // itself, never inside a dialog, a menu or a wait for the server whose caller would go on
    // with what was taken away: those are asked to end first.
    if (QThread::currentThread()->loopLevel() > 1) {
        EndWaits();
        QTimer::singleShot(20, this, &frmMain::ExitWhenIdle);
        return;
    }
    RunExitSequence();
    tmrOneShot.start(500);
}

void frmMain::EndWaits()
{
    if (QWidget *popup = QApplication::activePopupWidget())
        popup->close();
    if (QWidget *modal = QApplication::activeModalWidget()) {
        if (auto *dialog = qobject_cast<QDialog *>(modal))
            dialog->reject();
        else
            modal->close();
    }
    clsOPML::EndWaits();
}

// ---- The tree ------------------------------------------------------------------------------

void frmMain::RepopulateTreeMain()
{
    m_Tree->setUpdatesEnabled(false);
    m_Tree->RemoveAllRows();
    if (m_User && m_User->Groups())
        for (int i = 1; i <= m_User->GroupCount(); ++i)
            AddGroupRows(m_User->GetGroup(i));
    m_Tree->setUpdatesEnabled(true);
}

void frmMain::AddGroupRows(RSSGroup *group)
{
    if (!group || !m_User)
        return;
    m_Description = Pref("DESCRIPTION", "True");
    m_Tree->setDescriptions(m_Description);
    // A group announced again (its stored channels read after it was created) is rebuilt.
    if (m_Tree->FindRow(group->Name(), QStringLiteral("0")) >= 0) {
        for (int i = 0; i < group->ChannelCount(); ++i)
            if (m_Tree->FindRow(group->Name(), group->ChannelURL(i)) < 0)
                AddChannelRow(group, group->ChannelURL(i));
        return;
    }
    m_Tree->AddGroupRow(*group);
    for (int i = 0; i < group->ChannelCount(); ++i)
        AddChannelRow(group, group->ChannelURL(i));
}

void frmMain::AddChannelRow(RSSGroup *group, const QString &url)
{
    if (!group || !m_User)
        return;
    RSSChannel *channel = m_User->GetChannel(url);
    if (!channel || m_Tree->FindRow(group->Name(), url) >= 0)
        return;
    m_Tree->AddChannelRow(group->Name(), *channel, group->Expanded());
    m_Tree->SetGroupText(group->Name(), group->Name(true));
}

void frmMain::RemoveChannelRow(RSSGroup *group, const QString &url)
{
    if (!group)
        return;
    m_Tree->RemoveChannelRow(group->Name(), url);
    m_Tree->SetGroupText(group->Name(), group->Name(true));
}

void frmMain::RemoveGroupRow(RSSGroup *group)
{
    if (group)
        m_Tree->RemoveGroupRow(group->Name());
}

void frmMain::ToggleGroup(int row)
{
    if (!m_User || row < 0 || row >= m_Tree->count())
        return;
    RSSGroup *group = m_User->GetGroup(m_Tree->RowGroup(row));
    if (!group)
        return;
    Include::FormBusy(this);
    m_Tree->ApplyGroupState(group->Name(), group->Expanded());
    Include::FormReady(this);
}

void frmMain::StateChange(const QString &user, RSSChannel *channel)
{
    if (!channel || !m_User || user != m_User->Name())
        return;
    m_LastStateRows = m_Tree->UpdateChannelRows(*channel);
    m_ItemCountStale = true;
    if (!m_CountTimer.isActive())
        m_CountTimer.start();
}

void frmMain::treMain_RowReleased(int row, Qt::MouseButton button)
{
    if (button == Qt::LeftButton) {
        if (row < 0)
            return;
        if (Pref("SINGLE", "False"))
            treMain_RowDoubleClicked(row);
        const QString url = m_Tree->RowURL(row);
        if (url != QLatin1String("0")) {
            if (m_Services.IsPropertiesLoaded() && m_User)
                m_Services.ShowProperties(m_User->GetChannel(url));
        } else if (m_User) {
            if (RSSGroup *group = m_User->GetGroup(m_Tree->RowGroup(row))) {
                group->setExpanded(!group->Expanded());
                ToggleGroup(row);
            }
        }
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
    if (row >= 0)
        m_Tree->setCurrentRow(row);
    else
        m_Tree->setCurrentRow(-1);
    const clsChannelTree::MenuItems show = clsChannelTree::MenuItemsFor(group, url);
    const MainMenus &m = *m_Menus;
    for (QAction *item : {m.channelView, m.channelMarkAll, m.channelReload, m.channelProperties})
        item->setVisible(show.channelItems);
    m.channelRemove->setVisible(show.channelRemove);
    m.groupView->setVisible(show.groupItems);
    m.groupReload->setVisible(show.groupItems);
    m.groupRename->setVisible(show.groupEdit);
    m.groupDelete->setVisible(show.groupEdit);
    m.actionsSeparator->setVisible(show.separator);
}

void frmMain::treMain_RowDoubleClicked(int row)
{
    const QString url = m_Tree->RowURL(row);
    if (url.isEmpty() || url == QLatin1String("0") || !m_User)
        return;
    RSSChannel *channel = m_User->GetChannel(url);
    if (!channel)
        return;
    channel->CreateChannelView(false);
    if (m_Services.IsPropertiesLoaded())
        m_Services.ShowProperties(channel);
}

QString frmMain::SelectedGroup() const
{
    const int row = m_Tree->currentRow();
    return row >= 0 ? m_Tree->RowGroup(row) : QString();
}

QString frmMain::SelectedURL() const
{
    const int row = m_Tree->currentRow();
    return row >= 0 ? m_Tree->RowURL(row) : QString();
}

RSSChannel *frmMain::SelectedChannel() const
{
    const QString url = SelectedURL();
    if (!m_User || url.isEmpty() || url == QLatin1String("0"))
        return nullptr;
    return m_User->GetChannel(url);
}

// ---- Menus -----------------------------------------------------------------------------------

void frmMain::CreateMenus()
{
    m_Menus = new MainMenus(this);
    const MainMenus &m = *m_Menus;
    const std::pair<QAction *, void (frmMain::*)()> commands[] = {
        {m.fileExport, &frmMain::mnuFileExport_Click},
        {m.newProfile, &frmMain::mnuNewProfile_Click},
        {m.deleteProfile, &frmMain::mnuDeleteProfile_Click},
        {m.fileSkin, &frmMain::mnuFileSkin_Click},
        {m.filePrefs, &frmMain::mnuFilePrefs_Click},
        {m.fileOnTop, &frmMain::mnuFileOnTop_Click},
        {m.fileTicker, &frmMain::TickerToggle},
        {m.fileTickerSettings, &frmMain::mnuTickerSettings_Click},
        {m.fileClose, &frmMain::MeClose},
        {m.reloadAll, &frmMain::ReloadAll},
        {m.channelView, &frmMain::mnuChannelView_Click},
        {m.channelMarkAll, &frmMain::mnuChannelMarkAll_Click},
        {m.channelReload, &frmMain::mnuChannelReload_Click},
        {m.channelRemove, &frmMain::mnuChannelRemove_Click},
        {m.channelProperties, &frmMain::mnuChannelProperties_Click},
        {m.groupView, &frmMain::mnuGroupView_Click},
        {m.groupReload, &frmMain::mnuGroupReload_Click},
        {m.helpChannel, &frmMain::ShowHelpChannel},
        {m.helpWeb, &frmMain::mnuHelpWeb_Click},
        {m.helpAbout, &frmMain::mnuHelpAbout_Click},
        {m.tickerBrowser, &frmMain::mnuTickerBrowser_Click},
        {m.tickerOpen, &frmMain::mnuTrayOpen_Click},
        {m.tickerSettings, &frmMain::mnuTickerSettings_Click},
        {m.tickerClose, &frmMain::mnuTickerClose_Click},
        {m.trayTicker, &frmMain::TickerToggle},
        {m.trayOpen, &frmMain::mnuTrayOpen_Click},
        {m.trayExit, &frmMain::ExitProgram},
    };
    for (const auto &[action, command] : commands)
        connect(action, &QAction::triggered, this, command);
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
        if (!m_User || name != m_User->Name())
            ChangeUser(name);
        BuildProfileMenu();
    });
    // Opened from the menu key or the skin: the row-dependent items follow the selected row.
    connect(m.actions, &QMenu::aboutToShow, this, [this] {
        if (!m_Menus->actions->property("prepared").toBool())
            PrepareActionsMenu(m_Tree->currentRow());
        m_Menus->actions->setProperty("prepared", false);
    });

    // Keyboard: F10 opens the window's menu, Alt with a menu's letter that menu; the menu key
    // over the tree opens the actions for the current row.
    auto popupAt = [this](QMenu *menu) {
        return [this, menu] {
            menu->popup(mapToGlobal(QPoint(8, 24)));
        };
    };
    for (const auto &[keys, menu] : {std::pair {QKeySequence(Qt::Key_F10), m.bar},
             std::pair {QKeySequence(Qt::ALT | Qt::Key_F), m.file},
             std::pair {QKeySequence(Qt::ALT | Qt::Key_A), m.actions},
             std::pair {QKeySequence(Qt::ALT | Qt::Key_H), m.help}}) {
        auto *shortcut = new QAction(this);
        shortcut->setShortcut(keys);
        shortcut->setShortcutContext(Qt::WindowShortcut);
        connect(shortcut, &QAction::triggered, this, popupAt(menu));
        addAction(shortcut);
    }
    auto *reload = new QAction(this);
    reload->setShortcut(QKeySequence(Qt::Key_F5));
    connect(reload, &QAction::triggered, this, &frmMain::ReloadAll);
    addAction(reload);
    auto *open2 = new QAction(this);
    open2->setShortcuts({QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
    open2->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(open2, &QAction::triggered, this, [this] {
        const int row = m_Tree->currentRow();
        if (row < 0)
            return;
        if (m_Tree->RowURL(row) == QLatin1String("0"))
            treMain_RowReleased(row, Qt::LeftButton); // a header: fold or unfold
        else
            treMain_RowDoubleClicked(row);
    });
    m_Tree->addAction(open2);
    auto *remove = new QAction(this);
    remove->setShortcut(QKeySequence::Delete);
    remove->setShortcutContext(Qt::WidgetShortcut);
    connect(remove, &QAction::triggered, this, [this] {
        const int row = m_Tree->currentRow();
        if (row >= 0
            && clsChannelTree::MenuItemsFor(m_Tree->RowGroup(row), m_Tree->RowURL(row))
                   .channelRemove)
            mnuChannelRemove_Click();
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
    if (!m_Users)
        return;
    QStringList names;
    for (int i = 1; i <= m_Users->UserCount(); ++i)
        names << m_Users->GetUser(i)->Name();
    m_Menus->ShowProfiles(names, m_User ? m_User->Name() : QString());
}

// ---- Commands ------------------------------------------------------------------------------

void frmMain::mnuFileExport_Click()
{
    if (!m_User)
        return;
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Export OPML File"),
        QDir::homePath() + QStringLiteral("/") + m_User->Name() + QStringLiteral(".opml"),
        QStringLiteral("OPML files (*.opml)"));
    if (path.isEmpty())
        return;
    if (!m_User->SaveOPML(path))
        Include::MsgBox(
            tr("The channels could not be written to %1.").arg(QDir::toNativeSeparators(path)));
}

void frmMain::mnuNewProfile_Click()
{
    if (!m_Users)
        return;
    frmUser dialog(
        m_Users.get(), [this](const QString &name) { ChangeUser(name); }, this);
    dialog.exec();
    if (!EnsureProfile())
        ExitProgram();
}

void frmMain::mnuDeleteProfile_Click()
{
    if (!m_Users)
        return;
    frmDelProfile dialog(m_Users.get(), m_User ? m_User->Name() : QString(), this);
    dialog.Init();
    dialog.exec();
}

void frmMain::mnuFileSkin_Click()
{
    m_SkinChanged = false;
    frmSkin chooser(this);
    connect(&chooser, &frmSkin::SkinChosen, this, [this] { m_SkinChanged = true; });
    if (chooser.Populate())
        chooser.exec();
    if (m_User)
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

void frmMain::mnuTickerSettings_Click()
{
    m_Services.ShowTickerSettings();
}

void frmMain::mnuTickerBrowser_Click()
{
    m_Services.OpenTickerItem();
}

void frmMain::ReloadAll()
{
    if (!m_User || !m_User->Channels())
        return;
    for (int i = 1; m_User && i <= m_User->ChannelCount(); ++i) {
        if (RSSChannel *channel = m_User->Channels()->GetChannel(i))
            channel->ForceLoadRSS();
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
}

void frmMain::mnuGroupView_Click()
{
    const QString group = SelectedGroup();
    if (!m_User || group.isEmpty())
        return;
    for (int row = 0; row < m_Tree->count(); ++row)
        if (m_Tree->RowGroup(row) == group && m_Tree->RowURL(row) != QLatin1String("0"))
            if (RSSChannel *channel = m_User->GetChannel(m_Tree->RowURL(row)))
                channel->CreateChannelView(false);
}

void frmMain::mnuGroupReload_Click()
{
    const QString group = SelectedGroup();
    if (!m_User || group.isEmpty())
        return;
    QStringList urls;
    for (int row = 0; row < m_Tree->count(); ++row)
        if (m_Tree->RowGroup(row) == group && m_Tree->RowURL(row) != QLatin1String("0"))
            urls << m_Tree->RowURL(row);
    for (const QString &url : std::as_const(urls))
        if (RSSChannel *channel = m_User ? m_User->GetChannel(url) : nullptr)
            channel->LoadRSS();
}

void frmMain::mnuChannelView_Click()
{
    const int row = m_Tree->currentRow();
    if (row >= 0)
        treMain_RowDoubleClicked(row);
}

void frmMain::mnuChannelMarkAll_Click()
{
    const QString url = SelectedURL();
    if (m_User && !url.isEmpty() && url != QLatin1String("0"))
        m_User->MarkAllRead(url);
}

void frmMain::mnuChannelReload_Click()
{
    if (RSSChannel *channel = SelectedChannel())
        channel->ForceLoadRSS();
}

void frmMain::mnuChannelRemove_Click()
{
    RSSChannel *channel = SelectedChannel();
    const QString group = SelectedGroup();
    if (!channel || colGroups::IsReserved(group))
        return;
    const QString url = channel->URL();
    const int answer = Include::AskBox(
        tr("Remove \"%1\" from the group \"%2\" only, or delete the channel and its items?")
            .arg(channel->customTitle().isEmpty() ? url : channel->customTitle(), group),
        QStringLiteral("Confirm Action"),
        {QStringLiteral("&Remove Channel from Group Only"), QStringLiteral("&Delete Channel"),
            QStringLiteral("&Cancel")});
    if (!m_User)
        return;
    if (answer == 0) {
        m_User->DeleteChannel(group, url);
    } else if (answer == 1) {
        m_User->DeleteChannel(group, url);
        m_Subscriptions->RemoveChannel(url);
    }
    if (m_Users)
        m_Users->SaveAllXML();
}

void frmMain::mnuChannelProperties_Click()
{
    if (RSSChannel *channel = SelectedChannel())
        m_Services.ShowProperties(channel);
}

void frmMain::ShowHelpChannel()
{
    if (!m_User)
        return;
    if (RSSChannel *channel = m_User->GetChannel(Include::VendorHelpURL()))
        channel->CreateChannelView(false);
}

void frmMain::mnuHelpWeb_Click()
{
    Include::OpenURL(Vendor::Address(Vendor::kWebSite));
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

// ---- Notification icon ---------------------------------------------------------------------

void frmMain::trayMain_Activated(QSystemTrayIcon::ActivationReason reason)
{
    if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick) {
        mnuTrayOpen_Click();
    } else if (reason == QSystemTrayIcon::Context) {
        ShowTrayMenu(QCursor::pos());
    }
}

void frmMain::ShowTrayMenu(const QPoint &at)
{
    raise();
    m_Menus->trayNewItems->setVisible(false);
    m_Menus->traySeparator->setVisible(false);
    m_Menus->tray->exec(at);
    if (m_ExitRequested)
        ExitProgram();
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

void frmMain::SkinHandler(const QString &function, float, float, bool released)
{
    const QString name = function.toLower();
    if (!released) {
        if (name == QLatin1String("move"))
            Include::DragWindow(this);
        return;
    }
    if (name == QLatin1String("close")) {
        MeClose();
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
    } else if (name == QLatin1String("addchannel")) {
        m_Subscriptions->AddChannelsWithURL(QString());
    } else if (name == QLatin1String("profiles")) {
        BuildProfileMenu();
        m_Menus->fileProfile->popup(QCursor::pos());
    } else if (name == QLatin1String("prefs")) {
        mnuFilePrefs_Click();
    } else if (name == QLatin1String("reloadall")) {
        ReloadAll();
    } else if (name == QLatin1String("reloadskin")) {
        LoadSkin();
    } else if (name == QLatin1String("changeskin")) {
        mnuFileSkin_Click();
    } else if (name == QLatin1String("search")) {
        m_Subscriptions->ShowSearch(QString());
    } else if (name == QLatin1String("openbrowser")) {
        Include::OpenURL(Vendor::Address(Vendor::kDefaultSearchPage));
    } else if (name == QLatin1String("openticker")) {
        TickerToggle();
    } else if (name == QLatin1String("deletechannels")) {
        m_Subscriptions->ShowChannelManager();
    } else if (name == QLatin1String("addprofile")) {
        mnuNewProfile_Click();
    } else if (name == QLatin1String("addgroup")) {
        m_Subscriptions->RunGroupDialog(this);
    } else if (name == QLatin1String("about")) {
        mnuHelpAbout_Click();
    } else if (name == QLatin1String("help")) {
        ShowHelpChannel();
    }
}

QString frmMain::DecodeText(const QString &text)
{
    QString out = text;
    if (!m_User || !m_User->IsActive())
        return out;
    auto once = [&out](const QString &token, const QString &value) {
        SkinWindow::ReplaceFirst(out, token, value);
    };
    const QString channels = QString::number(m_User->ChannelCount() - 7);
    once(QStringLiteral("{user}"), m_User->Name());
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
    m_ItemCount = m_User ? m_User->ItemCount() : 0;
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
    return m_User;
}

void frmMain::AddChannel(const QString &url, const QString &groupName)
{
    // An entry without an address (a directory or file can hold one) subscribes nothing.
    if (!m_User || url.trimmed().isEmpty())
        return;
    m_User->AddChannel(url, groupName);
    if (m_Users)
        m_Users->SaveAllXML();
}

void frmMain::PopupInfo(const QString &text)
{
    if (m_Tray->isVisible())
        m_Tray->showMessage(QStringLiteral("Tarnwick"), text, QSystemTrayIcon::Information, 4000);
}

void frmMain::ShowMessage(const QString &text)
{
    if (Ending())
        return;
    m_Messages << text;
    m_MessageTimer.start(0);
}

void frmMain::ShowQueuedMessages()
{
    // One box at a time, and only from the event loop itself: a box opened inside a wait for
    // the item server would hold that call up, and boxes opened inside each other stack up.
    if (m_ShowingMessage)
        return;
    if (QThread::currentThread()->loopLevel() > 1) {
        m_MessageTimer.start(50);
        return;
    }
    m_ShowingMessage = true;
    while (!m_Messages.isEmpty() && !Ending())
        Include::MsgBox(m_Messages.takeFirst());
    m_ShowingMessage = false;
}
