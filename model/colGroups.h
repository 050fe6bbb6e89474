#pragma once

#include "XmlDocument.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

// One folder of the channel tree: a name, an expanded flag and an ordered list of channel
// addresses (unique by exact comparison).
class RSSGroup
{
public:
    bool Expanded() const { return m_Expanded; }
    void setExpanded(bool v) { m_Expanded = v; }
    // Reads a "group" element, adding to what the group holds.
    void LoadGroup(xml::Node element);
    xml::NodeHandle SaveXML(xml::Document &doc) const;
    int ChannelCount() const { return int(m_URLs.size()); }
    QString ChannelURL(int index) const { return m_URLs.value(index); }
    // With count: "Name  (3)", except for "All Items" and "Tarnwick"; the built-in groups named
    // in the user's language then (the form to show, never to store).
    QString Name(bool withCount = false) const;
    void Rename(const QString &newName) { m_Name = newName; }
    bool CreateGroup(const QString &name);
    // The last address takes the removed one's place; true when it was there.
    bool DeleteChannel(const QString &url);
    void AddChannel(const QString &url);

private:
    void Walk(xml::Node node);

    QString m_Name;
    bool m_Expanded = false;
    QStringList m_URLs;
};

// The active profile's groups, in order, keyed by name (keys compare without regard to case),
// with the built-in groups "Tarnwick", "All Items" and "Spotlight", kept in groups.xml.
class colGroups : public QObject
{
    Q_OBJECT

public:
    explicit colGroups(QObject *parent = nullptr);
    ~colGroups() override;

    void Init(const QString &profileName);
    void LoadXML();
    // Writes groups.xml through a temporary file; false when it could not be written, and when
    // it must not be: before the file has been read in, or after a damaged file could not be
    // moved aside.
    bool SaveGroupXML();
    bool IsLoaded() const { return m_Loaded; }
    int GroupCount() const { return int(m_Groups.size()); }
    RSSGroup *Group(const QString &key) const;
    RSSGroup *Group(int position) const;
    // Keeps the group at its place.
    void Rename(const QString &oldName, const QString &newName);
    // Creates the group unless one of that name (in any letter case) exists.
    bool AddGroup(const QString &name);

    // The built-in groups "All Items", "Spotlight" and "Tarnwick" (exact spelling): never
    // renamed or deleted, and channels are not filed into them by hand.
    static bool IsReserved(const QString &name);
    // Whether name (trimmed) may be given to a new group, or to the group renaming when that is
    // set: "" when it may, else why not, in words for the user. A name may not be empty, hold
    // "|" (the separator of the tree's row keys) or be another group's in any letter case; a
    // group may take another spelling of its own name; a built-in group keeps its name.
    QString NameProblem(const QString &name, const QString &renaming = QString()) const;
    void AssignChannel(const QString &groupKey, const QString &url);
    void Remove(const QString &key);
    bool IsInGroup(const QString &url) const;
    QString FilePath() const;

signals:
    void NewGroup(RSSGroup *group);
    void NewChannel(RSSGroup *group, const QString &url);
    // In-process only: groups.xml has been read (or found missing).
    void GroupsLoaded();

private:
    void Walk(xml::Node node);
    int IndexOf(const QString &key) const;

    std::vector<std::unique_ptr<RSSGroup>> m_Groups;
    QString m_Folder;
    std::unique_ptr<xml::Document> m_Document;
    bool m_Loaded = false;
    // Channels given a group while the stored list is being read: given again once it is in,
    // so that the list read does not take them away.
    bool m_Reading = false;
    QList<QPair<QString, QString>> m_EarlyAssignments;
    bool m_LeaveFile = false;
};
