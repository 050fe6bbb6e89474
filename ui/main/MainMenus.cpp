#include "MainMenus.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QWidget>

MainMenus::MainMenus(QWidget *window) : QObject(window), m_Window(window)
{
    bar = new QMenu(window);
    file = bar->addMenu(tr("&File"));
    file->setObjectName(QStringLiteral("mnuFile"));
    fileExport = Add(file, "mnuFileExport", tr("Export &OPML File..."));
    fileProfile = file->addMenu(tr("&Profile"));
    fileProfile->setObjectName(QStringLiteral("mnuFileProfile"));
    fileProfile->menuAction()->setObjectName(QStringLiteral("mnuFileProfile"));
    QAction *none = fileProfile->addAction(tr("(none)"));
    none->setObjectName(QStringLiteral("mnuFileProfiles0"));
    none->setVisible(false);
    m_ProfilesEnd = AddSeparator(fileProfile, "mnuFPDash1");
    newProfile = Add(fileProfile, "mnuNewProfile", tr("&New Profile..."));
    deleteProfile = Add(fileProfile, "mnuDeleteProfile", tr("&Delete Profile..."));
    fileSkin = Add(file, "mnuFileSkin", tr("Change &Skin..."));
    filePrefs = Add(file, "mnuFilePrefs", tr("P&references..."));
    AddSeparator(file, "mnuFDash1");
    fileOnTop = Add(file, "mnuFileOnTop", tr("Always On &Top"));
    fileOnTop->setCheckable(true);
    fileTicker = Add(file, "mnuFileTicker", tr("Show Ticker &Bar"));
    fileTicker->setCheckable(true);
    fileTickerSettings = Add(file, "mnuFileTickerSettings", tr("Tic&ker Settings..."));
    AddSeparator(file, "mnuFDash2");
    fileClose = Add(file, "mnuFileClose", tr("&Close"));

    actions = bar->addMenu(tr("&Actions"));
    actions->setObjectName(QStringLiteral("mnuActions"));
    addChannels = Add(actions, "mnuActionAddChannels", tr("&Add Channels..."));
    addGroup = Add(actions, "mnuActionAddGroup", tr("Add &Group..."));
    reloadAll = Add(actions, "mnuActionReloadAll", tr("&Reload All Channels"));
    deleteChannels = Add(actions, "mnuActionDelete", tr("&Delete Channels..."));
    actionsSeparator = AddSeparator(actions, "mnuADash1");
    channelView = Add(actions, "mnuChannelView", tr("&View Channel"));
    channelMarkAll = Add(actions, "mnuChannelMarkAll", tr("&Mark All Read"));
    channelReload = Add(actions, "mnuChannelReload", tr("R&eload Channel"));
    channelRemove = Add(actions, "mnuChannelRemove", tr("&Delete Channel"));
    channelProperties = Add(actions, "mnuChannelProperties", tr("&Properties..."));
    groupView = Add(actions, "mnuGroupView", tr("&View Channels in Group"));
    groupReload = Add(actions, "mnuGroupReload", tr("Reload &Channels in Group"));
    groupRename = Add(actions, "mnuGroupRename", tr("Re&name Group"));
    groupDelete = Add(actions, "mnuGroupDelete", tr("&Delete Group"));

    help = bar->addMenu(tr("&Help"));
    help->setObjectName(QStringLiteral("mnuHelp"));
    helpChannel = Add(help, "mnuHelpHelp", tr("&Help Channel"));
    helpChannel->setShortcut(QKeySequence(Qt::Key_F1));
    helpChannel->setShortcutContext(Qt::WidgetShortcut); // F1 itself is handled on its release
    helpWeb = Add(help, "mnuHelpWeb", tr("&Tarnwick Website"));
    // There is nowhere to send donations; the item stays out of sight.
    helpDonate = Add(help, "mnuHelpDonate", tr("&Donatations"));
    helpDonate->setVisible(false);
    AddSeparator(help, "mnuHDash1");
    helpAbout = Add(help, "mnuHelpAbout", tr("&About..."));

    ticker = new QMenu(tr("&Ticker"), window);
    ticker->setObjectName(QStringLiteral("mnuTicker"));
    tickerBrowser = Add(ticker, "mnuTickerBrowser", tr("Open &Item in Browser"));
    AddSeparator(ticker, "mnuTDash1");
    tickerOpen = Add(ticker, "mnuTickerOpen", tr("&Open Tarnwick"));
    tickerSettings = Add(ticker, "mnuTickerSettings", tr("&Settings..."));
    AddSeparator(ticker, "mnuTDash2");
    tickerClose = Add(ticker, "mnuTickerClose", tr("&Close Ticker Bar"));

    tray = new QMenu(tr("T&ray"), window);
    tray->setObjectName(QStringLiteral("mnuTray"));
    trayNewItems = Add(tray, "mnuTrayNewItems", tr("Channels with &New Items"));
    trayNewItems->setVisible(false);
    traySeparator = AddSeparator(tray, "mnuTrayDash");
    traySeparator->setVisible(false);
    trayTicker = Add(tray, "mnuTrayTicker", tr("&Show Ticker Bar"));
    trayTicker->setCheckable(true);
    trayOpen = Add(tray, "mnuTrayOpen", tr("&Open Tarnwick"));
    tray->setDefaultAction(trayOpen);
    tray->addSeparator();
    trayExit = Add(tray, "mnuTrayExit", tr("E&xit"));
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
