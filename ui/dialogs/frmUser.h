#pragma once

#include <QDialog>

#include <functional>

class QLineEdit;
class colProfiles;

// "Create New Profile": a name, checked, then a new default, offline profile that becomes the
// active one and owns the group "My Channels".
class frmUser : public QDialog
{
    Q_OBJECT

public:
    using ChangeUser = std::function<void(const QString &)>;
    frmUser(colProfiles *users, ChangeUser changeUser, QWidget *owner = nullptr);
    QLineEdit *txtUsername() const { return m_Name; }
    // Creates the profile; false (after saying why) when the name cannot be one.
    bool cmdCreate_Click();

private:
    colProfiles *m_Users;
    ChangeUser m_ChangeUser;
    QLineEdit *m_Name;
};
