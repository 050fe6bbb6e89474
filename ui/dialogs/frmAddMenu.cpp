#include "frmAddMenu.h"

#include "GroupChoices.h"
#include "PageScan.h"
#include "SkinnedDialog.h"
#include "frmChooseChannels.h"

#include "Include.h"
#include "WindowHelpers.h"
#include "clsProfile.h"
#include "colGroups.h"

#include <QClipboard>
#include <QComboBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPushButton>
#include <QUrl>

namespace {
QPointer<frmAddMenu> g_Instance;
constexpr int kLookTimeOutMs = 20000;
} // namespace

frmAddMenu &frmAddMenu::Instance(QWidget *owner)
{
    if (!g_Instance)
        g_Instance = new frmAddMenu(owner);
    return *g_Instance;
}

bool frmAddMenu::IsLoaded()
{
    return !g_Instance.isNull();
}

void frmAddMenu::Unload()
{
    delete g_Instance.data();
}

frmAddMenu::frmAddMenu(QWidget *owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("frmAddMenu"));
    setWindowTitle(tr("Add RSS Channel"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto *grid = new QGridLayout(this);
    auto *label1 = new QLabel(tr("Enter RSS Channel URL:"), this);
    m_URL = new QLineEdit(this);
    m_URL->setObjectName(QStringLiteral("txtURL"));
    label1->setBuddy(m_URL);
    auto *label2 = new QLabel(tr("Select Group:"), this);
    m_Group = new QComboBox(this);
    m_Group->setObjectName(QStringLiteral("cboGroup"));
    label2->setBuddy(m_Group);
    auto *newGroup = new QPushButton(tr("New &Group"), this);
    newGroup->setObjectName(QStringLiteral("cmdNewGroup"));
    grid->addWidget(label1, 0, 0, 1, 2);
    grid->addWidget(m_URL, 1, 0, 1, 2);
    grid->addWidget(label2, 2, 0, 1, 2);
    grid->addWidget(m_Group, 3, 0);
    grid->addWidget(newGroup, 3, 1);

    auto *row = new QHBoxLayout;
    auto *ok = new QPushButton(tr("&Add"), this);
    m_Ok = ok;
    ok->setObjectName(QStringLiteral("cmdOk"));
    ok->setDefault(true);
    auto *cancel = new QPushButton(tr("&Cancel"), this);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    row->addStretch(1);
    row->addWidget(ok);
    row->addWidget(cancel);
    m_Status = new QLabel(this);
    m_Status->setObjectName(QStringLiteral("lblStatus"));
    m_Status->setWordWrap(true);
    m_Status->setTextFormat(Qt::PlainText);
    m_Status->hide();
    grid->addWidget(m_Status, 4, 0, 1, 2);
    grid->addLayout(row, 5, 0, 1, 2);

    auto *more = new QHBoxLayout;
    m_OPML = new QPushButton(tr("From OPML File"), this);
    m_OPML->setObjectName(QStringLiteral("cmdOPML"));
    m_Profiles = new QPushButton(tr("From Tarnwick Profiles"), this);
    m_Profiles->setObjectName(QStringLiteral("cmdProfiles"));
    m_Search = new QPushButton(tr("Mini-Browser Search Tool"), this);
    m_Search->setObjectName(QStringLiteral("cmdSearch"));
    for (QPushButton *b : {m_OPML, m_Profiles, m_Search}) {
        b->setEnabled(false);
        more->addWidget(b);
    }
    grid->addLayout(more, 6, 0, 1, 2);

    connect(ok, &QPushButton::clicked, this, [this] {
        if (cmdOk_Click())
            close();
    });
    connect(cancel, &QPushButton::clicked, this, &QWidget::close);
    connect(newGroup, &QPushButton::clicked, this, &frmAddMenu::cmdNewGroup_Click);
    auto opener = [this](const OpenFn *fn) {
        return [this, fn] {
            if (*fn) {
                (*fn)(m_Group->currentText());
                close();
            }
        };
    };
    connect(m_OPML, &QPushButton::clicked, this, opener(&m_OpenOPML));
    connect(m_Profiles, &QPushButton::clicked, this, opener(&m_OpenProfiles));
    connect(m_Search, &QPushButton::clicked, this, opener(&m_OpenSearch));
    setMinimumWidth(460);
    SkinnedDialog::Attach(this); // the skin's dialog frame
    Include::LoadFormState(this, QStringLiteral("ADDMENU"));
}

void frmAddMenu::Init(clsProfile *profile, AddChannelFn add, NewGroupFn newGroup)
{
    m_Profile = profile;
    m_AddChannel = std::move(add);
    m_NewGroup = std::move(newGroup);
    FillGroups();
}

void frmAddMenu::SetOpeners(OpenFn opml, OpenFn profiles, OpenFn search)
{
    m_OpenOPML = std::move(opml);
    m_OpenProfiles = std::move(profiles);
    m_OpenSearch = std::move(search);
    m_OPML->setEnabled(bool(m_OpenOPML));
    m_Profiles->setEnabled(bool(m_OpenProfiles));
    m_Search->setEnabled(bool(m_OpenSearch));
}

void frmAddMenu::FillGroups()
{
    m_Group->clear();
    m_Group->addItems(GroupChoices(m_Profile));
}

void frmAddMenu::SelectGroup(const QString &name)
{
    const int at = m_Group->findText(name);
    if (at >= 0)
        m_Group->setCurrentIndex(at);
}

void frmAddMenu::SetURL(const QString &url)
{
    m_URL->setText(url);
}

void frmAddMenu::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // An address the user has just copied is most likely the one to subscribe to.
    if (m_URL->text().isEmpty()) {
        const QString clip = QGuiApplication::clipboard()->text().trimmed();
        if (clip.left(4) == QLatin1String("http"))
            m_URL->setText(clip);
    }
    m_URL->setFocus();
    m_URL->selectAll();
}

