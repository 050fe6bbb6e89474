#include "frmAddChannel.h"

#include "GroupChoices.h"

#include "Include.h"
#include "SkinnedDialog.h"
#include "WindowHelpers.h"
#include "XmlDocument.h"
#include "clsOPML.h"
#include "clsProfile.h"
#include "colGroups.h"
#include "colProfiles.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

QTreeWidget *ChannelList(QWidget *owner, const char *name)
{
    auto *list = new QTreeWidget(owner);
    list->setObjectName(QLatin1String(name));
    list->setHeaderLabels({frmAddChannel::tr("Title"), frmAddChannel::tr("URL")});
    list->setRootIsDecorated(false);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setSortingEnabled(true); // a header click sorts, a second one turns the order round
    list->sortByColumn(-1, Qt::AscendingOrder);
    list->header()->setSectionResizeMode(0, QHeaderView::Interactive);
    list->setColumnWidth(0, 220);
    return list;
}

// A row keyed by its address; a second one with the same address is refused.
void AddRow(QTreeWidget *list, const QString &title, const QString &url)
{
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        if (list->topLevelItem(i)->text(1) == url)
            return;
    new QTreeWidgetItem(list, {title, url});
}

} // namespace

frmAddChannel::frmAddChannel(QWidget *owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("frmAddChannel"));
    setWindowTitle(tr("Add Channels"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto *layout = new QVBoxLayout(this);
    m_Tabs = new QTabWidget(this);
    m_Tabs->setObjectName(QStringLiteral("tabAdd"));
    layout->addWidget(m_Tabs);

    auto *opml = new QWidget(m_Tabs);
    auto *og = new QGridLayout(opml);
    og->addWidget(new QLabel(tr("OPML File:"), opml), 0, 0);
    m_OPMLPath = new QLineEdit(opml);
    m_OPMLPath->setObjectName(QStringLiteral("txtOPML"));
    og->addWidget(m_OPMLPath, 0, 1);
    auto *browse = new QPushButton(tr("&Browse..."), opml);
    browse->setObjectName(QStringLiteral("cmdBrowseOPML"));
    og->addWidget(browse, 0, 2);
    auto *load = new QPushButton(tr("Load"), opml);
    load->setObjectName(QStringLiteral("cmdLoadOPML"));
    og->addWidget(load, 0, 3);
    og->addWidget(new QLabel(tr("Add To Group:"), opml), 1, 0);
    m_OPMLGroup = new QComboBox(opml);
    m_OPMLGroup->setObjectName(QStringLiteral("cboOPML"));
    og->addWidget(m_OPMLGroup, 1, 1);
    auto *newGroup1 = new QPushButton(tr("New Group"), opml);
    newGroup1->setObjectName(QStringLiteral("cmdNewGroup2"));
    og->addWidget(newGroup1, 1, 2, 1, 2);
    m_OPMLList = ChannelList(opml, "lstOPML");
    og->addWidget(m_OPMLList, 2, 0, 1, 4);
    m_Tabs->addTab(opml, tr("Add From OPML"));

    auto *users = new QWidget(m_Tabs);
    auto *ug = new QGridLayout(users);
    ug->addWidget(new QLabel(tr("Select Profile:"), users), 0, 0);
    m_Users = new QComboBox(users);
    m_Users->setObjectName(QStringLiteral("cboUsers"));
    ug->addWidget(m_Users, 0, 1, 1, 2);
    ug->addWidget(new QLabel(tr("Add To Group:"), users), 1, 0);
    m_UserGroup = new QComboBox(users);
    m_UserGroup->setObjectName(QStringLiteral("cboUserGroup"));
    ug->addWidget(m_UserGroup, 1, 1);
    auto *newGroup2 = new QPushButton(tr("New Group"), users);
    newGroup2->setObjectName(QStringLiteral("cmdNewGroup3"));
    ug->addWidget(newGroup2, 1, 2);
    m_UserList = ChannelList(users, "lstUser");
    ug->addWidget(m_UserList, 2, 0, 1, 3);
    m_Tabs->addTab(users, tr("Add From Profiles"));

    auto *buttons = new QDialogButtonBox(this);
    QPushButton *add = buttons->addButton(tr("A&dd"), QDialogButtonBox::ApplyRole);
    add->setObjectName(QStringLiteral("cmdAdd"));
    QPushButton *addClose = buttons->addButton(tr("&Add && Close"), QDialogButtonBox::AcceptRole);
    addClose->setObjectName(QStringLiteral("cmdAddClose"));
    QPushButton *cancel = buttons->addButton(tr("Cancel"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    layout->addWidget(buttons);

    connect(browse, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getOpenFileName(this, tr("Open OPML File"),
            QFileInfo(m_OPMLPath->text()).absolutePath(), tr("OPML files (*.xml *.opml)"));
        if (path.isEmpty())
            return;
        m_OPMLPath->setText(path);
        cmdLoadOPML_Click();
    });
    connect(load, &QPushButton::clicked, this, &frmAddChannel::cmdLoadOPML_Click);
    connect(m_OPMLPath, &QLineEdit::returnPressed, this, &frmAddChannel::cmdLoadOPML_Click);
    connect(newGroup1, &QPushButton::clicked, this, &frmAddChannel::cmdNewGroup_Click);
    connect(newGroup2, &QPushButton::clicked, this, &frmAddChannel::cmdNewGroup_Click);
    connect(m_Users, &QComboBox::currentIndexChanged, this, [this] { cboUsers_Click(); });
    connect(add, &QPushButton::clicked, this, &frmAddChannel::cmdAdd_Click);
    connect(addClose, &QPushButton::clicked, this, [this] {
        cmdAdd_Click();
        close();
    });
    connect(cancel, &QPushButton::clicked, this, &QWidget::close);
    resize(560, 460);

    m_OPMLPath->setText(Include::Settings().GetSetting(QStringLiteral("ADD"),
        QStringLiteral("OPML"), Include::AppPath() + QStringLiteral("/tarn.opml")));
    Include::LoadFormState(this, QStringLiteral("ADDCHANNEL"));
    SkinnedDialog::Attach(this); // the skin's dialog frame
}

frmAddChannel::~frmAddChannel() = default;

void frmAddChannel::SetCallbacks(AddChannelFn add, NewGroupFn newGroup, TreeVisibleFn treeVisible)
{
    m_Add = std::move(add);
    m_NewGroup = std::move(newGroup);
    m_TreeVisible = std::move(treeVisible);
}

void frmAddChannel::Init(clsProfile *profile, colProfiles *users, bool opmlTab)
{
    m_Profile = profile;
    m_Profiles = users;
    m_OPMLGroup->clear();
    const QSignalBlocker block(m_Users);
    m_Users->clear();
    m_Tabs->setCurrentIndex(opmlTab ? 0 : 1);
    FillGroups();
    if (users)
        for (int i = 1; i <= users->UserCount(); ++i)
            m_Users->addItem(users->GetUser(i)->Name());
    if (m_Users->count() > 0)
        m_Users->setCurrentIndex(0);
    cboUsers_Click();
    if (!m_Initialised)
        cmdLoadOPML_Click(); // the file is read once when the window opens
    m_Initialised = true;
}

void frmAddChannel::FillGroups()
{
    const QStringList groups = GroupChoices(m_Profile);
    for (QComboBox *box : {m_OPMLGroup, m_UserGroup}) {
        box->clear();
        box->addItems(groups);
    }
}

void frmAddChannel::SelectGroup(const QString &name)
{
    for (QComboBox *box : {m_OPMLGroup, m_UserGroup}) {
        const int at = box->findText(name);
        if (at >= 0)
            box->setCurrentIndex(at);
    }
}

void frmAddChannel::cmdLoadOPML_Click()
{
    if (m_OPMLPath->text().isEmpty())
        return;
    m_Reader = std::make_unique<clsOPML>();
    connect(m_Reader.get(), &clsOPML::FileLoaded, this, &frmAddChannel::OPML_FileLoaded);
    Include::FormBusy(this);
    m_Reader->LoadOPML(m_OPMLPath->text());
    Include::FormReady(this);
}

void frmAddChannel::OPML_FileLoaded()
{
    m_OPMLList->setSortingEnabled(false);
    m_OPMLList->clear();
    for (int i = 0; i < m_Reader->GetCount(); ++i)
        if (!m_Reader->GetURL(i).isEmpty())
            AddRow(m_OPMLList, m_Reader->GetTitle(i), m_Reader->GetURL(i));
    m_OPMLList->setSortingEnabled(true);
}

void frmAddChannel::cboUsers_Click()
{
    m_UserList->setSortingEnabled(false);
    m_UserList->clear();
    const QString name = m_Users->currentText();
    if (name.isEmpty())
        return;
    xml::Document doc;
    if (!doc.load(Include::AppPath() + QStringLiteral("/profiles/") + name
            + QStringLiteral("/channels.xml"))
        || doc.documentElement().isNull())
        return;
    std::vector<xml::Node> channels;
    for (xml::Node c = doc.documentElement().firstChild(); c; c = c.nextSibling())
        if (c.isElement() && c.nodeName() == QLatin1String("channel"))
            channels.push_back(c);
    // Last first, without the filters and the maker's channels.
    for (auto it = channels.rbegin(); it != channels.rend(); ++it) {
        const QString url = it->firstChildElement("url").text();
        if (url.isEmpty() || Include::IsSpecialURL(url))
            continue;
        const QString custom = it->firstChildElement("customtitle").text();
        AddRow(m_UserList, custom.isEmpty() ? it->firstChildElement("title").text() : custom, url);
    }
    m_UserList->setSortingEnabled(true);
}

void frmAddChannel::cmdAdd_Click()
{
    const bool opml = m_Tabs->currentIndex() == 0;
    const QString group = opml ? m_OPMLGroup->currentText() : m_UserGroup->currentText();
    if (group.isEmpty()) {
        Include::MsgBox(tr("No Group Selected"));
        return;
    }
    if (opml)
        Include::Settings().SaveSetting(
            QStringLiteral("ADD"), QStringLiteral("OPML"), m_OPMLPath->text());
    QTreeWidget *list = opml ? m_OPMLList : m_UserList;
    if (m_TreeVisible)
        m_TreeVisible(false);
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        QTreeWidgetItem *row = list->topLevelItem(i);
        if (row->isSelected() && m_Add)
            m_Add(row->text(1), group);
    }
    if (m_TreeVisible)
        m_TreeVisible(true);
}

void frmAddChannel::cmdNewGroup_Click()
{
    if (!m_NewGroup)
        return;
    const int tab = m_Tabs->currentIndex();
    m_NewGroup(this);
    // The tab in use stays; the group boxes offer the new group, selected.
    FillGroups();
    m_Tabs->setCurrentIndex(tab);
    if (m_Profile && m_Profile->GroupCount() > 0)
        SelectGroup(m_Profile->GetGroup(m_Profile->GroupCount())->Name());
}

void frmAddChannel::done(int result)
{
    Include::SaveFormState(this, QStringLiteral("ADDCHANNEL"));
    QDialog::done(result);
}
