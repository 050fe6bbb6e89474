#pragma once

#include "WindowServices.h"

#include <QPointer>

class TickerWindows;
class ViewerWindows;
class frmMain;

// The program's windows wired together: each asks the others through this, and the commands
// of a part that is not attached (or already gone) do nothing.
class WindowHub : public IWindowServices
{
public:
    void Attach(frmMain *main, ViewerWindows *viewers, TickerWindows *ticker);

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
    QPointer<frmMain> m_Main;
    QPointer<ViewerWindows> m_Viewers;
    QPointer<TickerWindows> m_Ticker;
};
