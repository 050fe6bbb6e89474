#pragma once

#include <QString>

class RSSChannel;
class clsProfile;

// What the subscription model asks of the windows (a channel's own bank requests go to its
// profile). The main window implements it; until a host is installed (and in tests that install
// none) every call is ignored, as calls to a missing window or profile are.
class IModelHost
{
public:
    virtual ~IModelHost() = default;

    // The main window: a channel's counts or icon changed.
    virtual void StateChange(const QString &user, RSSChannel *channel) = 0;
    // The channel's item viewer.
    virtual bool IsViewerLoaded(const RSSChannel *channel) const = 0;
    virtual void OpenViewer(RSSChannel *channel, bool minimised) = 0;
    // The main window's one-shot request to show the help channel once it has loaded.
    virtual bool TakeShowHelpRequest() = 0;
    // The ticker: loaded, and opening it on the new items.
    virtual bool IsTickerLoaded() const = 0;
    virtual void ShowTickerNewItems() = 0;
    // Item lists for the ticker and for a channel's viewer (only when loaded).
    virtual void TickerSetList(const QString &nodeList) = 0;
    virtual void ViewerSetList(RSSChannel *channel, const QString &nodeList, qint32 count) = 0;
    // The main window's current profile (nullptr when none), and its subscription command.
    virtual clsProfile *CurrentProfile() = 0;
    virtual void AddChannel(const QString &url, const QString &groupName) = 0;
    // The main window's information line, and a message box with an OK button.
    virtual void PopupInfo(const QString &text) = 0;
    virtual void ShowMessage(const QString &text) = 0;
    // The active profile's bank was made again on a fresh server (the old one went away): a
    // short notice, and open lists asked for again.
    virtual void BankRestarted() { }
    // A fetch of the channel completed and its counts were asked for: open item lists follow.
    virtual void ChannelLoaded(RSSChannel *, bool /*newItems*/) { }

    static IModelHost *Current();
    // Not owned; nullptr removes it.
    static void Install(IModelHost *host);
};
