#include "frmAddMenu.h"

#include "GroupChoices.h"
#include "SkinnedDialog.h"

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
#include <QPushButton>

namespace {
QPointer<frmAddMenu> g_Instance;
}

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
    ok->setObjectName(QStringLiteral("cmdOk"));
    ok->setDefault(true);
    auto *cancel = new QPushButton(tr("&Cancel"), this);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    row->addStretch(1);
    row->addWidget(ok);
    row->addWidget(cancel);
    grid->addLayout(row, 4, 0, 1, 2);

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
    grid->addLayout(more, 5, 0, 1, 2);

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
    if (m_AddChannel)
        m_AddChannel(m_URL->text(), m_Group->currentText());
    return true;
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
