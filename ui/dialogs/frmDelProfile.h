#pragma once

#include <QDialog>

class QComboBox;
class colProfiles;

// "Delete Profile": any profile but the active one, after a confirmation.
class frmDelProfile : public QDialog
{
    Q_OBJECT

public:
    frmDelProfile(colProfiles *users, const QString &activeName, QWidget *owner = nullptr);
    void Init();
    QComboBox *cboProfiles() const { return m_List; }
    void cmdOk_Click();

private:
    colProfiles *m_Users;
    QString m_Active;
    QComboBox *m_List;
};
