#include "MainProfiles.h"

#include "ChannelTree.h"
#include "ProfileTree.h"
#include "WindowHelpers.h"
#include "WindowServices.h"
#include "colChannels.h"
#include "colGroups.h"
#include "colProfiles.h"
#include "frmDelProfile.h"
#include "frmUser.h"

#include <QDir>
#include <QFileDialog>

MainProfiles::MainProfiles(ProfileTree &rows, IWindowServices &services, QWidget *window)
    : QObject(window), m_Rows(rows), m_Services(services), m_Window(window)
{ }

MainProfiles::~MainProfiles() = default;

void MainProfiles::Load()
{
    m_Users = std::make_unique<colProfiles>();
    connect(m_Users.get(), &colProfiles::ProfilesLoaded, this, &MainProfiles::ProfilesLoaded);
    m_Users->Init();
}

void MainProfiles::ProfilesLoaded()
{
    if (m_Users->UserCount() > 0) {
        clsProfile *profile = m_Users->GetDefaultUser();
        profile->PauseQueue();
        ChangeUser(profile->Name());
        return;
    }
    if (!EnsureProfile())
        emit GaveUp();
}

QStringList MainProfiles::Names() const
{
    QStringList names;
    for (int i = 1; m_Users && i <= m_Users->UserCount(); ++i)
        names << m_Users->GetUser(i)->Name();
    return names;
}

bool MainProfiles::EnsureProfile()
{
    while (m_Users && m_Users->UserCount() == 0) {
        frmUser dialog(
            m_Users.get(), [this](const QString &name) { ChangeUser(name); }, m_Window);
        if (dialog.exec() != QDialog::Accepted && m_Users->UserCount() == 0)
            return false; // the user would rather not have a profile: nothing to do without one
    }
    return true;
}

void MainProfiles::ChangeUser(const QString &name)
{
    if (!m_Users)
        return;
    Include::FormBusy(m_Window);
    m_Users->SaveAllXML();
    clsProfile *profile = m_Users->GetUser(name);
    if (!profile) {
        Include::FormReady(m_Window);
        return;
    }
    emit Switching();
    m_Rows.Tree()->setEnabled(false);
    m_Rows.SetProfile(nullptr);
    if (m_Active) {
        m_Services.CloseViewers();
        m_Active->Deactivate();
    }
    m_Active = profile;
    m_Rows.SetProfile(profile);
    QString error;
    if (!profile->SetUserActive(&error))
        Include::MsgBox(
            tr("The item bank of profile \"%1\" could not be started: %2").arg(name, error));
    if (profile->Groups()) {
        // Once the stored groups are in, the tree is built once more from the whole profile
        // (stored channels of the built-in groups come without announcements), and every
        // channel's counts come from one call to the bank.
        connect(profile->Groups(), &colGroups::GroupsLoaded, this, [this, profile] {
            if (profile != m_Active)
                return;
            m_Rows.Repopulate();
            profile->UpdateAllChannels();
        });
    }
    m_Users->SetDefault(name);
    m_Rows.Tree()->setEnabled(true);
    emit Switched(profile);
    profile->ResumeQueue();
    Include::FormReady(m_Window);
}

void MainProfiles::NewProfile()
{
    if (!m_Users)
        return;
    frmUser dialog(
        m_Users.get(), [this](const QString &name) { ChangeUser(name); }, m_Window);
    dialog.exec();
    if (!EnsureProfile())
        emit GaveUp();
}

void MainProfiles::DeleteProfile()
{
    if (!m_Users)
        return;
    frmDelProfile dialog(m_Users.get(), m_Active ? m_Active->Name() : QString(), m_Window);
    dialog.Init();
    dialog.exec();
}

void MainProfiles::ExportOPML()
{
    if (!m_Active)
        return;
    const QString path = QFileDialog::getSaveFileName(m_Window, tr("Export OPML File"),
        QDir::homePath() + QStringLiteral("/") + m_Active->Name() + QStringLiteral(".opml"),
        tr("OPML files (*.opml)"));
    if (path.isEmpty() || !m_Active)
        return;
    if (!m_Active->SaveOPML(path))
        Include::MsgBox(
            tr("The channels could not be written to %1.").arg(QDir::toNativeSeparators(path)));
}

void MainProfiles::AddChannel(const QString &url, const QString &groupName)
{
    // An entry without an address (a directory or file can hold one) subscribes nothing.
    if (!m_Active || url.trimmed().isEmpty())
        return;
    m_Active->AddChannel(url, groupName);
    SaveAll();
}

void MainProfiles::SaveAll()
{
    if (m_Users)
        m_Users->SaveAllXML();
}

void MainProfiles::Close()
{
    SaveAll();
    m_Rows.SetProfile(nullptr);
    if (m_Active)
        m_Active->Deactivate(); // the bank writes items.xml before it answers
    m_Active = nullptr;
    m_Users.reset();
}
