#include "frmDelProfile.h"

#include "SkinnedDialog.h"
#include "WindowHelpers.h"
#include "clsProfile.h"
#include "colProfiles.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

frmDelProfile::frmDelProfile(colProfiles *users, const QString &activeName, QWidget *owner)
    : QDialog(owner), m_Users(users), m_Active(activeName)
{
    setObjectName(QStringLiteral("frmDelProfile"));
    setWindowTitle(tr("Delete Profile"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(
        new QLabel(tr("Profile to delete (the active profile cannot be deleted):"), this));
    m_List = new QComboBox(this);
    m_List->setObjectName(QStringLiteral("cboProfiles"));
    layout->addWidget(m_List);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("cmdOk"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &frmDelProfile::cmdOk_Click);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    setMinimumWidth(320);
    SkinnedDialog::Attach(this); // the skin's dialog frame
}

void frmDelProfile::Init()
{
    m_List->clear();
    if (!m_Users)
        return;
    for (int i = 1; i <= m_Users->UserCount(); ++i)
        if (m_Users->GetUser(i)->Name() != m_Active)
            m_List->addItem(m_Users->GetUser(i)->Name());
    if (m_List->count() > 0)
        m_List->setCurrentIndex(0);
}

void frmDelProfile::cmdOk_Click()
{
    const QString name = m_List->currentText();
    const int answer =
        Include::AskBox(tr("This action cannot be undone.\rDelete profile %1?").arg(name),
            tr("Confim Delete"), {tr("&Yes"), tr("&No")});
    if (answer == 0 && !name.isEmpty() && name != m_Active && m_Users) {
        m_Users->DeleteUser(name);
        m_Users->SaveAllXML();
    }
    accept();
}
