#pragma once

#include <QIcon>
#include <QSystemTrayIcon>

class MainMenus;
class QWidget;

// The main window's icon in the notification area: the program's icon (the theme's, else the
// skin's new-items picture), a click opens the window, a right click the tray menu, and it
// carries the balloons. It can wear the active profile's unread count as a badge, repeated in
// its tooltip.
class MainTray : public QSystemTrayIcon
{
    Q_OBJECT

public:
    MainTray(MainMenus &menus, QWidget *window);

    // The tray menu at a point on the screen, until it closes.
    void ShowMenu(const QPoint &at);
    // A balloon, when the icon is there to carry it.
    void Popup(const QString &text);
    // A balloon with a title of its own.
    void Popup(const QString &title, const QString &text);

    // The unread count on the icon and in the tooltip; 0 or less shows the plain icon. The
    // icon is only painted again when what it shows changes.
    void SetUnreadCount(qint32 unread);
    qint32 UnreadCount() const { return m_Unread; }
    // How many times the icon has been painted with a new count (for checks of the throttle).
    int BadgePaints() const { return m_BadgePaints; }
    // The text of the badge: the count up to 999, "999+" beyond.
    static QString BadgeText(qint32 unread);
    // The plain icon with the badge painted on it, side by side pixels of size x size.
    static QPixmap BadgedPixmap(const QIcon &plain, int size, const QString &text);

signals:
    void OpenRequested();

private:
    MainMenus &m_Menus;
    QWidget *m_Window;
    QIcon m_Plain;
    qint32 m_Unread = 0;
    int m_BadgePaints = 0;
};
