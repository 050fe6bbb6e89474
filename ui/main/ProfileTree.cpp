#include "ProfileTree.h"

#include "ChannelTree.h"
#include "Include.h"
#include "RSSChannel.h"
#include "TextNumber.h"
#include "WindowHelpers.h"
#include "WindowServices.h"
#include "clsProfile.h"
#include "colChannels.h"
#include "colGroups.h"

#include <QCoreApplication>

namespace {

bool Pref(const char *key, const char *def)
{
    return Include::Settings().GetBool(
        QStringLiteral("PREFS"), QLatin1String(key), TextNumber::ToBool(QLatin1String(def)));
}

const QLatin1String kGroupRow("0");

} // namespace

ProfileTree::ProfileTree(clsChannelTree *tree, IWindowServices &services, QWidget *window)
    : QObject(window), m_Tree(tree), m_Services(services), m_Window(window)
{ }

void ProfileTree::SetProfile(clsProfile *profile)
{
    if (m_Profile)
        disconnect(m_Profile, nullptr, this, nullptr);
    m_Tree->RemoveAllRows();
    m_Profile = profile;
    if (!profile)
        return;
    connect(profile, &clsProfile::NewGroup, this, &ProfileTree::AddGroupRows);
    connect(profile, &clsProfile::NewChannel, this, &ProfileTree::AddChannelRow);
    connect(profile, &clsProfile::DelChannel, this, &ProfileTree::RemoveChannelRow);
    connect(profile, &clsProfile::DelGroup, this, &ProfileTree::RemoveGroupRow);
}

void ProfileTree::Repopulate()
{
    m_Tree->setUpdatesEnabled(false);
    m_Tree->RemoveAllRows();
    if (m_Profile && m_Profile->Groups())
        for (int i = 1; i <= m_Profile->GroupCount(); ++i)
            AddGroupRows(m_Profile->GetGroup(i));
    m_Tree->setUpdatesEnabled(true);
}

void ProfileTree::AddGroupRows(RSSGroup *group)
{
    if (!group || !m_Profile)
        return;
    m_Tree->setDescriptions(Pref("DESCRIPTION", "True"));
    // A group announced again (its stored channels read after it was created) is rebuilt.
    if (m_Tree->FindRow(group->Name(), kGroupRow) >= 0) {
        for (int i = 0; i < group->ChannelCount(); ++i)
            if (m_Tree->FindRow(group->Name(), group->ChannelURL(i)) < 0)
                AddChannelRow(group, group->ChannelURL(i));
        return;
    }
    m_Tree->AddGroupRow(*group);
    for (int i = 0; i < group->ChannelCount(); ++i)
        AddChannelRow(group, group->ChannelURL(i));
}

void ProfileTree::AddChannelRow(RSSGroup *group, const QString &url)
{
    if (!group || !m_Profile)
        return;
    RSSChannel *channel = m_Profile->GetChannel(url);
    if (!channel || m_Tree->FindRow(group->Name(), url) >= 0)
        return;
    m_Tree->AddChannelRow(group->Name(), *channel, group->Expanded());
    m_Tree->SetGroupText(group->Name(), group->Name(true));
}

void ProfileTree::RemoveChannelRow(RSSGroup *group, const QString &url)
{
    if (!group)
        return;
    m_Tree->RemoveChannelRow(group->Name(), url);
    // The group gives the removed channel's place to its last one: its rows are laid out again
    // in the group's order, the order that is saved and read at the next start.
    const QString selectedGroup = SelectedGroup(), selectedURL = SelectedURL();
    m_Tree->setUpdatesEnabled(false);
    for (int i = 0; i < group->ChannelCount(); ++i) {
        m_Tree->RemoveChannelRow(group->Name(), group->ChannelURL(i));
        AddChannelRow(group, group->ChannelURL(i));
    }
    if (selectedGroup == group->Name())
        m_Tree->setCurrentRow(m_Tree->FindRow(selectedGroup, selectedURL));
    m_Tree->setUpdatesEnabled(true);
    m_Tree->SetGroupText(group->Name(), group->Name(true));
}

void ProfileTree::RemoveGroupRow(RSSGroup *group)
{
    if (group)
        m_Tree->RemoveGroupRow(group->Name());
}

void ProfileTree::ToggleGroup(int row)
{
    if (!m_Profile || row < 0 || row >= m_Tree->count())
        return;
    RSSGroup *group = m_Profile->GetGroup(m_Tree->RowGroup(row));
    if (!group)
        return;
    Include::FormBusy(m_Window);
    m_Tree->ApplyGroupState(group->Name(), group->Expanded());
    Include::FormReady(m_Window);
}

int ProfileTree::UpdateChannel(RSSChannel *channel)
{
    return channel ? m_Tree->UpdateChannelRows(*channel) : 0;
}

