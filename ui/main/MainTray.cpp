#include "MainTray.h"

#include "MainMenus.h"
#include "frmTarnSkin.h"

#include <QCursor>
#include <QMenu>
#include <QStyle>
#include <QWidget>

MainTray::MainTray(MainMenus &menus, QWidget *window)
    : QSystemTrayIcon(window), m_Menus(menus), m_Window(window)
{
    QIcon icon = QIcon::fromTheme(QStringLiteral("tarnwick"));
    if (icon.isNull()) {
        const QImage picture =
            frmTarnSkin::Instance().TreeImages().value(QStringLiteral("newitems"));
        icon = picture.isNull()
            ? QIcon(window->style()->standardIcon(QStyle::SP_FileDialogInfoView))
            : QIcon(QPixmap::fromImage(picture));
    }
    setIcon(icon);
    setToolTip(QStringLiteral("Tarnwick"));
    connect(this, &QSystemTrayIcon::activated, this, [this](ActivationReason reason) {
        if (reason == Trigger || reason == DoubleClick)
            emit OpenRequested();
        else if (reason == Context)
            ShowMenu(QCursor::pos());
    });
}

void MainTray::ShowMenu(const QPoint &at)
{
    m_Window->raise();
    m_Menus.trayNewItems->setVisible(false);
    m_Menus.traySeparator->setVisible(false);
    m_Menus.tray->exec(at);
}

void MainTray::Popup(const QString &text)
{
    if (isVisible())
        showMessage(QStringLiteral("Tarnwick"), text, QSystemTrayIcon::Information, 4000);
}
