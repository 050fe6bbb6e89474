#pragma once

#include <QDialog>

#include <functional>

class QPushButton;
class QTreeWidget;
class clsProfile;

// "Delete Channels": the active profile's own channels, several of which can be deleted at once
// (from the profile and from the item bank).
class frmChannelManage : public QDialog
{
    Q_OBJECT

public:
    // removeChannel takes a channel out of the profile, its tree rows and the item bank.
    frmChannelManage(QWidget *owner, std::function<void(const QString &url)> removeChannel);
    // Lists every channel of the profile that is not a filter or one of the maker's.
    void ListChannels(clsProfile *profile);
    QTreeWidget *lstChannels() const { return m_List; }
    void cmdDelete_Click();

private:
    QTreeWidget *m_List;
    QPushButton *m_Delete;
    clsProfile *m_Profile = nullptr;
    std::function<void(const QString &)> m_RemoveChannel;
};
