#include "frmChannelManage.h"

#include "Include.h"
#include "RSSChannel.h"
#include "SkinnedDialog.h"
#include "WindowHelpers.h"
#include "clsProfile.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

frmChannelManage::frmChannelManage(
    QWidget *owner, std::function<void(const QString &)> removeChannel)
    : QDialog(owner), m_RemoveChannel(std::move(removeChannel))
{
    setObjectName(QStringLiteral("frmChannelManage"));
    setWindowTitle(tr("Delete Channels"));
    auto *layout = new QVBoxLayout(this);
    m_List = new QTreeWidget(this);
    m_List->setObjectName(QStringLiteral("lstChannels"));
    m_List->setHeaderLabels({tr("Title")});
    m_List->setRootIsDecorated(false);
    m_List->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_List->header()->setStretchLastSection(true);
    layout->addWidget(m_List);
    auto *buttons = new QDialogButtonBox(this);
    m_Delete = buttons->addButton(tr("Delete Selected"), QDialogButtonBox::ActionRole);
    m_Delete->setObjectName(QStringLiteral("cmdDelete"));
    QPushButton *close = buttons->addButton(tr("Close"), QDialogButtonBox::RejectRole);
    close->setObjectName(QStringLiteral("cmdClose"));
    layout->addWidget(buttons);
    connect(m_Delete, &QPushButton::clicked, this, &frmChannelManage::cmdDelete_Click);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    connect(m_List, &QTreeWidget::itemSelectionChanged, this,
        [this] { m_Delete->setEnabled(!m_List->selectedItems().isEmpty()); });
    resize(380, 420);
    Include::LoadFormState(this, QStringLiteral("CHANNELMANAGE"));
    connect(this, &QDialog::finished, this,
        [this] { Include::SaveFormState(this, QStringLiteral("CHANNELMANAGE")); });
    SkinnedDialog::Attach(this); // the skin's dialog frame
}

void frmChannelManage::ListChannels(clsProfile *profile)
{
    m_Profile = profile;
    m_List->clear();
    if (!profile || !profile->Channels())
        return;
    for (int i = 1; i <= profile->ChannelCount(); ++i) {
        const RSSChannel *channel = profile->Channels()->GetChannel(i);
        if (!channel || Include::IsSpecialURL(channel->URL()))
            continue;
        auto *item = new QTreeWidgetItem(m_List);
        item->setText(
            0, channel->customTitle().isEmpty() ? channel->URL() : channel->customTitle());
        item->setToolTip(0, channel->URL());
        item->setData(0, Qt::UserRole, channel->URL());
    }
    m_Delete->setEnabled(false);
}

void frmChannelManage::cmdDelete_Click()
{
    QStringList urls;
    for (const QTreeWidgetItem *item : m_List->selectedItems())
        urls << item->data(0, Qt::UserRole).toString();
    for (const QString &url : std::as_const(urls))
        m_RemoveChannel(url);
    ListChannels(m_Profile);
}
