#pragma once

#include "SkinnedFrame.h"

#include <QAction>
#include <QImage>
#include <QMap>
#include <QMenu>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>

#include <memory>

class CSpanClock;
class IWindowServices;
class MainMenus;
class MainProfiles;
class MainTray;
class NewItemsNotifier;
class ProfileTree;
class SubscriptionWindows;
class UpdateNotice;
class RSSChannel;
class RSSGroup;
class clsChannelTree;
class clsProfile;
class colProfiles;
class frmLoading;

// The main window: the active profile's channel tree inside the skin's frame, the menus, the
// notification-area icon, the skin's functions and texts, and the update notice. Channels report
// their state to it through the window hub, which is the model's host.
//
// Closing it only hides it; the program ends through Exit (the tray menu), a termination
// signal or the end of the desktop session, each of which saves every profile and lets every
// item bank write its store first.
class frmMain : public SkinnedFrame
{
    Q_OBJECT

public:
    static constexpr int kVersionMajor = TARNWICK_VERSION_MAJOR;
    static constexpr int kVersionMinor = TARNWICK_VERSION_MINOR;
    static constexpr int kVersionRevision = TARNWICK_VERSION_PATCH;

    // services: the other windows (viewers, dialogs, the ticker).
    explicit frmMain(IWindowServices &services, QWidget *parent = nullptr);
    ~frmMain() override;

    // The load handler: tree, update check, skin, profiles, visibility, ticker. Separate from
    // the constructor so that the entry point has wired the windows (and the model's host)
    // first.
    void Form_Load();

    // ---- The tree ----
    // The tree built again from the whole profile.
    void RepopulateTreeMain();
    void ChangeUser(const QString &name);
    clsChannelTree *treMain() const { return m_Tree; }
    // Rows looked at by the last StateChange (for checks and the benchmark).
    int LastStateChangeRows() const { return m_LastStateRows; }

    // ---- Commands ----
    // The add-channel, search, group and "Delete Channels" windows and their commands.
    SubscriptionWindows &Subscriptions() const { return *m_Subscriptions; }
    // The selected row's group ("" when none).
    QString SelectedGroup() const;
    void ReloadAll();
    void MeClose();
    // Restores, shows and raises the window (the tray menu's Open).
    void OpenMainWindow() { mnuTrayOpen_Click(); }
    // Opens or closes the ticker, as its menu items do.
    void TickerToggle();
    // The ticker menu's Close Ticker Bar.
    void CloseTicker() { mnuTickerClose_Click(); }
    // The ticker closed itself: its menu items follow.
    void TickerClosed();
    // The tray menu's Exit: the exit sequence (from the event loop, once no dialog, menu or
    // wait is open), then the process ends.
    void ExitProgram();
    // The exit sequence without ending the event loop; true once it has run.
    bool RunExitSequence();
    bool Exiting() const { return m_ExitDone; }
    // Exit has been asked for or has run: nothing opens any more.
    bool Ending() const { return m_ExitRequested || m_ExitDone; }
    void cmdWinFrame_Click();
    void SetSkinChanged() { m_SkinChanged = true; }
    // The update notice: shown when the check page's number is above this version's.
    void CheckUpdateText(const QString &pageText);
    bool UpdateBannerShown() const;
    // The profile list under File > Profile, rebuilt.
    void BuildProfileMenu();

    colProfiles *Users() const;
    QMenu *mnuFile() const;
    QMenu *mnuFileProfile() const;
    QMenu *mnuActions() const;
    QMenu *mnuHelp() const;
    QMenu *mnuTray() const;
    QMenu *mnuTicker() const;
    // A menu item by its name ("mnuTrayExit"); nullptr when there is none.
    QAction *Item(const QString &name) const;
    QSystemTrayIcon *trayMain() const;
    // Prepares the actions menu for a row (0-based; -1 for none), as a right click does.
    void PrepareActionsMenu(int row);

    // ---- ISkinnedWindow (the surface and the pointer are the frame's) ----
    void SkinHandler(const QString &function, float x, float y, bool released) override;
    QString DecodeText(const QString &text) override;
    bool DecodeIf(const QString &word) override;

    // ---- What the model asks of the main window (through the window hub) ----
    // A channel's counts or icon changed: its rows follow (the active profile's only).
    void StateChange(const QString &user, RSSChannel *channel);
    // The one-shot request to show the help channel once it has loaded.
    bool TakeShowHelpRequest();
    clsProfile *CurrentProfile();
    // Subscribes the active profile to url in groupName and saves.
    void AddChannel(const QString &url, const QString &groupName);
    // The notification area's balloon.
    void PopupInfo(const QString &text);
    // A fetch of the channel completed: new items may be announced on the desktop.
    void ChannelLoaded(RSSChannel *channel, bool newItems);
    // The tray icon's unread badge and tooltip follow the active profile's count now.
    void UpdateTrayCount();
    NewItemsNotifier *Notifier() const { return m_Notifier; }

signals:
    // The exit sequence has run: profiles saved, banks unloaded.
    void ExitSequenceDone();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void FrameRightClicked(const QPoint &at) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    // The menus, their commands and the window's keys.
    void CreateMenus();
    void Form_Resize();
    void LoadSkin();
    void ApplySkinToTree();
    void ProfileSwitching();
    void ProfileSwitched();
    void OpenTickerAtStart();
    void tmrOneShot_Timer();
    void treMain_RowReleased(int row, Qt::MouseButton button);
    void ShowHelpChannel();
    void RefreshItemCount();

    // Menu handlers
    void mnuFileSkin_Click();
    void mnuFilePrefs_Click();
    void mnuFileOnTop_Click();
    void mnuTickerClose_Click();

    void mnuHelpAbout_Click();
    void mnuTrayOpen_Click();
    void lblUpgradeLink_Click();

    IWindowServices &m_Services;
    bool m_SkinChanged = false;
    bool m_ExitRequested = false;
    bool m_ExitQueued = false;
    bool m_ExitDone = false;
    bool m_ShowHelpRequest = false;
    bool m_GivingUp = false;
    bool m_TickerAtStart = false; // "Ticker"/"Show" at start: opened once a profile is active
    int m_LastStateRows = 0;
    // The profile's item count for "{items}", read from the bank a moment after counts change
    // rather than on every paint.
    qint32 m_ItemCount = 0;
    bool m_ItemCountStale = true;
    bool m_ChannelsChanged = false; // subscribed or removed: the status line's counts are old
    QTimer m_CountTimer;
    // The tray's unread badge: counts change once per channel and filter in a reload, the icon
    // is painted again at most once per interval of this timer.
    QTimer m_TrayCountTimer;
    NewItemsNotifier *m_Notifier = nullptr;
    QList<QMetaObject::Connection> m_ProfileWatch;

    clsChannelTree *m_Tree = nullptr;
    ProfileTree *m_Rows = nullptr;
    MainProfiles *m_Profiles = nullptr;
    UpdateNotice *m_Update = nullptr;
    MainTray *m_Tray = nullptr;
    QTimer tmrOneShot;
    QPointer<frmLoading> m_Loading;
    SubscriptionWindows *m_Subscriptions = nullptr;

    MainMenus *m_Menus = nullptr;
};
