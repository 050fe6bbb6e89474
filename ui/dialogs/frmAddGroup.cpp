#include "frmAddGroup.h"

#include "SkinnedDialog.h"
#include "WindowHelpers.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

const QStringList frmAddGroup::kSuggestions = {
    QStringLiteral(QT_TRANSLATE_NOOP("frmAddGroup", "Favorites")),
    QStringLiteral(QT_TRANSLATE_NOOP("frmAddGroup", "Entertainment")),
    QStringLiteral(QT_TRANSLATE_NOOP("frmAddGroup", "Local News")),
    QStringLiteral(QT_TRANSLATE_NOOP("frmAddGroup", "National News")),
    QStringLiteral(QT_TRANSLATE_NOOP("frmAddGroup", "News")),
    QStringLiteral(QT_TRANSLATE_NOOP("frmAddGroup", "Weather")),
    QStringLiteral(QT_TRANSLATE_NOOP("frmAddGroup", "Stocks")),
    QStringLiteral(QT_TRANSLATE_NOOP("frmAddGroup", "Sports")),
    QStringLiteral(QT_TRANSLATE_NOOP("frmAddGroup", "Funnies")),
    QStringLiteral(QT_TRANSLATE_NOOP("frmAddGroup", "Quotes")),
    QStringLiteral(QT_TRANSLATE_NOOP("frmAddGroup", "Technology")),
    QStringLiteral(QT_TRANSLATE_NOOP("frmAddGroup", "Health"))};

frmAddGroup::frmAddGroup(QWidget *owner, AddFn add, RenameFn rename)
    : QDialog(owner), m_Add(std::move(add)), m_Rename(std::move(rename))
{
    setObjectName(QStringLiteral("frmAddGroup"));
    setWindowTitle(tr("Add Group"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("Group name:"), this));
    m_Combo = new QComboBox(this);
    m_Combo->setObjectName(QStringLiteral("cboGroup"));
    m_Combo->setEditable(true);
    for (const QString &suggestion : kSuggestions)
        m_Combo->addItem(tr(suggestion.toUtf8().constData()));
    m_Combo->setInsertPolicy(QComboBox::NoInsert);
    layout->addWidget(m_Combo);
    m_Text = new QLineEdit(this);
    m_Text->setObjectName(QStringLiteral("txtGroup"));
    m_Text->hide();
    layout->addWidget(m_Text);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("cmdOk"));
    buttons->button(QDialogButtonBox::Cancel)->setText(tr("Cancel"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        if (cmdOk_Click())
            accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    setMinimumWidth(300);
    SkinnedDialog::Attach(this); // the skin's dialog frame
}

void frmAddGroup::RenameGroup(const QString &oldName)
{
    setWindowTitle(tr("Rename Group"));
    m_OldName = oldName;
    m_Text->setText(oldName);
    m_Text->selectAll();
    m_Combo->hide();
    m_Text->show();
    m_Text->setFocus();
}

bool frmAddGroup::cmdOk_Click()
{
    const bool renaming = !m_Text->isHidden();
    const QString name = renaming ? m_Text->text() : m_Combo->currentText();
    if (renaming)
        return m_Rename && m_Rename(m_OldName, name);
    if (!m_Add || !m_Add(name))
        return false;
    m_Added = name.trimmed();
    return true;
}
