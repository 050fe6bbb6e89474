#include "frmSearch.h"

#include "GroupChoices.h"

#include "Include.h"
#include "PageScan.h"
#include "WindowHelpers.h"
#include "clsProfile.h"
#include "colGroups.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QWebEngineHistory>
#include <QWebEnginePage>
#include <QWebEngineView>

namespace {
QPointer<frmSearch> g_Instance;
}

// Public directories of channels to start from.
const QStringList frmSearch::kPresets = {
    QStringLiteral("https://github.com/plenaryapp/awesome-rss-feeds"),
    QStringLiteral("https://www.feedspot.com/"),
    QStringLiteral("https://en.wikipedia.org/wiki/Wikipedia:Syndication"),
    QStringLiteral("https://www.bbc.co.uk/news/10628494"),
    QStringLiteral("https://www.debian.org/News/"),
};

frmSearch *frmSearch::Instance()
{
    return g_Instance;
}

frmSearch::frmSearch(QWidget *owner) : QWidget(owner, Qt::Window)
{
    g_Instance = this;
    setObjectName(QStringLiteral("frmSearch"));
    setWindowTitle(tr("RSS Channel Search - Tarnwick"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto *layout = new QVBoxLayout(this);
    auto *toolbar = new QHBoxLayout;
    auto button = [this, toolbar](
                      const char *name, QStyle::StandardPixmap icon, const QString &tip) {
        auto *b = new QPushButton(style()->standardIcon(icon), QString(), this);
        b->setObjectName(QLatin1String(name));
        b->setToolTip(tip);
        toolbar->addWidget(b);
        return b;
    };
    m_Back = button("cmdBack", QStyle::SP_ArrowBack, tr("Back"));
    m_Forward = button("cmdForward", QStyle::SP_ArrowForward, tr("Forward"));
    QPushButton *refresh = button("cmdRefresh", QStyle::SP_BrowserReload, tr("Reload"));
    QPushButton *stop = button("cmdStop", QStyle::SP_BrowserStop, tr("Stop"));
    m_Address = new QComboBox(this);
    m_Address->setObjectName(QStringLiteral("cboSearch"));
    m_Address->setEditable(true);
    m_Address->addItems(kPresets);
    m_Address->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    toolbar->addWidget(m_Address, 1);
    auto *go = new QPushButton(tr("&Go"), this);
    go->setObjectName(QStringLiteral("cmdGo"));
    toolbar->addWidget(go);
    layout->addLayout(toolbar);

    auto *split = new QSplitter(Qt::Vertical, this);
    m_Web = new QWebEngineView(split);
    m_Web->setObjectName(QStringLiteral("web"));
    m_Found = new QTreeWidget(split);
    m_Found->setObjectName(QStringLiteral("lstAuto"));
    m_Found->setHeaderLabels({tr("Channels found"), tr("Address")});
    m_Found->setRootIsDecorated(false);
    m_Found->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_Found->setColumnWidth(0, 260);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 1);
    split->setSizes({420, 130});
    layout->addWidget(split, 1);
    m_Status = new QLabel(this);
    m_Status->setObjectName(QStringLiteral("picStatus"));
    layout->addWidget(m_Status);

    auto *bottom = new QHBoxLayout;
    bottom->addWidget(new QLabel(tr("Add to group:"), this));
    m_Group = new QComboBox(this);
    m_Group->setObjectName(QStringLiteral("cboGroup"));
    bottom->addWidget(m_Group, 1);
    auto *newGroup = new QPushButton(tr("New &Group"), this);
    newGroup->setObjectName(QStringLiteral("cmdNewGroup"));
    bottom->addWidget(newGroup);
    auto *add = new QPushButton(tr("&Add Selected"), this);
    add->setObjectName(QStringLiteral("cmdAdd"));
    bottom->addWidget(add);
    layout->addLayout(bottom);

    connect(go, &QPushButton::clicked, this, &frmSearch::cmdGo_Click);
    connect(m_Address->lineEdit(), &QLineEdit::returnPressed, this, &frmSearch::cmdGo_Click);
    connect(m_Address, &QComboBox::activated, this, [this] { cmdGo_Click(); });
    connect(m_Back, &QPushButton::clicked, m_Web, &QWebEngineView::back);
    connect(m_Forward, &QPushButton::clicked, m_Web, &QWebEngineView::forward);
    connect(refresh, &QPushButton::clicked, m_Web, &QWebEngineView::reload);
    connect(stop, &QPushButton::clicked, m_Web, &QWebEngineView::stop);
    connect(add, &QPushButton::clicked, this, &frmSearch::cmdAdd_Click);
    connect(newGroup, &QPushButton::clicked, this, [this] {
        if (!m_NewGroup)
            return;
        m_NewGroup(this);
        FillGroups();
        if (m_Profile && m_Profile->GroupCount() > 0)
            SelectGroup(m_Profile->GetGroup(m_Profile->GroupCount())->Name());
    });
    // The browser's state: what can be gone back and forward to, and a status line.
    auto history = [this] {
        m_Back->setEnabled(m_Web->history()->canGoBack());
        m_Forward->setEnabled(m_Web->history()->canGoForward());
    };
    connect(m_Web, &QWebEngineView::urlChanged, this, [this, history](const QUrl &url) {
        history();
        m_Address->setEditText(url.toString());
    });
    connect(m_Web, &QWebEngineView::loadProgress, this,
        [this](int percent) { m_Status->setText(tr("Loading... %1 %").arg(percent)); });
    connect(m_Web->page(), &QWebEnginePage::linkHovered, this,
        [this](const QString &url) { m_Status->setText(url); });
    connect(m_Web, &QWebEngineView::loadFinished, this, [this, history](bool ok) {
        history();
        m_Status->setText(ok ? tr("Done") : tr("The page could not be loaded."));
        if (ok)
            ScanPage();
    });
    history();

    // Addresses copied while browsing are offered too.
    m_Clip.setInterval(700);
    connect(&m_Clip, &QTimer::timeout, this, &frmSearch::tmrClip_Timer);
    // The page's own widget (the browser's focus proxy) comes and goes with the pages, so the
    // watch follows where the focus is rather than filtering one widget's events.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget *, QWidget *now) {
        const bool browser = now && (now == m_Web || m_Web->isAncestorOf(now));
        if (browser && !m_Clip.isActive())
            m_Clip.start();
        else if (!browser)
            m_Clip.stop();
    });
    m_LastClip = QGuiApplication::clipboard()->text();

    resize(760, 620);
    Include::LoadFormState(this, QStringLiteral("SEARCHTOOL"));
    const QString last = Include::Settings().GetSetting(
        QStringLiteral("SEARCH"), QStringLiteral("ENGINE"), QString());
    m_Address->setEditText(last.isEmpty() ? kPresets.first() : last);
    cmdGo_Click();
}

