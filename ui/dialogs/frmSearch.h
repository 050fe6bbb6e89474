#pragma once

#include <QDialog>
#include <QPointer>
#include <QTimer>

#include <functional>

class QComboBox;
class QLabel;
class QPushButton;
class QTreeWidget;
class QWebEngineView;
class clsProfile;

// "RSS Channel Search - Tarnwick": a small web browser that lists the channels each page
// announces, and web addresses copied while browsing, for subscribing into a group.
class frmSearch : public QWidget
{
    Q_OBJECT

public:
    static const QStringList kPresets;
    using AddChannelFn = std::function<void(const QString &url, const QString &group)>;
    using NewGroupFn = std::function<QString(QWidget *owner)>;

    explicit frmSearch(QWidget *owner = nullptr);
    ~frmSearch() override;
    static frmSearch *Instance();

    void Init(clsProfile *profile, AddChannelFn add, NewGroupFn newGroup);
    void SelectGroup(const QString &name);
    void cmdGo_Click();
    void cmdAdd_Click();
    // Lists a found channel once per address.
    void AddFoundLink(const QString &title, const QString &address);
    // Looks at the clipboard as the watch timer does.
    void tmrClip_Timer();

    QComboBox *cboSearch() const { return m_Address; }
    QComboBox *cboGroup() const { return m_Group; }
    QTreeWidget *lstAuto() const { return m_Found; }
    QWebEngineView *web() const { return m_Web; }
    QTimer &tmrClip() { return m_Clip; }

signals:
    // A page has been loaded and scanned.
    void PageScanned();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void ScanPage();
    void FillGroups();

    QPointer<clsProfile> m_Profile;
    AddChannelFn m_Add;
    NewGroupFn m_NewGroup;
    QComboBox *m_Address, *m_Group;
    QPushButton *m_Back, *m_Forward;
    QLabel *m_Status;
    QTreeWidget *m_Found;
    QWebEngineView *m_Web;
    QTimer m_Clip;
    QString m_LastClip;
};
