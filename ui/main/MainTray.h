#pragma once

#include <QSystemTrayIcon>

class MainMenus;
class QWidget;

// The main window's icon in the notification area: the program's icon (the theme's, else the
// skin's new-items picture), a click opens the window, a right click the tray menu, and it
// carries the balloons.
class MainTray : public QSystemTrayIcon
{
    Q_OBJECT

public:
    MainTray(MainMenus &menus, QWidget *window);

    // The tray menu at a point on the screen, until it closes.
    void ShowMenu(const QPoint &at);
    // A balloon, when the icon is there to carry it.
    void Popup(const QString &text);

signals:
    void OpenRequested();

private:
    MainMenus &m_Menus;
    QWidget *m_Window;
};
