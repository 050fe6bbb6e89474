#pragma once

#include <QDialog>

class QListWidget;
class QPushButton;

// The skin chooser: lists the skin folders, and on "Load Skin" stores the choice as
// "PREFS"/"SKINNAME" and says that the skin must be reloaded.
class frmSkin : public QDialog
{
    Q_OBJECT

public:
    explicit frmSkin(QWidget *parent = nullptr);

    // Fills the list; false (after telling the user "No Skins Found") when there is no skin.
    bool Populate();
    QListWidget *lstSkins() const { return m_List; }
    QPushButton *cmdOk() const { return m_Ok; }

signals:
    // The main window reloads the skin.
    void SkinChosen(const QString &name);

private:
    void cmdOk_Click();

    QListWidget *m_List;
    QPushButton *m_Ok;
    bool m_Filling = false;
};
