#pragma once

#include <QDialog>
#include <QPointer>

#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QNetworkAccessManager;
class QNetworkReply;
class QPushButton;
class clsProfile;
struct FoundChannel;

// "Add RSS Channel": one address and a group; the other ways to add channels start here too.
//
// A web address is looked at before it is subscribed: when it is a web page rather than a
// channel, the channels the page announces are offered instead (one is subscribed at once,
// several are offered to choose from, none is told). A channel, or an address that cannot be
// read, is subscribed as it was typed.
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
    // True when the address was subscribed at once; false when it was refused, or when a web
    // address is being looked at (the window then closes once that has been decided).
    bool cmdOk_Click();
    // A web address is being looked at.
    bool IsLooking() const;
    // Pages larger than this are not read (the address is then subscribed as typed).
    static constexpr qint64 kMaxPageBytes = 4 * 1024 * 1024;

protected:
    void showEvent(QShowEvent *event) override;
    void done(int result) override;

private:
    explicit frmAddMenu(QWidget *owner);
    void FillGroups();
    void cmdNewGroup_Click();
    void LookAt(const QString &address, const QString &group);
    void Looked(QNetworkReply *reply, const QString &address, const QString &group);
    void ShowLooking(bool looking);
    // A line below the address: what the look found.
    void ShowStatus(const QString &text);
    void Subscribe(const QStringList &addresses, const QString &group);
    void OfferChannels(const QString &page, const QList<FoundChannel> &found, const QString &group);

    QPointer<clsProfile> m_Profile;
    AddChannelFn m_AddChannel;
    NewGroupFn m_NewGroup;
    OpenFn m_OpenOPML, m_OpenProfiles, m_OpenSearch;
    QLineEdit *m_URL;
    QComboBox *m_Group;
    QPushButton *m_OPML, *m_Profiles, *m_Search;
    QPushButton *m_Ok;
    QLabel *m_Status;
    QNetworkAccessManager *m_Network = nullptr;
    QPointer<QNetworkReply> m_Look;
};
