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
    // channels. false when the profile list could not be written.
    bool SaveAllXML();
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
    int IndexOf(const QString &key) const;

    std::vector<std::unique_ptr<clsProfile>> m_Profiles;
    std::unique_ptr<xml::Document> m_Document;
};
