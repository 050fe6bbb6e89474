#include "frmMain.h"

#include <QLabel>

frmMain::frmMain(QWidget *parent) : QMainWindow(parent)
{
    setWindowTitle(QStringLiteral("Tarnwick"));
    auto *label = new QLabel(tr("Tarnwick\n\nNo channels yet."), this);
    label->setAlignment(Qt::AlignCenter);
    setCentralWidget(label);
    resize(360, 480);
}
