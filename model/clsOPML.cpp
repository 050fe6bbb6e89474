#include "clsOPML.h"

#include "ModelHost.h"
#include "TextNumber.h"

#include <QDebug>
#include <QEventLoop>
#include <QList>
#include <QLoggingCategory>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <QTimer>
#include <QUrl>

namespace {
Q_LOGGING_CATEGORY(lcOpml, "tarnwick.opml", QtInfoMsg)

// The waits of the loads running now, innermost last.
QList<QPointer<QEventLoop>> &runningWaits()
{
    static QList<QPointer<QEventLoop>> waits;
    return waits;
}
} // namespace

clsOPML::clsOPML(QObject *parent) : QObject(parent)
{ }

void clsOPML::EndWaits()
{
    for (const QPointer<QEventLoop> &wait : std::as_const(runningWaits())) {
        if (wait)
            wait->quit();
    }
}

clsOPML::~clsOPML() = default;

void clsOPML::LoadOPML(const QString &path)
{
    m_Path = path;
    m_Title = path;
    m_Loading = true;
    m_Parsed = false;
    m_FetchError.clear();
    QPointer<clsOPML> self(this);
    // The loop and the deadline belong to this call; the document and the transfer belong to
    // the reader, so their completions (bound to the reader) never reach a reader that was
    // destroyed meanwhile, and a destroyed reader ends the wait at once.
    QEventLoop wait;
    QTimer deadline;
    deadline.setSingleShot(true);
    connect(&deadline, &QTimer::timeout, &wait, &QEventLoop::quit);
    connect(this, &QObject::destroyed, &wait, &QEventLoop::quit);
    auto *doc = new xml::Document(this);
    const quint64 load = ++m_Load;

    const QUrl url(path);
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https")) {
        auto *network = new QNetworkAccessManager(doc);
        QNetworkRequest request(url);
        request.setTransferTimeout(m_WaitMs);
        QNetworkReply *reply = network->get(request);
        connect(reply, &QNetworkReply::finished, this, [this, reply, doc, load] {
            reply->deleteLater();
            if (load != m_Load)
                return;
            m_FetchError =
                reply->error() == QNetworkReply::NoError ? QString() : reply->errorString();
            doc->loadXML(
                reply->error() == QNetworkReply::NoError ? reply->readAll() : QByteArray());
            DocumentComplete(doc);
            emit loadEnded();
        });
    } else {
        doc->setAsync(true);
        connect(doc, &xml::Document::readyStateChange, this, [this, doc, load](int state) {
            if (state != xml::Document::Complete || load != m_Load)
                return;
            DocumentComplete(doc);
            emit loadEnded();
        });
        doc->load(path);
    }
    connect(this, &clsOPML::loadEnded, &wait, &QEventLoop::quit);
    if (m_Loading) {
        deadline.start(m_WaitMs);
        runningWaits().append(&wait);
        wait.exec(); // the window stays usable while the document comes
        runningWaits().removeAll(&wait);
    }
    if (!self)
        return;
    disconnect(this, &clsOPML::loadEnded, &wait, nullptr);
    ++m_Load; // a late answer of this load finds nothing to report to
    doc->deleteLater();
    if (m_Loading) {
        m_Loading = false;
        emit FileTimout();
    } else {
        emit FileLoaded();
    }
}

void clsOPML::DocumentComplete(xml::Document *doc)
{
    if (!m_Loading)
        return;
    m_Loading = false;
    if (doc->parseError() == 0) {
        m_Parsed = true;
        Walk(doc->documentElement());
        return;
    }
    if (m_Quiet)
        qCWarning(lcOpml).noquote()
            << m_Path << "could not be read:"
            << (m_FetchError.isEmpty() ? doc->parseErrorReason() : m_FetchError);
    else if (IModelHost *host = IModelHost::Current())
        host->PopupInfo(tr("Error Reading OPML File !!!\r\n%1").arg(m_Title));
}

void clsOPML::Walk(xml::Node node)
{
    const QString name = node.nodeName().toLower();
    if (node.hasChildNodes()) {
        if (name == QLatin1String("title"))
            m_Title = node.firstChild().text();
        else
            for (xml::Node child = node.firstChild(); child; child = child.nextSibling())
                Walk(child);
    }
    if (name != QLatin1String("outline") || !node.isElement())
        return;
    // Inner outlines come first, then the one around them (a category, with no address).
    Entry entry;
    for (xmlAttr *a = node.raw()->properties; a; a = a->next) {
        const QString local = QString::fromUtf8(reinterpret_cast<const char *>(a->name)).toLower();
        const QString value = xml::Node(reinterpret_cast<xmlNode *>(a)).text();
        if (local == QLatin1String("text"))
            entry.title = value;
        else if (local == QLatin1String("xmlurl"))
            entry.url = value;
        else if (local == QLatin1String("count"))
            entry.expire = TextNumber::ToInt32(value);
    }
    m_Entries.append(entry);
}
