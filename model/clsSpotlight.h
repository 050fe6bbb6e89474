#pragma once

#include "CSpanClock.h"

#include <QObject>
#include <QPointer>
#include <QString>

class QNetworkAccessManager;

// Keeps the profile's "Spotlight" group in step with the vendor's directory of featured
// channels (an OPML document): checked 2.5 s after activation, then every six hours, read only
// when its "Last-modified" stamp changed. Each check reads the directory afresh; a directory
// that cannot be read changes nothing, and entries without an address are passed over.
class clsSpotlight : public QObject
{
    Q_OBJECT

public:
    static constexpr qint32 kFirstCheckMs = 2500;
    static constexpr qint32 kCheckMs = 21600000;

    explicit clsSpotlight(QObject *parent = nullptr);
    // Keeps the last stamp in the settings.
    ~clsSpotlight() override;

    void Init(const QString &profileName);
    // Checks at once.
    void LoadOPML();
    QString LastStamp() const { return m_LastStamp; }
    CSpanClock *Reloader() const { return m_Reloader; }

    // The directory's address for this process; "" turns the checks off. Defaults to the
    // vendor's.
    static QString DirectoryURL();
    static void SetDirectoryURL(const QString &url);
    // A deleted profile's last stamp leaves the settings with it.
    static void ForgetProfile(const QString &profileName);

    void m_Reloader_OnTimer();

signals:
    // In-process only: a check has ended (unchanged, read and synchronised, or not read).
    void CheckDone();

private:
    void objInet_StateChange(int state, const QString &newStamp);
    // Reads and synchronises, then takes newStamp (when not empty) as the last stamp; false,
    // and the stamp unchanged, when the directory could not be read.
    bool ReadDirectory(const QString &newStamp);

    QString m_UserName;
    QString m_LastStamp;
    QPointer<CSpanClock> m_Reloader;
    QNetworkAccessManager *m_Network = nullptr;
};
