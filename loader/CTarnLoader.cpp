#include "CTarnLoader.h"

#include "ChannelDocument.h"
#include "LoaderLog.h"
#include "XmlDocument.h"
#include "XmlStylesheet.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFile>
#include <QHostAddress>
#include <QHostInfo>
#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QThreadPool>
#include <QUrl>

#include <algorithm>

namespace {

constexpr int kTransferTimeOutMs = 60000;

QNetworkRequest requestFor(const QUrl &url)
{
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::UserAgentHeader,
        QStringLiteral("Tarnwick/%1").arg(QCoreApplication::applicationVersion()));
    request.setTransferTimeout(kTransferTimeOutMs);
    // Each redirect is looked at before it is followed (CTarnLoader::CheckRedirect).
    request.setAttribute(
        QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::UserVerifiedRedirectPolicy);
    return request;
}

// This machine or a private network: loopback, RFC 1918, carrier-grade NAT, link-local,
// "this network", IPv6 unique-local and link-local, and IPv4 addresses mapped into IPv6.
bool IsLocal(QHostAddress address)
{
    bool mapped = false;
    const quint32 v4 = address.toIPv4Address(&mapped);
    if (mapped || address.protocol() == QAbstractSocket::IPv4Protocol) {
        const auto in = [v4](quint32 net, int bits) {
            return (v4 >> (32 - bits)) == (net >> (32 - bits));
        };
        return in(0x7F000000, 8) || in(0x0A000000, 8) || in(0xAC100000, 12) || in(0xC0A80000, 16)
            || in(0xA9FE0000, 16) || in(0x64400000, 10) || in(0x00000000, 8);
    }
    return address.isLoopback() || address.isLinkLocal() || address.isUniqueLocalUnicast()
        || address == QHostAddress::AnyIPv6;
}

bool AnyLocal(const QHostInfo &info)
{
    const auto addresses = info.addresses();
    return std::any_of(addresses.begin(), addresses.end(), IsLocal);
}

} // namespace

CTarnLoader::CTarnLoader(QObject *parent) : QObject(parent)
{ }

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

void CTarnLoader::LoadURL(
    const QString &sURL, const QString &sLastMod, const QString &sXTFM, const QString &sETag)
{
    m_LastMod = sLastMod;
    m_URL = sURL;
    m_ETag = sETag;
    m_NewETag.clear();
    m_NewMod.clear();
    m_Error.clear();
    m_XSLPath = sXTFM;

    const QUrl url(sURL);
    const QString scheme = url.scheme().toLower();
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https")) {
        // No HEAD for files (or anything else): as if it had failed.
        QMetaObject::invokeMethod(
            this, [this] { objInet_StateChange(11); }, Qt::QueuedConnection);
        return;
    }
    QNetworkReply *reply = Network()->head(requestFor(url));
    m_Reply = reply;
    connect(reply, &QNetworkReply::redirected, this,
        [this, reply](const QUrl &to) { CheckRedirect(reply, to); });
    connect(reply, &QNetworkReply::finished, this, [this, reply] {
        reply->deleteLater();
        if (reply != m_Reply)
            return;
        m_Reply.clear();
        const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        if (status.isValid())
            m_NewMod = QString::fromLatin1(reply->rawHeader("Last-Modified"));
        qCDebug(lcFetch).noquote() << "HEAD" << m_URL << "answered"
                                   << (status.isValid() ? status.toString() : reply->errorString())
                                   << "stamp" << m_NewMod << "known" << m_LastMod;
        objInet_StateChange(status.isValid() ? 12 : 11);
    });
}

