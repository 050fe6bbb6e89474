#pragma once

#include <QDialog>
#include <QPointer>

class IWindowServices;
class QCheckBox;
class QGridLayout;
class QLineEdit;
class QMenu;
class QTreeWidget;
class RSSChannel;

// "Properties": what a channel's document says about itself, and the channel's own settings
// (custom title, reload interval, item expiry, opening on new items, default filter). Modeless;
// it follows the channel tree's selection while open.
class frmProperties : public QDialog
{
    Q_OBJECT

public:
    // services: where a changed title is saved at once.
    explicit frmProperties(IWindowServices &services, QWidget *owner = nullptr);
    ~frmProperties() override;

    void SetChannelProp(RSSChannel *channel);
    RSSChannel *Channel() const { return m_Channel; }
    // Applies the settings; false (after saying why) when a number is not a whole number.
    bool cmdApply_Click();
    // Puts the selected row's value on the clipboard.
    void mnuCopyValue_Click();

    QTreeWidget *lstProp() const { return m_List; }
    QLineEdit *txtCustomTitle() const { return m_Title; }
    QLineEdit *txtReload() const { return m_Reload; }
    QLineEdit *txtRemove() const { return m_Remove; }
    QCheckBox *chkOpenOnNew() const { return m_OpenOnNew; }
    QCheckBox *chkOpenUnread() const { return m_OpenUnread; }
    QCheckBox *chkNotify() const { return m_Notify; }

protected:
    void done(int result) override;

private:
    // The channel's switch for desktop notices of its new items.
    void AddNotifyControl(QGridLayout *band, int row);

    IWindowServices &m_Services;
    QPointer<RSSChannel> m_Channel;
    QTreeWidget *m_List;
    QLineEdit *m_Title, *m_Reload, *m_Remove;
    QCheckBox *m_OpenOnNew, *m_OpenUnread;
    QCheckBox *m_Notify = nullptr;
    QMenu *m_Popup;
};
