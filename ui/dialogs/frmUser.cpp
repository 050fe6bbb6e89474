#include "frmUser.h"

#include "SkinnedDialog.h"
#include "WindowHelpers.h"
#include "clsProfile.h"
#include "colProfiles.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

frmUser::frmUser(colProfiles *users, ChangeUser changeUser, QWidget *owner)
    : QDialog(owner), m_Users(users), m_ChangeUser(std::move(changeUser))
{
    setObjectName(QStringLiteral("frmUser"));
    setWindowTitle(tr("Create New Profile"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("Profile name:"), this));
    m_Name = new QLineEdit(tr("My Username"), this);
    m_Name->setObjectName(QStringLiteral("txtUsername"));
    m_Name->selectAll();
    layout->addWidget(m_Name);
    auto *buttons = new QDialogButtonBox(this);
    QPushButton *create = buttons->addButton(tr("C&reate"), QDialogButtonBox::AcceptRole);
    create->setObjectName(QStringLiteral("cmdCreate"));
    create->setDefault(true);
    QPushButton *cancel = buttons->addButton(tr("&Cancel"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    layout->addWidget(buttons);
    connect(create, &QPushButton::clicked, this, [this] {
        if (cmdCreate_Click())
            accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    setMinimumWidth(320);
    SkinnedDialog::Attach(this); // the skin's dialog frame
}

bool frmUser::cmdCreate_Click()
{
    const QString name = m_Name->text();
    if (name.isEmpty()) {
        Include::MsgBox(tr("Please enter a username"));
        return false;
    }
    for (const QChar c : QStringLiteral("\\/:*?'|<>\"")) {
        if (name.contains(c)) {
            Include::MsgBox(
                tr("Username cannot contain any of the following symbols: \\/:*?'|<>\""));
            return false;
        }
    }
    if (!m_Users)
        return false;
    // A name that differs from a profile's only in letter case would be that profile's folder.
    if (m_Users->UserExists(name) || m_Users->GetUser(name)) {
        Include::MsgBox(tr("Username already exists"));
        return false;
    }
    if (!m_Users->AddUser(name, true, true)) {
        Include::MsgBox(tr("\"%1\" cannot be used as a profile name.").arg(name));
        return false;
    }
    if (m_ChangeUser)
        m_ChangeUser(name);
    if (clsProfile *profile = m_Users->GetUser(name))
        if (profile->IsActive())
            profile->AddGroup(QStringLiteral("My Channels"));
    m_Users->SaveAllXML();
    return true;
}
