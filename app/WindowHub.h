#pragma once

#include "ModelHost.h"
#include "WindowServices.h"

#include <QPointer>
#include <QStringList>
#include <QTimer>

class TickerWindows;
class ViewerWindows;
class frmMain;

// The program's windows wired together: each asks the others through this, and the commands
// of a part that is not attached (or already gone) do nothing. Once attached it is also the
// model's host: what channels and profiles ask of the windows comes here and goes on to the
// window concerned; nothing opens while the program ends.
class WindowHub : public IWindowServices, public IModelHost
{
public:
    WindowHub();
    ~WindowHub() override;
    void Attach(frmMain *main, ViewerWindows *viewers, TickerWindows *ticker);

    // ---- IModelHost ----
    void StateChange(const QString &user, RSSChannel *channel) override;
    bool TakeShowHelpRequest() override;
    void TickerSetList(const QString &nodeList) override;
    void ViewerSetList(RSSChannel *channel, const QString &nodeList, qint32 count) override;
    clsProfile *CurrentProfile() override;
    void AddChannel(const QString &url, const QString &groupName) override;
    void PopupInfo(const QString &text) override;
    void ShowMessage(const QString &text) override;
    void BankRestarted() override;
    void ChannelLoaded(RSSChannel *channel, bool newItems) override;

    // ---- IWindowServices ----

    void OpenMainWindow() override;
    void SaveProfiles() override;
    void PopupTickerMenu(const QPoint &at) override;

    bool IsViewerLoaded(const RSSChannel *channel) const override;
    void OpenViewer(RSSChannel *channel, bool minimised) override;
    void SetViewerList(RSSChannel *channel, const QString &nodeList, qint32 count) override;
    void CloseViewers() override;
    void ReloadViewerLists() override;
    void ShowProperties(RSSChannel *channel) override;
    bool IsPropertiesLoaded() const override;
    void ShowPreferences() override;
    void UnloadDialogs() override;

    bool IsTickerLoaded() const override;
    void ToggleTicker() override;
    void ShowTicker(bool on) override;
    void CloseTicker() override;
    void TickerClosed() override;
    void ShowTickerNewItems() override;
    void SetTickerList(const QString &nodeList) override;
    void ResetTickerList() override;
    void ShowTickerSettings() override;
    void OpenTickerItem() override;

private:
    // The program ends: nothing opens any more.
    bool Ending() const;
    void ShowQueuedMessages();

    QPointer<frmMain> m_Main;
    QPointer<ViewerWindows> m_Viewers;
    QPointer<TickerWindows> m_Ticker;
    // Messages for the user, shown one after the other.
    QStringList m_Messages;
    QTimer m_MessageTimer;
    bool m_ShowingMessage = false;
};
