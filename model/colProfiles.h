#pragma once

#include "XmlDocument.h"
#include "clsProfile.h"

#include <QObject>

#include <memory>
#include <vector>

// All profiles, in order, keyed by name (keys compare without regard to case), kept in
// profiles/profiles.xml of the application folder.
class colProfiles : public QObject
{
    Q_OBJECT

public:
    explicit colProfiles(QObject *parent = nullptr);
    ~colProfiles() override;

    // Starts loading the profile list; ProfilesLoaded follows when it could be read.
    void Init();
    // Writes the profile list (through a temporary file), then the active profile's groups and
    // channels. The list is written only once it has been read in (and never over a damaged
    // file that could not be moved aside); false when it was not written.
    bool SaveAllXML();
    bool IsLoaded() const { return m_Loaded; }
    int UserCount() const { return int(m_Profiles.size()); }
    // The first default profile; without one the first profile becomes the default.
    clsProfile *GetDefaultUser();
    clsProfile *GetUser(const QString &key) const;
    clsProfile *GetUser(int position) const;
    bool UserExists(const QString &name) const;
    // Whether a name can be a profile: not empty, none of \ / : * ? ' " | < >, not "." or "..".
    static bool IsValidName(const QString &name);
    // Adds a profile and its folder; false for a name that cannot be one or is taken.
    bool AddUser(const QString &name, bool isDefault, bool offline);
    void SetDefault(const QString &name);
    void DeleteUser(const QString &name);
    QString FilePath() const;

signals:
    void ProfilesLoaded();

private:
    void Walk(xml::Node node);
    // Profiles whose folders hold a profile's documents but which the list does not name.
    void AddProfileFolders();
    int IndexOf(const QString &key) const;

    std::vector<std::unique_ptr<clsProfile>> m_Profiles;
    std::unique_ptr<xml::Document> m_Document;
    bool m_Loaded = false;
    bool m_LeaveFile = false;
};
