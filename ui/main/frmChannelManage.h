#pragma once

#include <QDialog>

class QPushButton;
class QTreeWidget;
class clsProfile;

// "Delete Channels": the active profile's own channels, several of which can be deleted at once
// (from the profile and from the item bank).
class frmChannelManage : public QDialog
{
    Q_OBJECT

public:
    explicit frmChannelManage(QWidget *owner);
    // Lists every channel of the profile that is not a filter or one of the maker's.
    void ListChannels(clsProfile *profile);
    QTreeWidget *lstChannels() const { return m_List; }
    void cmdDelete_Click();

private:
    QTreeWidget *m_List;
    QPushButton *m_Delete;
    clsProfile *m_Profile = nullptr;
};
