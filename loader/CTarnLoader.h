#pragma once

#include "XmlStylesheet.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>

class QNetworkAccessManager;
class QNetworkReply;
class QUrl;

// One fetch of one channel document. It asks the server for "Last-modified" with a HEAD
// request first; when that equals the stamp the caller knows, it reports NoFileChange and
// stops. Otherwise it loads the document, transforms it with the stylesheet and delivers the
// transformed text.
//
// Failures (the address cannot be fetched, the document does not parse, no stylesheet) are
// delivered as an empty text, with the reason in Error(); the bank logs it and reports a
// time-out at once instead of waiting for its fetch time-out. Redirects, HTTPS, gzip and the system
// proxy are the HTTP client's; a redirect from a web address to the machine itself or its private
// network is refused.
//
// A JSON Feed is read into the same shape as the stylesheet's output (JsonFeed) instead.
// The document is parsed and transformed on a worker thread (ChannelDocument), with at most
// kMaxEntries entries, so the bank's thread stays free and one document's memory is bounded.
class CTarnLoader : public QObject
{
    Q_OBJECT

public:
    // Documents larger than this are not read.
    static constexpr qint64 kMaxDocumentBytes = 32 * 1024 * 1024;
    // Entries (items) taken from one document: the newest; the rest are left out and logged.
    static constexpr int kMaxEntries = 1000;

    explicit CTarnLoader(QObject *parent = nullptr);
    ~CTarnLoader() override;

    // Returns at once; the outcome arrives as NoFileChange, or as DownloadComplete followed by
    // XMLReadyStateChange. sLastMod "" or "-1" means no stamp is known.
    void LoadURL(const QString &sURL, const QString &sLastMod, const QString &sXTFM);
    // Why the last document delivered was empty ("HTTP 404 Not Found", "not XML", ...).
    QString Error() const { return m_Error; }

signals:
    void DownloadComplete(const QString &sNewMod);
    void NoFileChange();
    void XMLReadyStateChange(const QByteArray &XDoc, const QString &sNewMod);

private:
    // 11: the HEAD request failed; 12: it was answered.
    void objInet_StateChange(int State);
    // Follows a redirect of reply to to, or ends the transfer.
    void CheckRedirect(QNetworkReply *reply, const QUrl &to);
    void StartDocumentLoad();
    // bytes: the document; error: why there is none that can be used; contentType: what the
    // server called it (a JSON Feed is told by it, or by its first character).
    void DocumentArrived(const QByteArray &bytes, const QString &error,
        const QByteArray &contentType = QByteArray());
    void Deliver(const QByteArray &text, const QString &error);
    static QNetworkAccessManager *Network();

    std::shared_ptr<xml::Stylesheet> m_XSL; // shared with the worker that transforms
    QString m_URL;
    QString m_LastMod;
    QString m_NewMod;
    QString m_Error;
    QPointer<QNetworkReply> m_Reply;
};
