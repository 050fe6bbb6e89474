#pragma once

#include "ChannelTree.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

class QAction;
class QMenu;
class QWidget;

// The main window's menus (File, Actions, Help), the ticker's menu and the notification icon's,
// as named actions. They only say what there is; the main window connects them to its commands.
// Every action also carries its menu name ("mnuTrayExit") as its object name, for Item().
class MainMenus : public QObject
{
    Q_OBJECT

public:
    explicit MainMenus(QWidget *window);

    // The window's menu bar stand-in (File, Actions, Help), and the menus themselves.
    QMenu *bar, *file, *fileProfile, *actions, *help, *ticker, *tray;

    QAction *fileExport, *newProfile, *deleteProfile, *fileSkin, *filePrefs, *fileOnTop,
        *fileTicker, *fileTickerSettings, *fileClose;
    QAction *addChannels, *addGroup, *reloadAll, *deleteChannels, *actionsSeparator, *channelView,
        *channelMarkAll, *channelReload, *channelRemove, *channelProperties, *groupView,
        *groupReload, *groupRename, *groupDelete;
    QAction *helpChannel, *helpWeb, *helpDonate, *helpAbout;
    QAction *tickerBrowser, *tickerOpen, *tickerSettings, *tickerClose;
    QAction *trayNewItems, *traySeparator, *trayTicker, *trayOpen, *trayExit;

    // An action by its menu name; nullptr when there is none.
    QAction *Item(const QString &name) const;
    // The profile entries under File > Profile: one checkable entry per name, active checked.
    void ShowProfiles(const QStringList &names, const QString &active);
    // The actions menu's row items as they suit the row (see clsChannelTree::MenuItemsFor).
    void ShowRowItems(const clsChannelTree::MenuItems &show);
    // Keys on the window: F10 opens the menu bar's stand-in, Alt with a menu's letter that menu.
    void AddMenuKeys();
    // The ticker is shown or not: both "Show Ticker Bar" items follow.
    void SetTickerShown(bool shown);

signals:
    // A profile entry was chosen.
    void ProfileChosen(const QString &name);

private:
    QAction *Add(QMenu *menu, const char *name, const QString &caption);
    QAction *AddSeparator(QMenu *menu, const char *name);

    QWidget *m_Window;
    QAction *m_ProfilesEnd = nullptr;
    QList<QAction *> m_ProfileEntries;
};
