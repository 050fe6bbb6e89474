#include "frmChooseChannels.h"

#include "SkinnedDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

frmChooseChannels::frmChooseChannels(
    const QString &page, const QList<FoundChannel> &found, QWidget *owner)
    : QDialog(owner)
{
    setObjectName(QStringLiteral("frmChooseChannels"));
    setWindowTitle(tr("Channels on This Page"));
    auto *layout = new QVBoxLayout(this);
    auto *label = new QLabel(
        tr("The web page %1 announces these channels. Check the ones to subscribe to:").arg(page),
        this);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    m_List = new QListWidget(this);
    m_List->setObjectName(QStringLiteral("lstChannels"));
    label->setBuddy(m_List);
    for (const FoundChannel &channel : found) {
        const QString title = channel.title.isEmpty() ? channel.address : channel.title;
        auto *row = new QListWidgetItem(
            channel.title.isEmpty() ? title : title + QStringLiteral("  —  ") + channel.address,
            m_List);
        row->setData(Qt::UserRole, channel.address);
        row->setToolTip(channel.address);
        row->setFlags(row->flags() | Qt::ItemIsUserCheckable);
        row->setCheckState(m_List->count() == 1 ? Qt::Checked : Qt::Unchecked);
    }
    m_List->setCurrentRow(0);
    // Space on a row checks it or clears its check (the list's own key for that).
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(tr("&Subscribe"));
    buttons->button(QDialogButtonBox::Cancel)->setText(tr("&Cancel"));
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("cmdSubscribe"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // Nothing checked: nothing to subscribe to.
    auto follow = [this, buttons] {
        buttons->button(QDialogButtonBox::Ok)->setEnabled(!Chosen().isEmpty());
    };
    connect(m_List, &QListWidget::itemChanged, this, follow);
    follow();
    layout->addWidget(label);
    layout->addWidget(m_List);
    layout->addWidget(buttons);
    setMinimumWidth(480);
    SkinnedDialog::Attach(this); // the skin's dialog frame, as the add window has
    m_List->setFocus();
}

QStringList frmChooseChannels::Chosen() const
{
    QStringList chosen;
    for (int i = 0; i < m_List->count(); ++i) {
        if (m_List->item(i)->checkState() == Qt::Checked)
            chosen << m_List->item(i)->data(Qt::UserRole).toString();
    }
    return chosen;
}
