#include "clsSpotlight.h"

#include "Include.h"
#include "ModelHost.h"
#include "Vendor.h"
#include "clsOPML.h"
#include "clsProfile.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>

namespace {
QString &directory()
{
    static QString url = Vendor::Address(Vendor::kFeaturedDirectory);
    return url;
}
QString settingKey(const QString &user)
{
    return user + QStringLiteral("_lastmod");
}
} // namespace

QString clsSpotlight::DirectoryURL()
{
    return directory();
}

void clsSpotlight::ForgetProfile(const QString &profileName)
{
    Include::Settings().DeleteSetting(QStringLiteral("Spotlight"), settingKey(profileName));
}

void clsSpotlight::SetDirectoryURL(const QString &url)
{
    directory() = url;
}

clsSpotlight::clsSpotlight(QObject *parent)
    : QObject(parent), m_Reloader(new CSpanClock(this)), m_Network(new QNetworkAccessManager(this))
{
    connect(m_Reloader, &CSpanClock::OnTimer, this, &clsSpotlight::m_Reloader_OnTimer);
}

clsSpotlight::~clsSpotlight()
{
    if (!m_UserName.isEmpty())
        Include::Settings().SaveSetting(
            QStringLiteral("Spotlight"), settingKey(m_UserName), m_LastStamp);
    if (m_Reloader)
        m_Reloader->setEnabled(false);
}

void clsSpotlight::Init(const QString &profileName)
{
    m_UserName = profileName;
    m_Reloader->setInterval(kFirstCheckMs);
    m_Reloader->setEnabled(true);
    m_LastStamp = Include::Settings().GetSetting(
        QStringLiteral("Spotlight"), settingKey(profileName), QString());
}

void clsSpotlight::LoadOPML()
{
    m_Reloader_OnTimer();
}

void clsSpotlight::m_Reloader_OnTimer()
{
    if (m_Reloader->Interval() != kCheckMs)
        m_Reloader->setInterval(kCheckMs);
    const QUrl url(DirectoryURL());
    if (DirectoryURL().isEmpty() || !url.isValid()) {
        emit CheckDone();
        return;
    }
    QNetworkRequest request(url);
    request.setTransferTimeout(clsOPML::kWaitMs);
    QNetworkReply *reply = m_Network->head(request);
    connect(reply, &QNetworkReply::finished, this, [this, reply] {
        reply->deleteLater();
        const bool answered = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid();
        objInet_StateChange(answered ? 12 : 11,
            answered ? QString::fromLatin1(reply->rawHeader("Last-Modified")) : QString());
    });
}

void clsSpotlight::objInet_StateChange(int state, const QString &newStamp)
{
    if (state == 11) {
        ReadDirectory(QString());
    } else if (state == 12) {
        const bool unchanged =
            !newStamp.isEmpty() && newStamp == m_LastStamp && m_LastStamp != QLatin1String("-1");
        if (!unchanged) {
            // The new stamp is kept only once the directory has been read, so a read that
            // failed is tried again at the next check instead of being taken for unchanged.
            ReadDirectory(newStamp);
            return;
        }
    }
    emit CheckDone();
}

bool clsSpotlight::ReadDirectory(const QString &newStamp)
{
    QPointer<clsSpotlight> self(this);
    clsOPML reader;
    reader.SetQuiet(true); // a directory out of reach is no news to the user
    reader.LoadOPML(DirectoryURL()); // the event loop runs meanwhile
    if (!self)
        return false;
    IModelHost *host = IModelHost::Current();
    clsProfile *profile = host ? host->CurrentProfile() : nullptr;
    RSSGroup *spotlight = profile ? profile->GetGroup(QStringLiteral("Spotlight")) : nullptr;
    if (!reader.Parsed() || !spotlight) {
        emit CheckDone();
        return false;
    }
    auto inDirectory = [&](const QString &url) {
        for (int i = reader.GetCount() - 1; i >= 0; --i) {
            if (reader.GetURL(i) == url)
                return true;
        }
        return false;
    };
    for (int i = spotlight->ChannelCount() - 1; i >= 0; --i) {
        const QString url = spotlight->ChannelURL(i);
        if (inDirectory(url))
            continue;
        profile->DeleteChannel(QStringLiteral("Spotlight"), url);
        if (!profile->IsInGroup(url))
            profile->RemoveChannel(url);
    }
    for (int i = reader.GetCount() - 1; i >= 0; --i) {
        if (!reader.GetURL(i).isEmpty())
            host->AddChannel(reader.GetURL(i), QStringLiteral("Spotlight"));
    }
    if (!newStamp.isEmpty())
        m_LastStamp = newStamp;
    emit CheckDone();
    return true;
}
