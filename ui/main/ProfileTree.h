#pragma once

#include "clsProfile.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

class IWindowServices;
class QWidget;
class RSSChannel;
class RSSGroup;
class clsChannelTree;

// The active profile's groups and channels in the main window's tree: the rows follow what the
// profile announces (groups and channels added and deleted, counts and icons changed), and the
// commands on the selected row (open, reload, mark all read, properties; a group's channels
// opened or reloaded) work on the channels behind it.
class ProfileTree : public QObject
{
    Q_OBJECT

public:
    ProfileTree(clsChannelTree *tree, IWindowServices &services, QWidget *window);

    clsChannelTree *Tree() const { return m_Tree; }
    // The profile shown: its announcements are followed from now on, and the rows of the one
    // before are gone (nullptr: none).
    void SetProfile(clsProfile *profile);
    clsProfile *Profile() const { return m_Profile; }

    // Every row built again from the whole profile.
    void Repopulate();
    void AddGroupRows(RSSGroup *group);
    void AddChannelRow(RSSGroup *group, const QString &url);
    void RemoveChannelRow(RSSGroup *group, const QString &url);
    void RemoveGroupRow(RSSGroup *group);
    // Shows or folds the channel rows of the group at row, as the group says it is.
    void ToggleGroup(int row);
    // A channel's counts or icon changed: the number of rows looked at.
    int UpdateChannel(RSSChannel *channel);

    // The selected row's group, address ("0" for a group row) and channel; "" or nullptr when
    // none.
    QString SelectedGroup() const;
    QString SelectedURL() const;
    RSSChannel *SelectedChannel() const;

    // A left click on a row: a group folds or unfolds; a channel shows in Properties when open
    // (and opens at once when one click is set to open).
    void RowClicked(int row);
    // A double click, or Return, on a channel row: its viewer.
    void OpenRow(int row);
    // Return on any row: a group folds or unfolds, a channel opens.
    void ActivateRow(int row);
    // The group at a header row opened (or folded), if it is not already.
    void OpenGroup(int row, bool open);

    void ViewSelectedChannel();
    void MarkSelectedRead();
    void ReloadSelectedChannel();
    void ShowSelectedProperties();
    // Every channel of the selected group in its viewer, or loaded again.
    void ViewSelectedGroup();
    void ReloadSelectedGroup();
    // Every channel of the profile loaded again, now.
    void ReloadAll();

private:
    QStringList SelectedGroupURLs() const;

    clsChannelTree *m_Tree;
    IWindowServices &m_Services;
    QWidget *m_Window;
    QPointer<clsProfile> m_Profile;
};
