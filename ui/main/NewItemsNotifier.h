#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QStringList>
#include <QTimer>

#include <functional>

class RSSChannel;
class clsProfile;

// Tells the desktop about new items: one notice per reload round (the channels that reload
// together), naming the channels and their first unread headlines. It goes to the desktop's
// notification service on the session bus (org.freedesktop.Notifications); its default action
// opens the first channel's viewer. The headlines are the channel's newest unread ones that no
// earlier notice named. Where no such service answers, the tray's balloon carries
// the same text instead.
//
// Switched by "PREFS"/"NOTIFY" (default on); a channel whose Notify is off is left out.
class NewItemsNotifier : public QObject
{
    Q_OBJECT

public:
    static constexpr int kSettleMs = 750; // quiet time that ends a round
    static constexpr int kLongestRoundMs = 60000; // a round ends then, even with a fetch pending
    static constexpr int kHeadlines = 6; // lines in one notice
    static constexpr int kUnreadLooked = 200; // unread headlines of a channel looked through

    // profile: the active profile (nullptr when none); balloon: the tray's balloon (title, text).
    NewItemsNotifier(std::function<clsProfile *()> profile,
        std::function<void(const QString &, const QString &)> balloon, QObject *parent = nullptr);

    static bool Enabled();
    // A fetch of the channel completed; newItems: it brought some.
    void ChannelLoaded(RSSChannel *channel, bool newItems);
    // The round so far is dropped (the profile changes, the program ends).
    void Reset();

    // Summary and body for the channels of a round (their display titles and headlines).
    static QPair<QString, QString> NoticeText(
        const QStringList &titles, const QList<QStringList> &headlines);

signals:
    // A notice went out: to the desktop's service (its id) or, when none answered, as a balloon.
    void NoticeSent(const QString &summary, const QString &body, bool balloon);
    // The user chose the notice: the channel's viewer is wanted.
    void OpenChannel(const QString &url);

private slots:
    void ActionInvoked(uint id, const QString &action);
    void NotificationClosed(uint id, uint reason);

private:
    void RoundTick();
    void Flush();
    void SendToService(const QString &summary, const QString &body, const QString &url);
    void Balloon(const QString &summary, const QString &body);

    std::function<clsProfile *()> m_Profile;
    std::function<void(const QString &, const QString &)> m_Balloon;
    QStringList m_Round; // channel addresses with new items, in the order they came
    QElapsedTimer m_RoundAge;
    QTimer m_Settle;
    QHash<uint, QString> m_Shown; // notice id -> channel address its action opens
    // Headlines already announced, per channel: a later round names the newer ones.
    QHash<QString, QSet<QString>> m_Announced;
    bool m_Listening = false;
};