void CTarnLoader::CheckRedirect(QNetworkReply *reply, const QUrl &to)
{
    // A feed on the web must not lead the fetcher to this machine or its private network (a
    // redirect to another port on the loopback would call local services); nor from https to
    // anything less. Feeds the user subscribed to on such addresses themselves redirect freely.
    const QUrl from(m_URL);
    const QString scheme = to.scheme().toLower();
    const bool web = scheme == QLatin1String("http") || scheme == QLatin1String("https");
    if (!web
        || (from.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0
            && scheme != QLatin1String("https"))) {
        qCWarning(lcFetch).noquote()
            << "not following the redirect of" << m_URL << "to" << to.toString();
        m_Error = QStringLiteral("a redirect to %1 was refused").arg(to.toString());
        reply->abort();
        return;
    }
    const QPointer<QNetworkReply> guarded(reply);
    const QString target = to.host();
    const QString url = m_URL;
    QHostInfo::lookupHost(
        from.host(), this, [this, guarded, target, to, url](const QHostInfo &origin) {
            if (AnyLocal(origin)) {
                if (guarded)
                    emit guarded->redirectAllowed();
                return;
            }
            QHostInfo::lookupHost(target, this, [this, guarded, to, url](const QHostInfo &next) {
                if (!guarded)
                    return;
                if (AnyLocal(next)) {
                    qCWarning(lcFetch).noquote() << "not following the redirect of" << url << "to"
                                                 << to.toString() << "(a local address)";
                    m_Error = QStringLiteral("a redirect to a local address (%1) was refused")
                                  .arg(to.toString());
                    guarded->abort();
                    return;
                }
                emit guarded->redirectAllowed();
            });
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
        QString error;
        if (!file.open(QIODevice::ReadOnly))
            error = file.errorString();
        else if (file.size() > kMaxDocumentBytes)
            error = QStringLiteral("larger than %1 MiB").arg(kMaxDocumentBytes >> 20);
        const QByteArray bytes = error.isEmpty() ? file.read(kMaxDocumentBytes) : QByteArray();
        QMetaObject::invokeMethod(
            this, [this, bytes, error] { DocumentArrived(bytes, error); }, Qt::QueuedConnection);
        return;
    }
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https")) {
        const QString error = QStringLiteral("not a web address or a file");
        QMetaObject::invokeMethod(
            this, [this, error] { DocumentArrived({}, error); }, Qt::QueuedConnection);
        return;
    }
    QNetworkRequest request = requestFor(url);
    // Validators are header values: one that could split the request is not sent.
    const auto headerSafe = [](const QString &v) {
        return !v.isEmpty() && !v.contains(QLatin1Char('\r')) && !v.contains(QLatin1Char('\n'));
    };
    const bool knownStamp = m_LastMod != QLatin1String("-1") && headerSafe(m_LastMod);
    const bool knownTag = headerSafe(m_ETag);
    if (knownTag)
        request.setRawHeader("If-None-Match", m_ETag.toLatin1());
    if (knownStamp)
        request.setRawHeader("If-Modified-Since", m_LastMod.toLatin1());
    const bool conditional = knownTag || knownStamp;
    QNetworkReply *reply = Network()->get(request);
    m_Reply = reply;
    connect(reply, &QNetworkReply::redirected, this,
        [this, reply](const QUrl &to) { CheckRedirect(reply, to); });
    qCDebug(lcFetch).noquote() << "GET" << m_URL << "entity tag" << m_ETag;
    connect(reply, &QNetworkReply::downloadProgress, this,
        [this, reply](qint64 received, qint64 total) {
            if (received > kMaxDocumentBytes || total > kMaxDocumentBytes) {
                m_Error = QStringLiteral("larger than %1 MiB").arg(kMaxDocumentBytes >> 20);
                reply->abort(); // far larger than any channel: not read
            }
        });
    connect(reply, &QNetworkReply::finished, this, [this, reply, conditional] {
        reply->deleteLater();
        if (reply != m_Reply)
            return;
        m_Reply.clear();
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (conditional && status == 304 && m_Error.isEmpty()) {
            qCDebug(lcFetch).noquote() << m_URL << "not modified";
            emit NoFileChange();
            return;
        }
        if (reply->error() == QNetworkReply::NoError && status != 304) {
            m_NewETag = QString::fromLatin1(reply->rawHeader("ETag")).trimmed();
            if (m_NewETag.size() > kMaxETagChars)
                m_NewETag.clear(); // no real entity tag is this long: not kept, not sent
            if (m_NewMod.isEmpty())
                m_NewMod = QString::fromLatin1(reply->rawHeader("Last-Modified")).trimmed();
        }
        QString error;
        if (status == 304)
            error = QStringLiteral("HTTP 304 without a condition");
        else if (reply->error() != QNetworkReply::NoError) {
            const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
            if (!m_Error.isEmpty())
                error = m_Error; // ended here: too large, or a refused redirect
            else if (status.isValid() && status.toInt() >= 400)
                error = QStringLiteral("HTTP %1 %2")
                            .arg(status.toInt())
                            .arg(reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute)
                                     .toString());
            else
                error = reply->errorString();
        }
        DocumentArrived(error.isEmpty() ? reply->readAll() : QByteArray(), error,
            reply->rawHeader("Content-Type"));
    });
}

void CTarnLoader::DocumentArrived(
    const QByteArray &bytes, const QString &error, const QByteArray &contentType)
{
    if (!error.isEmpty()) {
        Deliver(QByteArray(), error);
        return;
    }
    // Parsed and transformed away from the bank's thread; the result comes back through the
    // event loop, to this loader if it is still there. The stylesheet is looked up there too:
    // compiling it (when it is new or has changed) keeps the bank's thread waiting otherwise.
    const QPointer<CTarnLoader> self(this);
    const QString url = m_URL;
    const QString xslPath = m_XSLPath;
    QThreadPool::globalInstance()->start([self, bytes, url, contentType, xslPath] {
        QString why;
        const std::shared_ptr<const xml::Stylesheet> stylesheet =
            xml::Stylesheet::shared(xslPath, &why);
        ChannelDocument::Prepared prepared;
        if (!stylesheet) {
            prepared.error = QStringLiteral("no channel stylesheet");
            if (!why.isEmpty())
                prepared.error += QStringLiteral(" (%1)").arg(why);
        } else if (bytes.isEmpty()) {
            prepared.error = QStringLiteral("an empty document");
        } else {
            prepared = ChannelDocument::Prepare(bytes, *stylesheet, kMaxEntries, contentType);
        }
        if (prepared.dropped > 0)
            qCWarning(lcFetch).noquote()
                << url << "holds" << prepared.entries << "entries; the oldest" << prepared.dropped
                << "were left out";
        const QByteArray text = prepared.ok ? prepared.text : QByteArray();
        const QString error = prepared.error;
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, text, error] {
                if (self)
                    self->Deliver(text, error);
            },
            Qt::QueuedConnection);
    });
}

void CTarnLoader::Deliver(const QByteArray &text, const QString &error)
{
    m_Error = text.isEmpty() ? error : QString();
    qCDebug(lcFetch).noquote() << m_URL << "delivered" << text.size() << "bytes" << m_Error;
    emit XMLReadyStateChange(text, m_NewMod);
}
