#include "UpdateNotice.h"

#include "CSpanClock.h"
#include "Include.h"
#include "TextNumber.h"
#include "Vendor.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPushButton>
#include <QUrl>

UpdateNotice::UpdateNotice(QWidget *window) : QWidget(window)
{
    setObjectName(QStringLiteral("picUpgrade"));
    setAutoFillBackground(true);
    auto *banner = new QHBoxLayout(this);
    banner->setContentsMargins(6, 3, 3, 3);
    m_Text = new QLabel(tr("New Version Found:"), this);
    m_Text->setObjectName(QStringLiteral("lblUpgradeVer"));
    auto *link = new QLabel(tr("<a href=\"#\">Click here to upgrade</a>"), this);
    link->setObjectName(QStringLiteral("lblUpgradeLink"));
    link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    connect(link, &QLabel::linkActivated, this, &UpdateNotice::UpgradeChosen);
    auto *close = new QPushButton(QStringLiteral("×"), this);
    close->setObjectName(QStringLiteral("cmdCloseUpdate"));
    close->setFlat(true);
    close->setFixedWidth(24);
    close->setToolTip(tr("Hide this notice"));
    connect(close, &QPushButton::clicked, this, [this] {
        hide();
        emit Changed();
    });
    banner->addWidget(m_Text);
    banner->addWidget(link, 1);
    banner->addWidget(close);
    hide();
}

void UpdateNotice::Start()
{
    LoadPage();
    if (!m_Clock) {
        m_Clock = new CSpanClock(this);
        connect(m_Clock, &CSpanClock::OnTimer, this, [this](qint32) { LoadPage(); });
    }
    m_Clock->setInterval(kCheckMs);
    m_Clock->setEnabled(true);
}

void UpdateNotice::Stop()
{
    if (m_Clock)
        m_Clock->setEnabled(false);
}

void UpdateNotice::LoadPage()
{
    const QString address = Vendor::Address(Vendor::kUpdateCheckPage);
    if (address.isEmpty())
        return;
    if (!m_Network) {
        m_Network = new QNetworkAccessManager(this);
        connect(m_Network, &QNetworkAccessManager::finished, this, &UpdateNotice::PageArrived);
    }
    QNetworkRequest request {QUrl(address)};
    request.setAttribute(
        QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setTransferTimeout(30000);
    m_Network->get(request);
}

void UpdateNotice::PageArrived(QNetworkReply *reply)
{
    reply->deleteLater();
    // No network, no page, an error page: nothing is said.
    if (reply->error() != QNetworkReply::NoError)
        return;
    CheckText(QString::fromUtf8(reply->read(64 * 1024)));
}

void UpdateNotice::CheckText(const QString &pageText)
{
    const QString local = QStringLiteral("%1%2%3")
                              .arg(TARNWICK_VERSION_MAJOR)
                              .arg(TARNWICK_VERSION_MINOR)
                              .arg(TARNWICK_VERSION_PATCH);
    const double remote = TextNumber::LeadingValue(Include::StripTags(pageText).trimmed());
    if (local.toDouble() < remote) {
        m_Text->setText(tr("New Version Found:"));
        show();
        emit Changed();
    }
}
