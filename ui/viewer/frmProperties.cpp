#include "frmProperties.h"

#include "Include.h"
#include "RSSChannel.h"
#include "SkinnedDialog.h"
#include "WindowHelpers.h"
#include "WindowServices.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

// A whole number, blanks around it allowed; nothing for anything else.
std::optional<qint32> WholeNumber(const QString &text)
{
    bool ok = false;
    const qint32 value = text.trimmed().toInt(&ok);
    return ok ? std::optional<qint32>(value) : std::nullopt;
}

} // namespace

frmProperties::frmProperties(IWindowServices &services, QWidget *owner)
    : QDialog(owner), m_Services(services)
{
    setObjectName(QStringLiteral("frmProperties"));
    setWindowTitle(tr("Properties"));
    auto *layout = new QVBoxLayout(this);
    layout->setSpacing(4); // 60 twips
    m_List = new QTreeWidget(this);
    m_List->setObjectName(QStringLiteral("lstProp"));
    m_List->setHeaderLabels({tr("Property"), tr("Value")});
    m_List->setRootIsDecorated(false);
    m_List->setContextMenuPolicy(Qt::CustomContextMenu);
    m_List->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    m_List->setWordWrap(true);
    layout->addWidget(m_List, 1);

    auto *band = new QGridLayout;
    band->setSpacing(4);
    auto *lblTitle = new QLabel(tr("Title:"), this);
    m_Title = new QLineEdit(this);
    m_Title->setObjectName(QStringLiteral("txtCustomTitle"));
    lblTitle->setBuddy(m_Title);
    band->addWidget(lblTitle, 0, 0);
    band->addWidget(m_Title, 0, 1, 1, 2);
    band->addWidget(new QLabel(tr("Reload channel every"), this), 1, 0);
    m_Reload = new QLineEdit(this);
    m_Reload->setObjectName(QStringLiteral("txtReload"));
    m_Reload->setMaximumWidth(70);
    band->addWidget(m_Reload, 1, 1);
    band->addWidget(new QLabel(tr("minutes\n(Enter 0 to disable)"), this), 1, 2);
    band->addWidget(new QLabel(tr("Remove items after"), this), 2, 0);
    m_Remove = new QLineEdit(this);
    m_Remove->setObjectName(QStringLiteral("txtRemove"));
    m_Remove->setMaximumWidth(70);
    band->addWidget(m_Remove, 2, 1);
    band->addWidget(new QLabel(tr("days"), this), 2, 2);
    band->setColumnStretch(2, 1);
    m_OpenOnNew = new QCheckBox(tr("Open channel when new items are received"), this);
    m_OpenOnNew->setObjectName(QStringLiteral("chkOpenOnNew"));
    m_OpenUnread = new QCheckBox(tr("Only show unread items by default"), this);
    m_OpenUnread->setObjectName(QStringLiteral("chkOpenUnread"));
    band->addWidget(m_OpenOnNew, 3, 0, 1, 3);
    band->addWidget(m_OpenUnread, 4, 0, 1, 3);
    AddNotifyControl(band, 5);
    layout->addLayout(band);

    auto *buttons = new QDialogButtonBox(this);
    QPushButton *ok = buttons->addButton(QDialogButtonBox::Ok);
    ok->setObjectName(QStringLiteral("cmdOk"));
    QPushButton *cancel = buttons->addButton(tr("Cancel"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    QPushButton *apply = buttons->addButton(tr("Apply"), QDialogButtonBox::ApplyRole);
    apply->setObjectName(QStringLiteral("cmdApply"));
    layout->addWidget(buttons);
    connect(ok, &QPushButton::clicked, this, [this] {
        if (cmdApply_Click())
            accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(apply, &QPushButton::clicked, this, &frmProperties::cmdApply_Click);

    m_Popup = new QMenu(this);
    m_Popup->setObjectName(QStringLiteral("mnuPopupProp"));
    QAction *copy = m_Popup->addAction(tr("Copy Value"));
    copy->setObjectName(QStringLiteral("mnuCopyValue"));
    connect(copy, &QAction::triggered, this, &frmProperties::mnuCopyValue_Click);
    connect(m_List, &QWidget::customContextMenuRequested, this, [this](const QPoint &at) {
        if (m_List->itemAt(at))
            m_Popup->popup(m_List->viewport()->mapToGlobal(at));
    });
    // A web address among the values opens in the browser.
    connect(m_List, &QTreeWidget::itemDoubleClicked, this, [](QTreeWidgetItem *item) {
        const QString value = item->text(1);
        if (value.startsWith(QLatin1String("http://"))
            || value.startsWith(QLatin1String("https://")))
            Include::OpenURL(value);
    });
    resize(420, 520);
    Include::LoadFormState(this, QStringLiteral("Properties"));
    SkinnedDialog::Attach(this); // the skin's dialog frame
}

frmProperties::~frmProperties() = default;

void frmProperties::AddNotifyControl(QGridLayout *band, int row)
{
    m_Notify = new QCheckBox(tr("Show desktop notifications for new items of this channel"), this);
    m_Notify->setObjectName(QStringLiteral("chkNotify"));
    band->addWidget(m_Notify, row, 0, 1, 3);
}

void frmProperties::SetChannelProp(RSSChannel *channel)
{
    m_Channel = channel;
    m_List->clear();
    if (!channel)
        return;
    const QList<QPair<const char *, QString>> rows = {{QT_TR_NOOP("Title"), channel->title()},
        {QT_TR_NOOP("URL"), channel->URL()}, {QT_TR_NOOP("Description"), channel->Description},
        {QT_TR_NOOP("Items"), QString::number(channel->ItemCount())},
        {QT_TR_NOOP("Catergory"), channel->Catergory},
        {QT_TR_NOOP("Copyright"), channel->Copyright}, {QT_TR_NOOP("Docs"), channel->Docs},
        {QT_TR_NOOP("Generator"), channel->Generator}, {QT_TR_NOOP("Image"), channel->ImageURL()},
        {QT_TR_NOOP("Language"), channel->Language},
        {QT_TR_NOOP("Last Build Date"), channel->LastBuildDate},
        {QT_TR_NOOP("Link"), channel->link},
        {QT_TR_NOOP("Managing Editor"), channel->ManagingEditor},
        {QT_TR_NOOP("Publish Date"), channel->PubDate}, {QT_TR_NOOP("Rating"), channel->Rating},
        {QT_TR_NOOP("Time To Live"),
            channel->TimeToLive ? QString::number(channel->TimeToLive) : QString()},
        {QT_TR_NOOP("Web Master"), channel->WebMaster}};
    for (const auto &[name, value] : rows) {
        if (value.isEmpty() && qstrcmp(name, "Items") != 0)
            continue;
        auto *row = new QTreeWidgetItem(m_List, {name, value});
        row->setToolTip(1, value);
    }
    m_Reload->setText(QString::number(channel->Update));
    m_Remove->setText(QString::number(channel->Expire));
    m_OpenOnNew->setChecked(channel->OpenLink);
    m_Notify->setChecked(channel->Notify);
    m_OpenUnread->setChecked(channel->SortMode == QLatin1String("_tarnwick/unread"));
    m_Title->setText(channel->customTitle());
}

bool frmProperties::cmdApply_Click()
{
    RSSChannel *channel = m_Channel;
    if (!channel)
        return true;
    const auto update = WholeNumber(m_Reload->text());
    const auto expire = WholeNumber(m_Remove->text());
    if (!update || *update < 0) {
        Include::MsgBox(
            tr("Enter the reload interval as a whole number of minutes (0 to disable)."));
        m_Reload->setFocus();
        m_Reload->selectAll();
        return false;
    }
    if (!expire || *expire < 0) {
        Include::MsgBox(tr("Enter the time items are kept as a whole number of days."));
        m_Remove->setFocus();
        m_Remove->selectAll();
        return false;
    }
    channel->Update = *update;
    channel->Expire = *expire;
    channel->OpenLink = m_OpenOnNew->isChecked();
    channel->Notify = m_Notify->isChecked();
    channel->SortMode = m_OpenUnread->isChecked() ? QStringLiteral("_tarnwick/unread") : QString();
    if (m_Title->text() != channel->title()) {
        channel->setCustomTitle(m_Title->text());
        channel->SetState(-1, -1);
    }
    // The change is kept at once, not only at the next save.
    m_Services.SaveProfiles();
    return true;
}

void frmProperties::mnuCopyValue_Click()
{
    QTreeWidgetItem *row = m_List->currentItem();
    if (!row)
        return;
    QClipboard *clipboard = QApplication::clipboard();
    clipboard->clear();
    clipboard->setText(row->text(1));
}

void frmProperties::done(int result)
{
    Include::SaveFormState(this, QStringLiteral("Properties"));
    QDialog::done(result);
}
