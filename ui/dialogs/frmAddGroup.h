#pragma once

#include <QDialog>

#include <functional>

class QComboBox;
class QLineEdit;

// "Add Group" (or "Rename Group"): a name, handed to the main window, which asks the profile's
// groups whether the name may be used and changes the model.
class frmAddGroup : public QDialog
{
    Q_OBJECT

public:
    static const QStringList kSuggestions;
    using AddFn = std::function<bool(const QString &)>;
    using RenameFn = std::function<bool(const QString &, const QString &)>;
    frmAddGroup(QWidget *owner, AddFn add, RenameFn rename);
    void RenameGroup(const QString &oldName);
    QComboBox *cboGroup() const { return m_Combo; }
    QLineEdit *txtGroup() const { return m_Text; }
    // The name of the group added, when one was.
    QString AddedName() const { return m_Added; }
    bool cmdOk_Click();

private:
    AddFn m_Add;
    RenameFn m_Rename;
    QComboBox *m_Combo;
    QLineEdit *m_Text;
    QString m_OldName;
    QString m_Added;
};
