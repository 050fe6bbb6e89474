#include "clsOPML.h"

#include "ModelHost.h"
#include "ModelText.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <QTimer>
#include <QUrl>

clsOPML::clsOPML(QObject *parent) : QObject(parent) {}

clsOPML::~clsOPML() = default;

void clsOPML::LoadOPML(const QString &path)
{
    m_Path = path;
    m_Title = path;
    m_Loading = true;
    m_Parsed = false;
    QPointer<clsOPML> self(this);
    QEventLoop wait;
    QTimer deadline;
    deadline.setSingleShot(true);
    connect(&deadline, &QTimer::timeout, &wait, &QEventLoop::quit);
    auto doc = std::make_unique<xml::Document>();
    std::unique_ptr<QNetworkAccessManager> network;

    const QUrl url(path);
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https")) {
        network = std::make_unique<QNetworkAccessManager>();
        QNetworkRequest request(url);
        request.setTransferTimeout(m_WaitMs);
        QNetworkReply *reply = network->get(request);
        connect(reply, &QNetworkReply::finished, &wait, [&, reply] {
            reply->deleteLater();
            doc->loadXML(reply->error() == QNetworkReply::NoError ? reply->readAll() : QByteArray());
            DocumentComplete(doc.get());
            wait.quit();
        });
    } else {
        doc->setAsync(true);
        connect(doc.get(), &xml::Document::readyStateChange, &wait, [&](int state) {
            if (state != xml::Document::Complete)
                return;
            DocumentComplete(doc.get());
            wait.quit();
        });
        doc->load(path);
    }
    if (m_Loading) {
        deadline.start(m_WaitMs);
        wait.exec(); // the window stays usable while the document comes
    }
    if (!self)
        return;
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
    if (IModelHost *host = IModelHost::Current())
        host->PopupInfo(QStringLiteral("Error Reading OPML File !!!\r\n") + m_Title);
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
            entry.expire = ModelText::ToInt32(value);
    }
    m_Entries.append(entry);
}
