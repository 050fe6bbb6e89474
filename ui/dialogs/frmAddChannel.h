#pragma once

#include <QDialog>
#include <QPointer>

#include <functional>
#include <memory>

class QComboBox;
class QLineEdit;
class QTabWidget;
class QTreeWidget;
class clsOPML;
class clsProfile;
class colProfiles;

// Adding several channels at once: from an OPML file (tab "Add From OPML") or from another
// profile's channel list (tab "Add From Profiles").
class frmAddChannel : public QDialog
{
    Q_OBJECT

public:
    using AddChannelFn = std::function<void(const QString &url, const QString &group)>;
    using NewGroupFn = std::function<QString(QWidget *owner)>;
    // The main window's tree, hidden while many channels are added.
    using TreeVisibleFn = std::function<void(bool)>;

    explicit frmAddChannel(QWidget *owner = nullptr);
    ~frmAddChannel() override;

    void Init(clsProfile *profile, colProfiles *users, bool opmlTab);
    void SetCallbacks(AddChannelFn add, NewGroupFn newGroup, TreeVisibleFn treeVisible);
    void SelectGroup(const QString &name);
    void cmdLoadOPML_Click();
    // Lists the channels of the named profile's channels.xml, last first.
    void cboUsers_Click();
    void cmdAdd_Click();

    QTabWidget *tabAdd() const { return m_Tabs; }
    QLineEdit *txtOPML() const { return m_OPMLPath; }
    QComboBox *cboOPML() const { return m_OPMLGroup; }
    QComboBox *cboUsers() const { return m_Users; }
    QComboBox *cboUserGroup() const { return m_UserGroup; }
    QTreeWidget *lstOPML() const { return m_OPMLList; }
    QTreeWidget *lstUser() const { return m_UserList; }

protected:
    void done(int result) override;

private:
    void FillGroups();
    void OPML_FileLoaded();
    void cmdNewGroup_Click();

    QPointer<clsProfile> m_Profile;
    colProfiles *m_Profiles = nullptr;
    AddChannelFn m_Add;
    NewGroupFn m_NewGroup;
    TreeVisibleFn m_TreeVisible;
    std::unique_ptr<clsOPML> m_Reader;
    bool m_Initialised = false;
    QTabWidget *m_Tabs;
    QLineEdit *m_OPMLPath;
    QComboBox *m_OPMLGroup, *m_Users, *m_UserGroup;
    QTreeWidget *m_OPMLList, *m_UserList;
};
