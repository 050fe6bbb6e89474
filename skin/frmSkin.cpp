#include "frmSkin.h"

#include "Include.h"
#include "SkinnedDialog.h"

#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

frmSkin::frmSkin(QWidget *parent)
    : QDialog(parent), m_List(new QListWidget(this)), m_Ok(new QPushButton(tr("Close"), this))
{
    setObjectName(QStringLiteral("frmSkin"));
    setWindowTitle(tr("Skins"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("Choose a skin:"), this));
    layout->addWidget(m_List);
    layout->addWidget(m_Ok);
    m_Ok->setDefault(true);
    // A choice made with the mouse or the keyboard (arrows, Home, End, typing a name) is one
    // to load; Enter or a double click on an entry loads it at once.
    auto choose = [this] {
        if (!m_Filling && m_List->currentItem())
            m_Ok->setText(tr("Load Skin"));
    };
    connect(m_List, &QListWidget::itemClicked, this, choose);
    connect(m_List, &QListWidget::currentRowChanged, this, choose);
    connect(m_List, &QListWidget::itemActivated, this, [this, choose] {
        choose();
        cmdOk_Click();
    });
    connect(m_Ok, &QPushButton::clicked, this, &frmSkin::cmdOk_Click);
    SkinnedDialog::Attach(this); // the skin's dialog frame
}

bool frmSkin::Populate()
{
    m_Filling = true;
    m_List->clear();
    m_Ok->setText(tr("Close"));
    const QString current = Include::Settings().GetSetting(
        QStringLiteral("PREFS"), QStringLiteral("SKINNAME"), QStringLiteral("Basalt"));
    const QDir skins(Include::AppPath() + QStringLiteral("/skins"));
    for (const QString &name : skins.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        m_List->addItem(name);
        if (name == current)
            m_List->setCurrentRow(m_List->count() - 1);
    }
    m_Filling = false;
    if (m_List->count() == 0) {
        QMessageBox::information(this, QStringLiteral("Tarnwick"), tr("No Skins Found"));
        return false;
    }
    return true;
}

void frmSkin::cmdOk_Click()
{
    if (m_Ok->text() == tr("Load Skin") && m_List->currentItem()) {
        const QString name = m_List->currentItem()->text();
        Include::Settings().SaveSetting(QStringLiteral("PREFS"), QStringLiteral("SKINNAME"), name);
        // Enter on the list activates the entry and may then reach the default button too:
        // the choice is made once.
        m_Ok->setText(tr("Close"));
        emit SkinChosen(name);
    }
    close();
}
