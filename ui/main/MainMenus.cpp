#include "MainMenus.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QWidget>

MainMenus::MainMenus(QWidget *window) : QObject(window), m_Window(window)
{
    bar = new QMenu(window);
    file = bar->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("mnuFile"));
    fileExport = Add(file, "mnuFileExport", QStringLiteral("Export &OPML File..."));
    fileProfile = file->addMenu(QStringLiteral("&Profile"));
    fileProfile->setObjectName(QStringLiteral("mnuFileProfile"));
    fileProfile->menuAction()->setObjectName(QStringLiteral("mnuFileProfile"));
    QAction *none = fileProfile->addAction(QStringLiteral("(none)"));
    none->setObjectName(QStringLiteral("mnuFileProfiles0"));
    none->setVisible(false);
    m_ProfilesEnd = AddSeparator(fileProfile, "mnuFPDash1");
    newProfile = Add(fileProfile, "mnuNewProfile", QStringLiteral("&New Profile..."));
    deleteProfile = Add(fileProfile, "mnuDeleteProfile", QStringLiteral("&Delete Profile..."));
    fileSkin = Add(file, "mnuFileSkin", QStringLiteral("Change &Skin..."));
    filePrefs = Add(file, "mnuFilePrefs", QStringLiteral("P&references..."));
    AddSeparator(file, "mnuFDash1");
    fileOnTop = Add(file, "mnuFileOnTop", QStringLiteral("Always On &Top"));
    fileOnTop->setCheckable(true);
    fileTicker = Add(file, "mnuFileTicker", QStringLiteral("Show Ticker &Bar"));
    fileTicker->setCheckable(true);
    fileTickerSettings = Add(file, "mnuFileTickerSettings", QStringLiteral("Tic&ker Settings..."));
    AddSeparator(file, "mnuFDash2");
    fileClose = Add(file, "mnuFileClose", QStringLiteral("&Close"));

    actions = bar->addMenu(QStringLiteral("&Actions"));
    actions->setObjectName(QStringLiteral("mnuActions"));
    addChannels = Add(actions, "mnuActionAddChannels", QStringLiteral("&Add Channels..."));
    addGroup = Add(actions, "mnuActionAddGroup", QStringLiteral("Add &Group..."));
    reloadAll = Add(actions, "mnuActionReloadAll", QStringLiteral("&Reload All Channels"));
    deleteChannels = Add(actions, "mnuActionDelete", QStringLiteral("&Delete Channels..."));
    actionsSeparator = AddSeparator(actions, "mnuADash1");
    channelView = Add(actions, "mnuChannelView", QStringLiteral("&View Channel"));
    channelMarkAll = Add(actions, "mnuChannelMarkAll", QStringLiteral("&Mark All Read"));
    channelReload = Add(actions, "mnuChannelReload", QStringLiteral("R&eload Channel"));
    channelRemove = Add(actions, "mnuChannelRemove", QStringLiteral("&Delete Channel"));
    channelProperties = Add(actions, "mnuChannelProperties", QStringLiteral("&Properties..."));
    groupView = Add(actions, "mnuGroupView", QStringLiteral("&View Channels in Group"));
    groupReload = Add(actions, "mnuGroupReload", QStringLiteral("Reload &Channels in Group"));
    groupRename = Add(actions, "mnuGroupRename", QStringLiteral("Re&name Group"));
    groupDelete = Add(actions, "mnuGroupDelete", QStringLiteral("&Delete Group"));

    help = bar->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("mnuHelp"));
    helpChannel = Add(help, "mnuHelpHelp", QStringLiteral("&Help Channel"));
    helpChannel->setShortcut(QKeySequence(Qt::Key_F1));
    helpChannel->setShortcutContext(Qt::WidgetShortcut); // F1 itself is handled on its release
    helpWeb = Add(help, "mnuHelpWeb", QStringLiteral("&Tarnwick Website"));
    // There is nowhere to send donations; the item stays out of sight.
    helpDonate = Add(help, "mnuHelpDonate", QStringLiteral("&Donatations"));
    helpDonate->setVisible(false);
    AddSeparator(help, "mnuHDash1");
    helpAbout = Add(help, "mnuHelpAbout", QStringLiteral("&About..."));

    ticker = new QMenu(QStringLiteral("&Ticker"), window);
    ticker->setObjectName(QStringLiteral("mnuTicker"));
    tickerBrowser = Add(ticker, "mnuTickerBrowser", QStringLiteral("Open &Item in Browser"));
    AddSeparator(ticker, "mnuTDash1");
    tickerOpen = Add(ticker, "mnuTickerOpen", QStringLiteral("&Open Tarnwick"));
    tickerSettings = Add(ticker, "mnuTickerSettings", QStringLiteral("&Settings..."));
    AddSeparator(ticker, "mnuTDash2");
    tickerClose = Add(ticker, "mnuTickerClose", QStringLiteral("&Close Ticker Bar"));

    tray = new QMenu(QStringLiteral("T&ray"), window);
    tray->setObjectName(QStringLiteral("mnuTray"));
    trayNewItems = Add(tray, "mnuTrayNewItems", QStringLiteral("Channels with &New Items"));
    trayNewItems->setVisible(false);
    traySeparator = AddSeparator(tray, "mnuTrayDash");
    traySeparator->setVisible(false);
    trayTicker = Add(tray, "mnuTrayTicker", QStringLiteral("&Show Ticker Bar"));
    trayTicker->setCheckable(true);
    trayOpen = Add(tray, "mnuTrayOpen", QStringLiteral("&Open Tarnwick"));
    tray->setDefaultAction(trayOpen);
    tray->addSeparator();
    trayExit = Add(tray, "mnuTrayExit", QStringLiteral("E&xit"));
}

