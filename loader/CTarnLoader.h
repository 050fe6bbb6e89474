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
// The document's GET is conditional: it carries the entity tag the caller knows
// (If-None-Match) and the stamp (If-Modified-Since). A server that answers 304 Not Modified has
// not changed the document: that is reported as NoFileChange too, as an equal HEAD stamp is.
// Many servers send an entity tag and no "Last-modified"; for them only this saves the
// transfer. The entity tag and "Last-modified" the server sends with a document are kept in
// ETag() and in the delivered stamp (the HEAD's stamp first, the document's where the HEAD
// gave none).
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
// The stylesheet is the compiled one the process shares (xml::Stylesheet::shared), looked up
// only then: a fetch that ends in NoFileChange neither reads nor compiles it.
class CTarnLoader : public QObject
{
    Q_OBJECT

public:
    // Documents larger than this are not read.
    static constexpr qint64 kMaxDocumentBytes = 32 * 1024 * 1024;
    // Entries (items) taken from one document: the newest; the rest are left out and logged.
    static constexpr int kMaxEntries = 1000;
    // Entity tags longer than this are not kept.
    static constexpr int kMaxETagChars = 1024;

    explicit CTarnLoader(QObject *parent = nullptr);
    ~CTarnLoader() override;

    // Returns at once; the outcome arrives as NoFileChange, or as DownloadComplete followed by
    // XMLReadyStateChange. sLastMod "" or "-1" means no stamp is known; sETag "" that no entity
    // tag is known.
    void LoadURL(const QString &sURL, const QString &sLastMod, const QString &sXTFM,
        const QString &sETag = QString());
    // The entity tag the server sent with the delivered document ("" when it sent none).
    QString ETag() const { return m_NewETag; }
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

    QString m_XSLPath; // the channel stylesheet, compiled when a document is to be prepared
    QString m_URL;
    QString m_LastMod;
    QString m_NewMod;
    QString m_ETag; // known to the caller
    QString m_NewETag; // sent with the document
    QString m_Error;
    QPointer<QNetworkReply> m_Reply;
};
