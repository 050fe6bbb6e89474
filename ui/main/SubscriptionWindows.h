#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class QWidget;
class RSSChannel;
class frmAddChannel;
class frmChannelManage;
class frmMain;

// The windows that subscribe and sort, working on the main window's active profile: the
// add-channel menu and window, the search browser, the group dialog and "Delete Channels"; and
// the group and channel commands they share with the main window's menus. Every change is
// saved at once.
class SubscriptionWindows : public QObject
{
    Q_OBJECT

public:
    explicit SubscriptionWindows(frmMain &main);

    // The add-channel menu with an address filled in (a null address: an empty field).
    void AddChannelsWithURL(const QString &url);
    // The add-channels window on its OPML or profiles tab, and the search browser.
    void ShowAddChannels(bool opmlTab, const QString &group);
    void ShowSearch(const QString &group);
    // The group dialog in add mode over owner; the name of the group added, if one was.
    QString RunGroupDialog(QWidget *owner);
    // The group dialog renaming group (not a built-in one).
    void RunRenameDialog(const QString &group);
    // A new group, or a new name; false (after saying why) when the name cannot be had.
    bool AddGroup(const QString &name);
    bool RenameGroup(const QString &oldName, const QString &newName);
    // Deletes an empty group (a group with channels is refused with a message).
    void DeleteGroup(const QString &name);
    // "Delete Channels", and the unsubscribing it does.
    void ShowChannelManager();
    void RemoveChannel(const QString &url);
    // Asks whether to take channel out of group only, or to unsubscribe from it altogether.
    void RemoveFromGroup(const QString &group, RSSChannel *channel);
    // Closes every one of these windows (the program ends).
    void CloseAll();

private:
    frmMain &m_Main;
    QPointer<frmAddChannel> m_AddChannel;
    QPointer<frmChannelManage> m_Manager;
};
