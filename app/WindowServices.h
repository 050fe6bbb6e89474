#pragma once

#include <QtGlobal>

class QPoint;
class QString;
class RSSChannel;

// What one window asks of the others. The program's entry point makes the main window, the
// viewers and the ticker and wires them through one object that implements this; each window
// is handed it when it is made, so no window reaches another through a global. A part that is
// not there (a test without a ticker) makes its commands do nothing.
class IWindowServices
{
public:
    // ---- The main window ----
    // Restores, shows and raises it (the tray menu's Open).
    virtual void OpenMainWindow() = 0;
    // Every profile's documents written now, not only at the next save.
    virtual void SaveProfiles() = 0;
    // The ticker's menu at a point of the screen.
    virtual void PopupTickerMenu(const QPoint &at) = 0;

    // ---- Item viewers and their dialogs ----
    virtual bool IsViewerLoaded(const RSSChannel *channel) const = 0;
    // Opens (or raises) the channel's viewer and asks for its list.
    virtual void OpenViewer(RSSChannel *channel, bool minimised) = 0;
    virtual void SetViewerList(RSSChannel *channel, const QString &nodeList, qint32 count) = 0;
    virtual void CloseViewers() = 0;
    // Each open viewer asks for its list again.
    virtual void ReloadViewerLists() = 0;
    virtual void ShowProperties(RSSChannel *channel) = 0;
    virtual bool IsPropertiesLoaded() const = 0;
    virtual void ShowPreferences() = 0;
    virtual void UnloadDialogs() = 0;

    // ---- The ticker ----
    virtual bool IsTickerLoaded() const = 0;
    // Opens or closes it, as its menu items do (the menus follow).
    virtual void ToggleTicker() = 0;
    virtual void ShowTicker(bool on) = 0;
    // The ticker menu's "Close Ticker Bar": closed, and not opened at the next start.
    virtual void CloseTicker() = 0;
    // The ticker closed itself (its button, the end of a new-items run): the menus follow.
    virtual void TickerClosed() = 0;
    virtual void ShowTickerNewItems() = 0;
    virtual void SetTickerList(const QString &nodeList) = 0;
    // The ticker starts a fresh list.
    virtual void ResetTickerList() = 0;
    virtual void ShowTickerSettings() = 0;
    // The ticker menu's "Open Item in Browser".
    virtual void OpenTickerItem() = 0;

protected:
    ~IWindowServices() = default;
};
