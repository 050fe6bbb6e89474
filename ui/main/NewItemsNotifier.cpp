#include "NewItemsNotifier.h"

#include "Include.h"
#include "RSSChannel.h"
#include "clsProfile.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
constexpr int kCallTimeoutMs = 5000;

} // namespace

NewItemsNotifier::NewItemsNotifier(std::function<clsProfile *()> profile,
    std::function<void(const QString &, const QString &)> balloon, QObject *parent)
    : QObject(parent), m_Profile(std::move(profile)), m_Balloon(std::move(balloon))
{
    m_Settle.setSingleShot(true);
    m_Settle.setInterval(kSettleMs);
    connect(&m_Settle, &QTimer::timeout, this, &NewItemsNotifier::RoundTick);
}

bool NewItemsNotifier::Enabled()
{
    return Include::Settings().GetBool(QStringLiteral("PREFS"), QStringLiteral("NOTIFY"), true);
}

void NewItemsNotifier::ChannelLoaded(RSSChannel *channel, bool newItems)
{
    if (newItems && channel && channel->Notify && Enabled()
        && !Include::IsVirtualURL(channel->URL())
        && channel->URL() != Include::VendorHelpURL()) { // the program's own help
        if (m_Round.isEmpty())
            m_RoundAge.start();
        if (!m_Round.contains(channel->URL()))
            m_Round << channel->URL();
    }
    if (!m_Round.isEmpty())
        m_Settle.start(); // the round ends once fetches have been quiet a moment
}

void NewItemsNotifier::Reset()
{
    m_Round.clear();
    m_Announced.clear();
    m_Settle.stop();
}

void NewItemsNotifier::RoundTick()
{
    // Channels still fetching belong to this round: wait for them, within reason.
    clsProfile *profile = m_Profile ? m_Profile() : nullptr;
    if (profile && profile->Channels() && m_RoundAge.elapsed() < kLongestRoundMs) {
        for (int i = 1; i <= profile->ChannelCount(); ++i) {
            const RSSChannel *channel = profile->Channels()->GetChannel(i);
            if (channel && channel->IsReloading()) {
                m_Settle.start();
                return;
            }
        }
    }
    Flush();
}

QPair<QString, QString> NewItemsNotifier::NoticeText(
    const QStringList &titles, const QList<QStringList> &headlines)
{
    QStringList named = titles.mid(0, 3);
    QString summary = QCoreApplication::translate("NewItemsNotifier", "New items in %1")
                          .arg(named.join(QStringLiteral(", ")));
    if (titles.size() > named.size())
        summary = QCoreApplication::translate("NewItemsNotifier", "New items in %1 and %2 more")
                      .arg(named.join(QStringLiteral(", ")))
                      .arg(titles.size() - named.size());
    // Headlines taken from each channel in turn, so that every channel gets a line.
    QStringList lines;
    for (int round = 0; lines.size() < kHeadlines; ++round) {
        bool any = false;
        for (int c = 0; c < titles.size() && lines.size() < kHeadlines; ++c) {
            if (round < headlines.value(c).size()) {
                any = true;
                lines << titles.at(c) + QStringLiteral(": ") + headlines.at(c).at(round);
            }
        }
        if (!any)
            break;
    }
    return {summary, lines.join(QLatin1Char('\n'))};
}

void NewItemsNotifier::Flush()
{
    const QStringList round = std::exchange(m_Round, {});
    clsProfile *profile = m_Profile ? m_Profile() : nullptr;
    if (round.isEmpty() || !profile || !Enabled())
        return;
    QStringList titles, urls;
    QList<QStringList> headlines;
    for (const QString &url : round) {
        RSSChannel *channel = profile->GetChannel(url);
        if (!channel || !channel->Notify) // removed or switched off meanwhile
            continue;
        const QStringList unread = profile->UnreadHeadlines(url, kUnreadLooked);
        if (unread.isEmpty()) // read already
            continue;
        QSet<QString> &announced = m_Announced[url];
        QStringList lines;
        for (const QString &title : unread)
            if (!announced.contains(title) && lines.size() < kHeadlines)
                lines << title;
        if (lines.isEmpty()) // new items under titles named before
            lines = unread.mid(0, kHeadlines);
        // What is still unread stays known as named; what was read is forgotten.
        announced.intersect(QSet<QString>(unread.cbegin(), unread.cend()));
        for (const QString &title : std::as_const(lines))
            announced.insert(title);
        urls << url;
        titles << (channel->customTitle().isEmpty() ? url : channel->customTitle());
        headlines << lines;
    }
    if (urls.isEmpty())
        return;
    const auto [summary, body] = NoticeText(titles, headlines);
    SendToService(summary, body, urls.first());
}

void NewItemsNotifier::SendToService(
    const QString &summary, const QString &body, const QString &url)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        Balloon(summary, body);
        return;
    }
    if (!m_Listening) {
        m_Listening = bus.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"),
            this, SLOT(ActionInvoked(uint, QString)));
        bus.connect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), this,
            SLOT(NotificationClosed(uint, uint)));
    }
    // What the service can do decides on markup and the action; no answer means no service.
    const QDBusMessage ask = QDBusMessage::createMethodCall(
        kService, kPath, kInterface, QStringLiteral("GetCapabilities"));
    auto *asked = new QDBusPendingCallWatcher(bus.asyncCall(ask, kCallTimeoutMs), this);
    connect(asked, &QDBusPendingCallWatcher::finished, this,
        [this, summary, body, url](QDBusPendingCallWatcher *w) {
            w->deleteLater();
            const QDBusPendingReply<QStringList> capabilities = *w;
            if (capabilities.isError()) {
                Balloon(summary, body);
                return;
            }
            const bool markup = capabilities.value().contains(QLatin1String("body-markup"));
            QDBusMessage notify = QDBusMessage::createMethodCall(
                kService, kPath, kInterface, QStringLiteral("Notify"));
            QVariantMap hints;
            hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("tarnwick"));
            hints.insert(QStringLiteral("category"), QStringLiteral("transfer.complete"));
            notify << QStringLiteral("Tarnwick") << uint(0) << QStringLiteral("tarnwick") << summary
                   << (markup ? body.toHtmlEscaped() : body)
                   << QStringList {QStringLiteral("default"),
                          QCoreApplication::translate("NewItemsNotifier", "Open")}
                   << hints << int(-1);
            auto *sent = new QDBusPendingCallWatcher(
                QDBusConnection::sessionBus().asyncCall(notify, kCallTimeoutMs), this);
            connect(sent, &QDBusPendingCallWatcher::finished, this,
                [this, summary, body, url](QDBusPendingCallWatcher *n) {
                    n->deleteLater();
                    const QDBusPendingReply<uint> id = *n;
                    if (id.isError()) {
                        Balloon(summary, body);
                        return;
                    }
                    if (m_Shown.size() >= 64) // a service that never says a notice closed
                        m_Shown.clear();
                    m_Shown.insert(id.value(), url);
                    emit NoticeSent(summary, body, false);
                });
        });
}

void NewItemsNotifier::Balloon(const QString &summary, const QString &body)
{
    if (m_Balloon)
        m_Balloon(summary, body);
    emit NoticeSent(summary, body, true);
}

void NewItemsNotifier::ActionInvoked(uint id, const QString &action)
{
    const auto it = m_Shown.constFind(id);
    if (it == m_Shown.constEnd())
        return; // another program's notice
    const QString url = *it;
    if (action == QLatin1String("default"))
        emit OpenChannel(url);
}

void NewItemsNotifier::NotificationClosed(uint id, uint)
{
    m_Shown.remove(id);
}
