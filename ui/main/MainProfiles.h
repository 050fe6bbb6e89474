#pragma once

#include "clsProfile.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <memory>

class IWindowServices;
class ProfileTree;
class QWidget;
class colProfiles;

// The main window's profiles and the one that is active: reading the list at start, switching
// (the old profile's viewers close and its bank unloads, the new one's bank starts and its tree is
// built), making the first profile, the profile commands of the File menu, and saving.
class MainProfiles : public QObject
{
    Q_OBJECT

public:
    MainProfiles(ProfileTree &rows, IWindowServices &services, QWidget *window);
    ~MainProfiles() override;

    // Reads the profile list; once read, the default profile becomes active (or, with none,
    // the user is asked to make one).
    void Load();
    colProfiles *Users() const { return m_Users.get(); }
    clsProfile *Active() const { return m_Active; }
    QStringList Names() const;

    // Makes the profile called name the active one.
    void ChangeUser(const QString &name);
    // Until a profile exists, the profile dialog; false when the user gave up.
    bool EnsureProfile();
    // File > Profile: a new profile (the dialog), and the deletion dialog.
    void NewProfile();
    void DeleteProfile();
    // File > Export: the active profile's channels as an OPML file the user picks.
    void ExportOPML();
    // Subscribes the active profile to url in groupName and saves.
    void AddChannel(const QString &url, const QString &groupName);
    // Every profile's files written now.
    void SaveAll();
    // The program ends: every profile saved, the active one's bank has written its store.
    void Close();

signals:
    // A profile is about to become active, and has become active.
    void Switching();
    void Switched(clsProfile *profile);
    // There is no profile and the user would not make one: there is nothing to do.
    void GaveUp();

private:
    void ProfilesLoaded();

    ProfileTree &m_Rows;
    IWindowServices &m_Services;
    QWidget *m_Window;
    std::unique_ptr<colProfiles> m_Users;
    QPointer<clsProfile> m_Active;
};
