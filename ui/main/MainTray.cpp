#include "MainTray.h"

#include "MainMenus.h"
#include "frmTarnSkin.h"

#include <QCoreApplication>
#include <QCursor>
#include <QFont>
#include <QFontMetricsF>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
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
    m_Plain = icon;
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
    Popup(QStringLiteral("Tarnwick"), text);
}

void MainTray::Popup(const QString &title, const QString &text)
{
    if (isVisible())
        showMessage(title, text, QSystemTrayIcon::Information, 4000);
}

QString MainTray::BadgeText(qint32 unread)
{
    if (unread <= 0)
        return QString();
    return unread > 999 ? QStringLiteral("999+") : QString::number(unread);
}

QPixmap MainTray::BadgedPixmap(const QIcon &plain, int size, const QString &text)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    plain.paint(&p, QRect(0, 0, size, size));
    if (text.isEmpty())
        return pixmap;
    // A red pill in the lower right corner, as wide as the number needs, white digits on it.
    QFont font;
    font.setBold(true);
    font.setPixelSize(qMax(6, size * 9 / 16));
    const qreal height = size * 0.62;
    for (;;) {
        const qreal width = QFontMetricsF(font).horizontalAdvance(text) + height * 0.4;
        if (width <= size || font.pixelSize() <= 5)
            break;
        font.setPixelSize(font.pixelSize() - 1);
    }
    const qreal width =
        qMin<qreal>(size, qMax(height, QFontMetricsF(font).horizontalAdvance(text) + height * 0.4));
    const QRectF pill(size - width, size - height, width, height);
    QPainterPath path;
    path.addRoundedRect(pill, height / 2, height / 2);
    p.fillPath(path, QColor(0xd0, 0x10, 0x10));
    p.setPen(Qt::white);
    p.setFont(font);
    p.drawText(pill, Qt::AlignCenter, text);
    return pixmap;
}

void MainTray::SetUnreadCount(qint32 unread)
{
    unread = qMax(0, unread);
    if (unread == m_Unread)
        return;
    const QString before = BadgeText(m_Unread);
    m_Unread = unread;
    const QString text = BadgeText(unread);
    setToolTip(unread > 0
            ? QCoreApplication::translate("MainTray", "Tarnwick - unread items: %1").arg(unread)
            : QStringLiteral("Tarnwick"));
    if (text == before)
        return;
    ++m_BadgePaints;
    if (text.isEmpty()) {
        setIcon(m_Plain);
        return;
    }
    QIcon badged;
    for (const int size : {16, 22, 24, 32, 48, 64})
        badged.addPixmap(BadgedPixmap(m_Plain, size, text));
    setIcon(badged);
}
