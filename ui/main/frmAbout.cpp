#include "frmAbout.h"

#include "WindowHelpers.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTextBrowser>
#include <QVBoxLayout>

frmAbout::frmAbout(const QString &version, QWidget *owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(tr("About Tarnwick"));
    auto *layout = new QVBoxLayout(this);
    auto *title = new QLabel(QStringLiteral("<b style='font-size:16pt'>Tarnwick</b>"), this);
    auto *line = new QLabel(tr("Version %1").arg(version), this);
    line->setObjectName(QStringLiteral("lblVersion"));
    layout->addWidget(title);
    layout->addWidget(line);
    layout->addWidget(new QLabel(tr("A desktop reader for RSS channels."), this));
    m_Credits = new QTextBrowser(this);
    m_Credits->setObjectName(QStringLiteral("txtCredits"));
    m_Credits->setOpenExternalLinks(false);
    m_Credits->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_Credits->setHtml(tr("<p align=center><br><br><br><b>Tarnwick</b></p>"
                          "<p align=center>Built with Qt, libxml2, libxslt and HTML Tidy.</p>"
                          "<p align=center>Skins Basalt and Heath drawn by skingen.</p>"
                          "<p align=center>Thanks to everyone who publishes a channel.</p>"
                          "<p align=center><br><br><br></p>"));
    m_Credits->setFixedHeight(110);
    layout->addWidget(m_Credits);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    QPushButton *sysInfo = buttons->addButton(tr("&System Info..."), QDialogButtonBox::ActionRole);
    sysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    connect(sysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
    // The credits roll slowly and start again at the top.
    m_Scroll.setInterval(60);
    connect(&m_Scroll, &QTimer::timeout, this, [this] {
        QScrollBar *bar = m_Credits->verticalScrollBar();
        bar->setValue(bar->value() >= bar->maximum() ? 0 : bar->value() + 1);
    });
    m_Scroll.start();
}

void frmAbout::cmdSysInfo_Click()
{
    for (const char *tool :
        {"gnome-system-monitor", "hardinfo", "ksysguard", "xfce4-taskmanager"}) {
        const QString path = QStandardPaths::findExecutable(QLatin1String(tool));
        if (!path.isEmpty() && QProcess::startDetached(path, {}))
            return;
    }
    Include::MsgBox(tr("System Information Is Unavailable At This Time"));
}