QAction *MainMenus::Add(QMenu *menu, const char *name, const QString &caption)
{
    QAction *action = menu->addAction(caption);
    action->setObjectName(QLatin1String(name));
    return action;
}

QAction *MainMenus::AddSeparator(QMenu *menu, const char *name)
{
    QAction *action = menu->addSeparator();
    action->setObjectName(QLatin1String(name));
    return action;
}

QAction *MainMenus::Item(const QString &name) const
{
    for (QMenu *menu : {file, fileProfile, actions, help, ticker, tray}) {
        if (menu->menuAction()->objectName() == name)
            return menu->menuAction();
        for (QAction *action : menu->actions())
            if (action->objectName() == name)
                return action;
    }
    return nullptr;
}

void MainMenus::ShowProfiles(const QStringList &names, const QString &active)
{
    for (int i = 0; i < names.size(); ++i) {
        if (m_ProfileEntries.size() <= i) {
            auto *entry = new QAction(fileProfile);
            entry->setObjectName(QStringLiteral("mnuFileProfiles%1").arg(i + 1));
            entry->setCheckable(true);
            connect(entry, &QAction::triggered, this,
                [this, entry] { emit ProfileChosen(entry->text()); });
            fileProfile->insertAction(m_ProfilesEnd, entry);
            m_ProfileEntries << entry;
        }
        QAction *entry = m_ProfileEntries.at(i);
        entry->setText(names.at(i));
        entry->setVisible(true);
        entry->setChecked(names.at(i) == active);
    }
    for (int i = int(names.size()); i < m_ProfileEntries.size(); ++i)
        m_ProfileEntries.at(i)->setVisible(false);
}

void MainMenus::SetTickerShown(bool shown)
{
    fileTicker->setChecked(shown);
    trayTicker->setChecked(shown);
}

void MainMenus::AddMenuKeys()
{
    for (const auto &[keys, menu] : {std::pair {QKeySequence(Qt::Key_F10), bar},
             std::pair {QKeySequence(Qt::ALT | Qt::Key_F), file},
             std::pair {QKeySequence(Qt::ALT | Qt::Key_A), actions},
             std::pair {QKeySequence(Qt::ALT | Qt::Key_H), help}}) {
        auto *shortcut = new QAction(m_Window);
        shortcut->setShortcut(keys);
        shortcut->setShortcutContext(Qt::WindowShortcut);
        connect(shortcut, &QAction::triggered, m_Window,
            [this, menu = menu] { menu->popup(m_Window->mapToGlobal(QPoint(8, 24))); });
        m_Window->addAction(shortcut);
    }
}

void MainMenus::ShowRowItems(const clsChannelTree::MenuItems &show)
{
    for (QAction *item : {channelView, channelMarkAll, channelReload, channelProperties})
        item->setVisible(show.channelItems);
    channelRemove->setVisible(show.channelRemove);
    groupView->setVisible(show.groupItems);
    groupReload->setVisible(show.groupItems);
    groupRename->setVisible(show.groupEdit);
    groupDelete->setVisible(show.groupEdit);
    actionsSeparator->setVisible(show.separator);
}
