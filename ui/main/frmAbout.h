#pragma once

#include <QDialog>
#include <QTimer>

class QTextBrowser;

// The About box: name, version, scrolling credits and a way to the system information tool.
class frmAbout : public QDialog
{
    Q_OBJECT

public:
    frmAbout(const QString &version, QWidget *owner);

private:
    void cmdSysInfo_Click();
    QTextBrowser *m_Credits;
    QTimer m_Scroll;
};
