#include "CTarnLoader.h"

#include "ChannelDocument.h"
#include "XmlDocument.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QThreadPool>
#include <QUrl>

namespace {

constexpr int kTransferTimeOutMs = 60000;

QNetworkRequest requestFor(const QUrl &url)
{
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::UserAgentHeader,
                      QStringLiteral("Tarnwick/%1").arg(QCoreApplication::applicationVersion()));
    request.setTransferTimeout(kTransferTimeOutMs);
    return request;
}

} // namespace

CTarnLoader::CTarnLoader(QObject *parent) : QObject(parent) {}

CTarnLoader::~CTarnLoader()
{
    // The transfer ends with the loader: its handlers must not go on (an aborted HEAD would
    // otherwise start a GET that nothing owns).
    if (QNetworkReply *reply = m_Reply.data()) {
        m_Reply.clear();
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
}

QNetworkAccessManager *CTarnLoader::Network()
{
    // One client per process, living as long as the application object.
    static QPointer<QNetworkAccessManager> network;
    if (!network) {
        QNetworkProxyFactory::setUseSystemConfiguration(true);
        network = new QNetworkAccessManager(QCoreApplication::instance());
    }
    return network;
}

void CTarnLoader::LoadURL(const QString &sURL, const QString &sLastMod, const QString &sXTFM)
{
    m_LastMod = sLastMod;
    m_URL = sURL;
    m_NewMod.clear();
    m_XSL = xml::Stylesheet::fromFile(sXTFM);

    const QUrl url(sURL);
    const QString scheme = url.scheme().toLower();
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https")) {
        // No HEAD for files (or anything else): as if it had failed.
        QMetaObject::invokeMethod(this, [this] { objInet_StateChange(11); }, Qt::QueuedConnection);
        return;
    }
    QNetworkReply *reply = Network()->head(requestFor(url));
    m_Reply = reply;
    connect(reply, &QNetworkReply::finished, this, [this, reply] {
        reply->deleteLater();
        if (reply != m_Reply)
            return;
        m_Reply.clear();
        const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        if (status.isValid())
            m_NewMod = QString::fromLatin1(reply->rawHeader("Last-Modified"));
        objInet_StateChange(status.isValid() ? 12 : 11);
    });
}

void CTarnLoader::objInet_StateChange(int State)
{
    if (State == 12 && !m_LastMod.isEmpty() && m_LastMod != QLatin1String("-1")
        && !m_NewMod.isEmpty() && m_NewMod == m_LastMod) {
        emit NoFileChange();
        return;
    }
    if (State == 11 || State == 12)
        StartDocumentLoad();
}

void CTarnLoader::StartDocumentLoad()
{
    emit DownloadComplete(m_NewMod);
    const QUrl url(m_URL);
    const QString scheme = url.scheme().toLower();
    if (url.isLocalFile() || scheme.isEmpty()) {
        QFile file(url.isLocalFile() ? url.toLocalFile() : m_URL);
        const bool readable = file.open(QIODevice::ReadOnly) && file.size() <= kMaxDocumentBytes;
        const QByteArray bytes = readable ? file.read(kMaxDocumentBytes) : QByteArray();
        QMetaObject::invokeMethod(
            this, [this, bytes, readable] { DocumentArrived(bytes, readable); },
            Qt::QueuedConnection);
        return;
    }
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https")) {
        QMetaObject::invokeMethod(
            this, [this] { DocumentArrived({}, false); }, Qt::QueuedConnection);
        return;
    }
    QNetworkReply *reply = Network()->get(requestFor(url));
    m_Reply = reply;
    connect(reply, &QNetworkReply::downloadProgress, this, [reply](qint64 received, qint64 total) {
        if (received > kMaxDocumentBytes || total > kMaxDocumentBytes)
            reply->abort(); // far larger than any channel: not read
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply] {
        reply->deleteLater();
        if (reply != m_Reply)
            return;
        m_Reply.clear();
        const bool ok = reply->error() == QNetworkReply::NoError;
        DocumentArrived(ok ? reply->readAll() : QByteArray(), ok);
    });
}

void CTarnLoader::DocumentArrived(const QByteArray &bytes, bool ok)
{
    if (!ok || !m_XSL || bytes.isEmpty()) {
        Deliver(QByteArray());
        return;
    }
    // Parsed and transformed away from the bank's thread; the result comes back through the
    // event loop, to this loader if it is still there.
    const QPointer<CTarnLoader> self(this);
    const std::shared_ptr<xml::Stylesheet> stylesheet = m_XSL;
    const QString url = m_URL;
    QThreadPool::globalInstance()->start([self, stylesheet, bytes, url] {
        const ChannelDocument::Prepared prepared =
            ChannelDocument::Prepare(bytes, *stylesheet, kMaxEntries);
        if (prepared.dropped > 0)
            qWarning().noquote() << url << "holds" << prepared.entries << "entries; the oldest"
                                 << prepared.dropped << "were left out";
        const QByteArray text = prepared.ok ? prepared.text : QByteArray();
        QMetaObject::invokeMethod(QCoreApplication::instance(), [self, text] {
            if (self)
                self->Deliver(text);
        }, Qt::QueuedConnection);
    });
}

void CTarnLoader::Deliver(const QByteArray &text)
{
    emit XMLReadyStateChange(text, m_NewMod);
}
