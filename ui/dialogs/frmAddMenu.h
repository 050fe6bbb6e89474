#pragma once

#include <QDialog>
#include <QPointer>

#include <functional>

class QComboBox;
class QLineEdit;
class QPushButton;
class clsProfile;

// "Add RSS Channel": one address and a group; the other ways to add channels start here too.
class frmAddMenu : public QDialog
{
    Q_OBJECT

public:
    using AddChannelFn = std::function<void(const QString &url, const QString &group)>;
    // Shows the group dialog over the given window; returns the added group's name.
    using NewGroupFn = std::function<QString(QWidget *owner)>;
    // The other ways in (OPML file, another profile, the search browser): the group chosen.
    using OpenFn = std::function<void(const QString &group)>;

    static frmAddMenu &Instance(QWidget *owner = nullptr);
    static bool IsLoaded();
    static void Unload();

    void Init(clsProfile *profile, AddChannelFn add, NewGroupFn newGroup);
    void SelectGroup(const QString &name);
    void SetURL(const QString &url);
    void SetOpeners(OpenFn opml, OpenFn profiles, OpenFn search);
    QLineEdit *txtURL() const { return m_URL; }
    QComboBox *cboGroup() const { return m_Group; }
    bool cmdOk_Click();

protected:
    void showEvent(QShowEvent *event) override;
    void done(int result) override;

private:
    explicit frmAddMenu(QWidget *owner);
    void FillGroups();
    void cmdNewGroup_Click();

    QPointer<clsProfile> m_Profile;
    AddChannelFn m_AddChannel;
    NewGroupFn m_NewGroup;
    OpenFn m_OpenOPML, m_OpenProfiles, m_OpenSearch;
    QLineEdit *m_URL;
    QComboBox *m_Group;
    QPushButton *m_OPML, *m_Profiles, *m_Search;
};