QString ProfileTree::SelectedGroup() const
{
    const int row = m_Tree->currentRow();
    return row >= 0 ? m_Tree->RowGroup(row) : QString();
}

QString ProfileTree::SelectedURL() const
{
    const int row = m_Tree->currentRow();
    return row >= 0 ? m_Tree->RowURL(row) : QString();
}

RSSChannel *ProfileTree::SelectedChannel() const
{
    const QString url = SelectedURL();
    if (!m_Profile || url.isEmpty() || url == kGroupRow)
        return nullptr;
    return m_Profile->GetChannel(url);
}

void ProfileTree::RowClicked(int row)
{
    if (row < 0 || !m_Profile)
        return;
    if (Pref("SINGLE", "False"))
        OpenRow(row);
    const QString url = m_Tree->RowURL(row);
    if (url != kGroupRow) {
        if (m_Services.IsPropertiesLoaded() && m_Profile)
            m_Services.ShowProperties(m_Profile->GetChannel(url));
    } else if (RSSGroup *group = m_Profile->GetGroup(m_Tree->RowGroup(row))) {
        group->setExpanded(!group->Expanded());
        ToggleGroup(row);
    }
}

void ProfileTree::OpenRow(int row)
{
    const QString url = m_Tree->RowURL(row);
    if (url.isEmpty() || url == kGroupRow || !m_Profile)
        return;
    RSSChannel *channel = m_Profile->GetChannel(url);
    if (!channel)
        return;
    channel->CreateChannelView(false);
    if (m_Services.IsPropertiesLoaded())
        m_Services.ShowProperties(channel);
}

void ProfileTree::ActivateRow(int row)
{
    if (row < 0)
        return;
    if (m_Tree->RowURL(row) == kGroupRow)
        RowClicked(row);
    else
        OpenRow(row);
}

void ProfileTree::OpenGroup(int row, bool open)
{
    if (row < 0 || !m_Profile || m_Tree->RowURL(row) != kGroupRow)
        return;
    RSSGroup *group = m_Profile->GetGroup(m_Tree->RowGroup(row));
    if (!group || group->Expanded() == open)
        return;
    group->setExpanded(open);
    ToggleGroup(row);
}

void ProfileTree::ViewSelectedChannel()
{
    const int row = m_Tree->currentRow();
    if (row >= 0)
        OpenRow(row);
}

void ProfileTree::MarkSelectedRead()
{
    const QString url = SelectedURL();
    if (m_Profile && !url.isEmpty() && url != kGroupRow)
        m_Profile->MarkAllRead(url);
}

void ProfileTree::ReloadSelectedChannel()
{
    if (RSSChannel *channel = SelectedChannel()) {
        const QPointer<clsProfile> profile = m_Profile;
        if (profile)
            profile->BeginReloadRound();
        channel->ForceLoadRSS();
        if (profile)
            profile->EndReloadRound();
    }
}

void ProfileTree::ShowSelectedProperties()
{
    if (RSSChannel *channel = SelectedChannel())
        m_Services.ShowProperties(channel);
}

QStringList ProfileTree::SelectedGroupURLs() const
{
    const QString group = SelectedGroup();
    QStringList urls;
    if (group.isEmpty())
        return urls;
    for (int row = 0; row < m_Tree->count(); ++row)
        if (m_Tree->RowGroup(row) == group && m_Tree->RowURL(row) != kGroupRow)
            urls << m_Tree->RowURL(row);
    return urls;
}

void ProfileTree::ViewSelectedGroup()
{
    for (const QString &url : SelectedGroupURLs())
        if (RSSChannel *channel = m_Profile ? m_Profile->GetChannel(url) : nullptr)
            channel->CreateChannelView(false);
}

void ProfileTree::ReloadSelectedGroup()
{
    if (!m_Profile)
        return;
    const QPointer<clsProfile> profile = m_Profile;
    profile->BeginReloadRound();
    for (const QString &url : SelectedGroupURLs())
        if (RSSChannel *channel = m_Profile ? m_Profile->GetChannel(url) : nullptr)
            channel->LoadRSS();
    if (profile)
        profile->EndReloadRound();
}

void ProfileTree::ReloadAll()
{
    if (!m_Profile || !m_Profile->Channels())
        return;
    // The profile may go while events are let through (a profile switch from the tray menu).
    const QPointer<clsProfile> profile = m_Profile;
    profile->BeginReloadRound();
    for (int i = 1; m_Profile == profile && profile && i <= profile->ChannelCount(); ++i) {
        if (RSSChannel *channel = profile->Channels()->GetChannel(i))
            channel->ForceLoadRSS();
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    if (profile)
        profile->EndReloadRound();
}
