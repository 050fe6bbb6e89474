#include "SubscriptionWindows.h"

#include "ChannelTree.h"
#include "Include.h"
#include "RSSChannel.h"
#include "WindowHelpers.h"
#include "clsProfile.h"
#include "colGroups.h"
#include "colProfiles.h"
#include "frmAddChannel.h"
#include "frmAddGroup.h"
#include "frmAddMenu.h"
#include "frmChannelManage.h"
#include "frmMain.h"
#include "frmSearch.h"

SubscriptionWindows::SubscriptionWindows(frmMain &main) : QObject(&main), m_Main(main)
{ }

void SubscriptionWindows::AddChannelsWithURL(const QString &url)
{
    clsProfile *profile = m_Main.CurrentProfile();
    if (!profile)
        return;
    frmAddMenu &menu = frmAddMenu::Instance(&m_Main);
    menu.Init(
        profile, [this](const QString &u, const QString &g) { m_Main.AddChannel(u, g); },
        [this](QWidget *owner) { return RunGroupDialog(owner); });
    menu.SetOpeners([this](const QString &g) { ShowAddChannels(true, g); },
        [this](const QString &g) { ShowAddChannels(false, g); },
        [this](const QString &g) { ShowSearch(g); });
    const QString group = m_Main.SelectedGroup();
    const bool reserved = group.isEmpty() || colGroups::IsReserved(group);
    RSSGroup *last = profile->GetGroup(profile->GroupCount());
    menu.SelectGroup(!reserved ? group : last ? last->Name() : QString());
    if (!url.isNull())
        menu.SetURL(url);
    menu.show();
    menu.raise();
    menu.activateWindow();
}

void SubscriptionWindows::ShowAddChannels(bool opmlTab, const QString &group)
{
    clsProfile *profile = m_Main.CurrentProfile();
    if (!profile)
        return;
    if (!m_AddChannel) {
        m_AddChannel = new frmAddChannel(&m_Main);
        m_AddChannel->SetCallbacks(
            [this](const QString &u, const QString &g) { m_Main.AddChannel(u, g); },
            [this](QWidget *owner) { return RunGroupDialog(owner); },
            [this](bool visible) { m_Main.treMain()->setVisible(visible); });
    }
    m_AddChannel->Init(profile, m_Main.Users(), opmlTab);
    m_AddChannel->SelectGroup(group);
    m_AddChannel->show();
    m_AddChannel->raise();
    m_AddChannel->activateWindow();
}

void SubscriptionWindows::ShowSearch(const QString &group)
{
    if (frmSearch *search = frmSearch::Instance()) {
        if (search->isMinimized())
            search->showNormal();
        search->raise();
        search->activateWindow();
        if (!group.isEmpty())
            search->SelectGroup(group);
        return;
    }
    clsProfile *profile = m_Main.CurrentProfile();
    if (!profile)
        return;
    auto *search = new frmSearch(nullptr); // a window of its own, not above the main window
    search->Init(
        profile, [this](const QString &u, const QString &g) { m_Main.AddChannel(u, g); },
        [this](QWidget *owner) { return RunGroupDialog(owner); });
    search->SelectGroup(group);
    search->show();
}

QString SubscriptionWindows::RunGroupDialog(QWidget *owner)
{
    frmAddGroup dialog(
        owner ? owner : &m_Main, [this](const QString &n) { return AddGroup(n); },
        [this](const QString &o, const QString &n) { return RenameGroup(o, n); });
    dialog.exec();
    return dialog.AddedName();
}

void SubscriptionWindows::RunRenameDialog(const QString &group)
{
    if (group.isEmpty() || colGroups::IsReserved(group))
        return;
    frmAddGroup dialog(
        &m_Main, [this](const QString &n) { return AddGroup(n); },
        [this](const QString &o, const QString &n) { return RenameGroup(o, n); });
    dialog.RenameGroup(group);
    dialog.exec();
}

bool SubscriptionWindows::AddGroup(const QString &name)
{
    clsProfile *profile = m_Main.CurrentProfile();
    if (!profile || !profile->Groups())
        return false;
    if (const QString problem = profile->Groups()->NameProblem(name); !problem.isEmpty()) {
        Include::MsgBox(problem);
        return false;
    }
    profile->AddGroup(name.trimmed()); // announces the group: its row follows
    m_Main.Users()->SaveAllXML();
    return true;
}

bool SubscriptionWindows::RenameGroup(const QString &oldName, const QString &newName)
{
    clsProfile *profile = m_Main.CurrentProfile();
    if (!profile || !profile->GetGroup(oldName))
        return false;
    if (const QString problem = profile->Groups()->NameProblem(newName, oldName);
        !problem.isEmpty()) {
        Include::MsgBox(problem);
        return false;
    }
    profile->RenameGroup(oldName, newName.trimmed());
    m_Main.RepopulateTreeMain();
    m_Main.Users()->SaveAllXML();
    return true;
}

void SubscriptionWindows::DeleteGroup(const QString &name)
{
    clsProfile *profile = m_Main.CurrentProfile();
    if (!profile || name.isEmpty() || colGroups::IsReserved(name))
        return;
    RSSGroup *group = profile->GetGroup(name);
    if (!group)
        return;
    if (group->ChannelCount() > 0) {
        Include::MsgBox(tr("Group not empty. Remove Channels before removing Group."),
            tr("Cannot Delete Group"));
        return;
    }
    profile->DeleteGroup(name);
    m_Main.RepopulateTreeMain();
    m_Main.Users()->SaveAllXML();
}

void SubscriptionWindows::ShowChannelManager()
{
    clsProfile *profile = m_Main.CurrentProfile();
    if (!profile)
        return;
    if (!m_Manager)
        m_Manager =
            new frmChannelManage(&m_Main, [this](const QString &url) { RemoveChannel(url); });
    m_Manager->ListChannels(profile);
    m_Manager->show();
    m_Manager->raise();
}

void SubscriptionWindows::RemoveChannel(const QString &url)
{
    clsProfile *profile = m_Main.CurrentProfile();
    if (profile && profile->RemoveChannel(url) && m_Main.Users())
        m_Main.Users()->SaveAllXML();
}

void SubscriptionWindows::RemoveFromGroup(const QString &group, RSSChannel *channel)
{
    if (!channel || colGroups::IsReserved(group))
        return;
    const QString url = channel->URL();
    const int answer = Include::AskBox(
        tr("Remove \"%1\" from the group \"%2\" only, or delete the channel and its items?")
            .arg(channel->customTitle().isEmpty() ? url : channel->customTitle(), group),
        tr("Confirm Action"),
        {tr("&Remove Channel from Group Only"), tr("&Delete Channel"), tr("&Cancel")});
    clsProfile *profile = m_Main.CurrentProfile(); // the question may have outlived the profile
    if (!profile || (answer != 0 && answer != 1)) // Cancel, or the box was closed
        return;
    profile->DeleteChannel(group, url);
    if (answer == 1)
        RemoveChannel(url);
    if (m_Main.Users())
        m_Main.Users()->SaveAllXML();
}

void SubscriptionWindows::CloseAll()
{
    frmAddMenu::Unload();
    if (m_AddChannel)
        m_AddChannel->close();
    if (frmSearch *search = frmSearch::Instance())
        delete search;
    if (m_Manager)
        m_Manager->close();
}