void frmAddMenu::done(int result)
{
    if (QNetworkReply *look = m_Look.data()) {
        m_Look.clear();
        look->disconnect(this);
        look->abort();
        look->deleteLater();
    }
    Include::SaveFormState(this, QStringLiteral("ADDMENU"));
    QDialog::done(result);
}

bool frmAddMenu::cmdOk_Click()
{
    if (m_Group->currentText().isEmpty()) {
        Include::MsgBox(tr("No Group Selected"));
        return false;
    }
    if (m_URL->text().isEmpty()) {
        Include::MsgBox(tr("Enter RSS Channel URL"));
        return false;
    }
    if (IsLooking())
        return false;
    const QString address = m_URL->text();
    const QUrl url(address.trimmed());
    const QString scheme = url.scheme().toLower();
    if (url.isValid() && !url.host().isEmpty()
        && (scheme == QLatin1String("http") || scheme == QLatin1String("https"))) {
        LookAt(address, m_Group->currentText());
        return false;
    }
    if (m_AddChannel)
        m_AddChannel(address, m_Group->currentText());
    return true;
}

bool frmAddMenu::IsLooking() const
{
    return !m_Look.isNull();
}

void frmAddMenu::ShowLooking(bool looking)
{
    m_Ok->setEnabled(!looking);
    m_URL->setReadOnly(looking);
    if (looking)
        ShowStatus(tr("Looking at the address…"));
}

void frmAddMenu::ShowStatus(const QString &text)
{
    m_Status->setText(text);
    m_Status->show();
    // The window grows to show the whole text.
    if (QLayout *grid = layout()) {
        grid->activate();
        const int needed = grid->totalHeightForWidth(width());
        if (needed > height())
            resize(width(), needed);
    }
}

void frmAddMenu::LookAt(const QString &address, const QString &group)
{
    if (!m_Network)
        m_Network = new QNetworkAccessManager(this);
    QNetworkRequest request {QUrl(address.trimmed())};
    request.setTransferTimeout(kLookTimeOutMs);
    request.setAttribute(
        QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    QNetworkReply *reply = m_Network->get(request);
    m_Look = reply;
    ShowLooking(true);
    connect(reply, &QNetworkReply::downloadProgress, this, [reply](qint64 received, qint64 total) {
        if (received > kMaxPageBytes || total > kMaxPageBytes)
            reply->abort(); // no page is this large: taken as typed
    });
    connect(reply, &QNetworkReply::finished, this,
        [this, reply, address, group] { Looked(reply, address, group); });
}

void frmAddMenu::Looked(QNetworkReply *reply, const QString &address, const QString &group)
{
    reply->deleteLater();
    if (reply != m_Look)
        return;
    m_Look.clear();
    ShowLooking(false);
    // What cannot be read is subscribed as typed, as any address always was: the channel's own
    // fetches say later whether it can be used.
    if (reply->error() != QNetworkReply::NoError) {
        Subscribe({address}, group);
        return;
    }
    const QByteArray bytes = reply->readAll();
    if (!IsWebPage(bytes, reply->header(QNetworkRequest::ContentTypeHeader).toByteArray())) {
        Subscribe({address}, group);
        return;
    }
    const QList<FoundChannel> found = ScanPage(PageText(bytes), reply->url());
    if (found.size() == 1) {
        Subscribe({found[0].address}, group);
    } else if (found.size() > 1) {
        OfferChannels(address, found, group);
    } else if (HoldsChannel(bytes)) {
        Subscribe({address}, group); // a channel inside a page: the fetcher reads it
    } else {
        ShowStatus(tr("No channel found: %1 is a web page that announces no RSS or Atom "
                      "channel. Enter the address of the channel itself.")
                       .arg(address));
        m_URL->setFocus();
        m_URL->selectAll();
    }
}

void frmAddMenu::OfferChannels(
    const QString &page, const QList<FoundChannel> &found, const QString &group)
{
    ShowStatus(
        tr("%1 is a web page that announces %n channels.", nullptr, int(found.size())).arg(page));
    auto *chooser = new frmChooseChannels(page, found, this);
    chooser->setAttribute(Qt::WA_DeleteOnClose);
    chooser->setModal(true);
    connect(chooser, &QDialog::accepted, this,
        [this, chooser, group] { Subscribe(chooser->Chosen(), group); });
    connect(chooser, &QDialog::rejected, this, [this] {
        m_URL->setFocus();
        m_URL->selectAll();
    });
    chooser->show();
    chooser->raise();
    chooser->activateWindow();
}

void frmAddMenu::Subscribe(const QStringList &addresses, const QString &group)
{
    if (m_AddChannel) {
        for (const QString &address : addresses)
            m_AddChannel(address, group);
    }
    close();
}

void frmAddMenu::cmdNewGroup_Click()
{
    if (!m_NewGroup)
        return;
    m_NewGroup(this);
    FillGroups();
    if (m_Profile && m_Profile->GroupCount() > 0)
        SelectGroup(m_Profile->GetGroup(m_Profile->GroupCount())->Name());
}
