#include "frmLoading.h"

#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

frmLoading::frmLoading(QWidget *owner)
    : QWidget(owner, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("frmLoading"));
    setWindowTitle(QStringLiteral("Tarnwick"));
    setAttribute(Qt::WA_DeleteOnClose);
    setAutoFillBackground(true);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 14, 18, 14);
    auto *label = new QLabel(tr("Loading profile..."), this);
    auto *bar = new QProgressBar(this);
    bar->setRange(0, 0); // busy
    bar->setTextVisible(false);
    layout->addWidget(label);
    layout->addWidget(bar);
    setFixedSize(sizeHint().expandedTo(QSize(220, 0)));
    if (owner)
        move(owner->geometry().center() - rect().center());
}