frmSearch::~frmSearch() = default;

void frmSearch::Init(clsProfile *profile, AddChannelFn add, NewGroupFn newGroup)
{
    m_Profile = profile;
    m_Add = std::move(add);
    m_NewGroup = std::move(newGroup);
    FillGroups();
}

void frmSearch::FillGroups()
{
    m_Group->clear();
    m_Group->addItems(GroupChoices(m_Profile));
}

void frmSearch::SelectGroup(const QString &name)
{
    const int at = m_Group->findText(name);
    if (at >= 0)
        m_Group->setCurrentIndex(at);
}

void frmSearch::cmdGo_Click()
{
    QString text = m_Address->currentText().trimmed();
    if (text.isEmpty())
        return;
    QUrl url = QUrl::fromUserInput(text);
    if (url.isValid())
        m_Web->load(url);
}

void frmSearch::ScanPage()
{
    const QUrl base = m_Web->url();
    m_Web->page()->runJavaScript(
        QStringLiteral("document.documentElement ? document.documentElement.outerHTML : ''"),
        [this, base](const QVariant &html) {
            m_Found->clear();
            for (const FoundChannel &found : ::ScanPage(html.toString(), base))
                AddFoundLink(found.title, found.address);
            emit PageScanned();
        });
}

void frmSearch::AddFoundLink(const QString &title, const QString &address)
{
    for (int i = 0; i < m_Found->topLevelItemCount(); ++i)
        if (m_Found->topLevelItem(i)->text(1) == address)
            return;
    auto *row = new QTreeWidgetItem(m_Found, {title.isEmpty() ? address : title, address});
    row->setToolTip(1, address);
}

void frmSearch::tmrClip_Timer()
{
    // Only a newly copied address: what was on the clipboard before stays the user's own.
    const QString text = QGuiApplication::clipboard()->text().trimmed();
    if (text == m_LastClip)
        return;
    m_LastClip = text;
    if (!text.isEmpty() && text.left(4) == QLatin1String("http"))
        AddFoundLink(tr("Copied Shortcut"), text);
}

void frmSearch::cmdAdd_Click()
{
    if (m_Group->currentText().isEmpty()) {
        Include::MsgBox(tr("No Group Selected"));
        return;
    }
    const QList<QTreeWidgetItem *> rows = m_Found->selectedItems();
    if (rows.isEmpty()) {
        Include::MsgBox(tr("No Link Selected"));
        return;
    }
    for (int i = 0; i < m_Found->topLevelItemCount(); ++i) {
        QTreeWidgetItem *row = m_Found->topLevelItem(i);
        if (row->isSelected() && m_Add)
            m_Add(row->text(1), m_Group->currentText());
    }
}

void frmSearch::closeEvent(QCloseEvent *event)
{
    Include::Settings().SaveSetting(
        QStringLiteral("SEARCH"), QStringLiteral("ENGINE"), m_Address->currentText());
    Include::SaveFormState(this, QStringLiteral("SEARCHTOOL"));
    QWidget::closeEvent(event);
}
