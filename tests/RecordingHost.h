#pragma once

// An IModelHost for tests: records what the model asks of the windows. As a channel list's
// owner it records the bank requests too, and forwards them to a profile when one is set.
#include "ChannelOwner.h"
#include "ModelHost.h"
#include "RSSChannel.h"
#include "clsProfile.h"

#include <QPointer>
#include <QSet>
#include <QStringList>

#include <utility>

struct RecordingHost : IModelHost, IChannelOwner
{
    QStringList reloads, recounts, expired, forgotten, states, popups, messages, added;
    QSet<const RSSChannel *> openViewers;
    bool helpRequest = false;
    int tickerShown = 0;
    QPointer<clsProfile> profile; // the current profile, when set

    // Only loopback and local files are fetched: the vendor's web channels are not.
    void ReloadChannel(const QString &url) override
    {
        reloads << url;
        if (profile && (url.startsWith("http://127.0.0.1") || url.startsWith("file:")))
            profile->ReloadChannel(url);
    }
    void UpdateChannel(const QString &url) override
    {
        recounts << url;
        if (profile)
            profile->UpdateChannel(url);
    }
    void RemoveExpired(const QString &url, qint32 days) override
    {
        expired << url + " " + QString::number(days);
        if (profile)
            profile->RemoveExpired(url, days);
    }
    void ForgetChannel(const QString &url) override
    {
        forgotten << url;
        if (profile)
            profile->ForgetChannel(url);
    }
    void StateChange(const QString &user, RSSChannel *c) override
    {
        states << user + " " + c->GetImage();
    }
    bool IsViewerLoaded(const RSSChannel *c) const override { return openViewers.contains(c); }
    void OpenViewer(RSSChannel *c, bool) override { openViewers.insert(c); }
    bool TakeShowHelpRequest() override { return std::exchange(helpRequest, false); }
    bool tickerLoaded = false;
    QStringList tickerLists;
    bool IsTickerLoaded() const override { return tickerLoaded; }
    void ShowTickerNewItems() override { ++tickerShown; }
    void TickerSetList(const QString &list) override { tickerLists << list; }
    void ViewerSetList(RSSChannel *, const QString &, qint32) override { }
    clsProfile *CurrentProfile() override { return profile; }
    void AddChannel(const QString &url, const QString &group) override
    {
        added << group + " " + url;
        if (profile)
            profile->AddChannel(url, group);
    }
    void PopupInfo(const QString &text) override { popups << text; }
    void ShowMessage(const QString &text) override { messages << text; }
    int restarts = 0;
    void BankRestarted() override { ++restarts; }
};
