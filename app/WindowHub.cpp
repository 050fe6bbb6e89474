#include "WindowHub.h"

#include "TickerWindows.h"
#include "ViewerWindows.h"
#include "colProfiles.h"
#include "frmMain.h"

#include "WindowHelpers.h"

#include <QCoreApplication>
#include <QMenu>
#include <QThread>

WindowHub::WindowHub()
{
    m_MessageTimer.setSingleShot(true);
    QObject::connect(&m_MessageTimer, &QTimer::timeout, [this] { ShowQueuedMessages(); });
}

WindowHub::~WindowHub()
{
    if (IModelHost::Current() == this)
        IModelHost::Install(nullptr);
}

void WindowHub::Attach(frmMain *main, ViewerWindows *viewers, TickerWindows *ticker)
{
    m_Main = main;
    m_Viewers = viewers;
    m_Ticker = ticker;
    IModelHost::Install(this);
}

bool WindowHub::Ending() const
{
    return m_Main && m_Main->Ending();
}

// ---- What the model asks of the windows ----

void WindowHub::StateChange(const QString &user, RSSChannel *channel)
{
    if (m_Main)
        m_Main->StateChange(user, channel);
    if (m_Viewers && channel)
        m_Viewers->ChannelStateChanged(channel); // the viewer's footer counts
}

void WindowHub::ChannelLoaded(RSSChannel *channel, bool newItems)
{
    // The main window only notes the channel's address for the round's notice.
    if (m_Main && !Ending() && channel)
        m_Main->ChannelLoaded(channel, newItems);
    if (m_Viewers && !Ending())
        m_Viewers->ChannelLoaded(channel, newItems);
}

bool WindowHub::TakeShowHelpRequest()
{
    return m_Main && m_Main->TakeShowHelpRequest();
}

void WindowHub::TickerSetList(const QString &nodeList)
{
    if (!Ending())
        SetTickerList(nodeList);
}

void WindowHub::ViewerSetList(RSSChannel *channel, const QString &nodeList, qint32 count)
{
    if (!Ending())
        SetViewerList(channel, nodeList, count);
}

clsProfile *WindowHub::CurrentProfile()
{
    return m_Main ? m_Main->CurrentProfile() : nullptr;
}

void WindowHub::AddChannel(const QString &url, const QString &groupName)
{
    if (m_Main)
        m_Main->AddChannel(url, groupName);
}

void WindowHub::PopupInfo(const QString &text)
{
    if (m_Main)
        m_Main->PopupInfo(text);
}

void WindowHub::ShowMessage(const QString &text)
{
    if (Ending())
        return;
    m_Messages << text;
    m_MessageTimer.start(0);
}

void WindowHub::ShowQueuedMessages()
{
    // One box at a time, and only from the event loop itself: a box opened inside a wait for
    // the item server would hold that call up, and boxes opened inside each other stack up.
    if (m_ShowingMessage)
        return;
    if (QThread::currentThread()->loopLevel() > 1) {
        m_MessageTimer.start(50);
        return;
    }
    m_ShowingMessage = true;
    while (!m_Messages.isEmpty() && !Ending())
        Include::MsgBox(m_Messages.takeFirst());
    m_ShowingMessage = false;
}

void WindowHub::BankRestarted()
{
    PopupInfo(QCoreApplication::translate(
        "frmMain", "The item server stopped; a new one took over and goes on fetching."));
    ReloadViewerLists();
    ResetTickerList();
}

// ---- The main window ----

void WindowHub::OpenMainWindow()
{
    if (m_Main)
        m_Main->OpenMainWindow();
}

void WindowHub::SaveProfiles()
{
    if (m_Main && m_Main->Users())
        m_Main->Users()->SaveAllXML();
}

void WindowHub::PopupTickerMenu(const QPoint &at)
{
    if (m_Main)
        m_Main->mnuTicker()->popup(at);
}

// ---- Item viewers and their dialogs ----

bool WindowHub::IsViewerLoaded(const RSSChannel *channel) const
{
    return m_Viewers && m_Viewers->IsViewerLoaded(channel);
}

void WindowHub::OpenViewer(RSSChannel *channel, bool minimised)
{
    if (m_Viewers && !Ending()) // nothing opens while the program ends
        m_Viewers->OpenViewer(channel, minimised);
}

void WindowHub::SetViewerList(RSSChannel *channel, const QString &nodeList, qint32 count)
{
    if (m_Viewers)
        if (frmViewer *viewer = m_Viewers->Viewer(channel))
            viewer->SetList(nodeList, count);
}

void WindowHub::CloseViewers()
{
    if (m_Viewers)
        m_Viewers->CloseViewers();
}

void WindowHub::ReloadViewerLists()
{
    if (m_Viewers)
        m_Viewers->ReloadLists();
}

void WindowHub::ShowProperties(RSSChannel *channel)
{
    if (m_Viewers && channel)
        m_Viewers->ShowProperties(channel);
}

bool WindowHub::IsPropertiesLoaded() const
{
    return m_Viewers && m_Viewers->Properties();
}

void WindowHub::ShowPreferences()
{
    if (m_Viewers)
        m_Viewers->ShowPreferences();
}

void WindowHub::UnloadDialogs()
{
    if (m_Viewers)
        m_Viewers->UnloadDialogs();
}

// ---- The ticker ----

bool WindowHub::IsTickerLoaded() const
{
    return m_Ticker && m_Ticker->Ticker();
}

void WindowHub::ToggleTicker()
{
    if (m_Main)
        m_Main->TickerToggle();
}

void WindowHub::ShowTicker(bool on)
{
    if (m_Ticker)
        m_Ticker->Show(on);
}

void WindowHub::CloseTicker()
{
    if (m_Main)
        m_Main->CloseTicker();
    else
        ShowTicker(false);
}

void WindowHub::TickerClosed()
{
    if (m_Main)
        m_Main->TickerClosed();
}

void WindowHub::ShowTickerNewItems()
{
    if (m_Ticker && !Ending())
        m_Ticker->ShowNewItems();
}

void WindowHub::SetTickerList(const QString &nodeList)
{
    if (m_Ticker)
        if (frmTicker *ticker = m_Ticker->Ticker())
            ticker->SetList(nodeList);
}

void WindowHub::ResetTickerList()
{
    if (m_Ticker)
        if (frmTicker *ticker = m_Ticker->Ticker())
            ticker->ResetList();
}

void WindowHub::ShowTickerSettings()
{
    if (m_Ticker)
        m_Ticker->ShowSettings();
}

void WindowHub::OpenTickerItem()
{
    if (m_Ticker)
        if (frmTicker *ticker = m_Ticker->Ticker())
            ticker->OpenExtern();
}
