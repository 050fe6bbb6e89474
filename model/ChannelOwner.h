#pragma once

#include <QString>

// What a channel asks of the profile it belongs to: requests to that profile's item bank.
// The profile implements it; a channel list made without an owner (in tests) asks nothing.
class IChannelOwner
{
public:
    // Queue a fetch of the channel (with its stamp, title and expiry).
    virtual void ReloadChannel(const QString &url) = 0;
    // Ask for the channel's counts again; they come back through the channel's SetState.
    virtual void UpdateChannel(const QString &url) = 0;
    // Drop the channel's untagged items older than days.
    virtual void RemoveExpired(const QString &url, qint32 days) = 0;
    // Drop every item of an address the profile no longer has (an entry that moved).
    virtual void ForgetChannel(const QString &url) = 0;

protected:
    ~IChannelOwner() = default;
};
