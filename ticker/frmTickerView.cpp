#include "frmTickerView.h"

#include "Include.h"
#include "SkinPainter.h"
#include "SkinWindows.h"
#include "Vendor.h"
#include "ViewerLogic.h"
#include "WindowHelpers.h"
#include "WindowServices.h"
#include "XmlStylesheet.h"
#include "frmTarnSkin.h"
#include "frmTicker.h"
#include "modItemHandler.h"

#include <QCloseEvent>
#include <QCursor>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPainter>
#include <QSaveFile>
#include <QScreen>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineSettings>
#include <QWebEngineView>

namespace {

bool Pref(const char *key)
{
    return Include::Settings().GetBool(QStringLiteral("PREFS"), QLatin1String(key), false);
}

} // namespace

// Only the preview's own page loads; other addresses go to the user's browser.
class TickerViewPage : public QWebEnginePage
{
public:
    using QWebEnginePage::QWebEnginePage;
    QUrl pageAddress;

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType, bool isMainFrame) override
    {
        const QString text = url.toString();
        if (!isMainFrame || url == pageAddress || text.size() <= 10
            || text.startsWith(QLatin1String("res://")))
            return url == pageAddress || !isMainFrame;
        Include::OpenURL(text);
        return false;
    }
    void javaScriptConsoleMessage(
        JavaScriptConsoleMessageLevel, const QString &, int, const QString &) override
    { }
};

frmTickerView::frmTickerView(frmTicker *ticker)
    : SkinnedFrame(kKind, nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      m_Ticker(ticker)
{
    setObjectName(QStringLiteral("frmTickerView"));
    setWindowTitle(QStringLiteral("Tarnwick"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedOutline();
    m_Web = new QWebEngineView(this);
    m_Web->setObjectName(QStringLiteral("webView"));
    m_Page = new TickerViewPage(m_Web);
    m_Web->setPage(m_Page);
    QWebEngineSettings *settings = m_Page->settings();
    // The page is one feed item: no script runs in it and it reaches no other file.
    settings->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    m_Web->setContextMenuPolicy(Qt::NoContextMenu);
    m_Web->hide();
    connect(m_Page, &QWebEnginePage::loadFinished, this, &frmTickerView::webView_LoadFinished);
    tmrIEShowHide.setInterval(20);
    connect(&tmrIEShowHide, &QTimer::timeout, this, &frmTickerView::tmrIEShowHide_Timer);

    // Two thirds of the screen wide, a sixth of it from the left, unless a place was kept.
    const QScreen *screen =
        ticker && ticker->screen() ? ticker->screen() : QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    const int below = ticker ? ticker->geometry().bottom() + 1 : area.top();
    setGeometry(
        area.left() + area.width() / 6, qMax(area.top(), below), area.width() * 2 / 3, kMinHeight);
    Include::LoadFormState(this, QStringLiteral("TICKER_VIEW"));
}

frmTickerView::~frmTickerView()
{
    frmTarnSkin::Instance().ForgetOwner(this);
}

xml::Node frmTickerView::Item() const
{
    return m_Item ? m_Item->documentElement().firstChild() : xml::Node();
}

void frmTickerView::ShowItem(xml::Node item)
{
    frmTarnSkin &skin = frmTarnSkin::Instance();
    const QString folder = QFileInfo(skin.XslTicker).absolutePath();
    m_PagePath = folder + QStringLiteral("/tck_tmp.html");
    modItemHandler::SetItemRead(item, true);
    m_Item = std::make_unique<xml::Document>();
    xml::Node root = m_Item->setDocumentElement(m_Item->createElement("channel"));
    root.appendChild(item.cloneInto(*m_Item, true));
    // The item's markup is untrusted, as in the viewer.
    ViewerLogic::SanitizeItem(Item());
    if (!skin.TickerStylesheet())
        skin.GetXSLTicker();
    const xml::Stylesheet *stylesheet = skin.TickerStylesheet();
    const std::optional<QByteArray> html =
        stylesheet ? stylesheet->transformToText(*m_Item) : std::nullopt;
    if (!html)
        return;
    const ViewerLogic::TidyResult tidy = ViewerLogic::TidyPage(QString::fromUtf8(*html),
        Include::AppPath() + QStringLiteral("/default.tidy"), folder + QStringLiteral("/err.tidy"));
    QSaveFile file(m_PagePath);
    const QByteArray page = tidy.text.toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(page) != page.size() || !file.commit())
        return;
    m_Page->pageAddress = QUrl::fromLocalFile(m_PagePath);
    m_Web->load(m_Page->pageAddress);
    m_Animate = Pref("ANIMATE");
    m_Hiding = false;
    show();
    Include::SetOnTop(this, true);
    tmrIEShowHide.start();
    Layout();
    Include::PlayDrop();
}

void frmTickerView::HideItem()
{
    m_Hiding = true;
    m_Item.reset();
    tmrIEShowHide.start();
    Include::PlayLift();
}

void frmTickerView::webView_LoadFinished(bool ok)
{
    if (!ok)
        return;
    // Measured from the program's own script world, which runs while the page's may not.
    m_Page->runJavaScript(QStringLiteral("document.body ? document.body.scrollHeight : 0"),
        QWebEngineScript::ApplicationWorld, [this](const QVariant &v) {
            const frmTarnSkin &skin = frmTarnSkin::Instance();
            m_Target = qBound(kMinHeight,
                v.toInt() + skin.FrameNSize(kKind) + skin.FrameSSize(kKind), kMaxHeight);
            if (!tmrIEShowHide.isActive() && !m_Hiding)
                tmrIEShowHide.start();
            emit PageShown();
        });
}

void frmTickerView::tmrIEShowHide_Timer()
{
    if (m_Hiding) {
        m_Web->hide();
        const int step = height() / 4;
        if (!m_Animate || step < 15) {
            hide();
            tmrIEShowHide.stop();
            close();
            return;
        }
        resize(width(), height() - step);
        return;
    }
    const int step = (m_Target - height()) / 5;
    if (!m_Animate || step == 0 || height() == m_Target) {
        resize(width(), m_Target);
        tmrIEShowHide.stop();
        m_Web->show();
        m_Web->setFocus();
        PaintMe();
        return;
    }
    resize(width(), height() + step);
}

void frmTickerView::Layout()
{
    const frmTarnSkin &skin = frmTarnSkin::Instance();
    const int n = skin.FrameNSize(kKind), s = skin.FrameSSize(kKind), w = skin.FrameWSize(kKind),
              e = skin.FrameESize(kKind);
    m_Web->setGeometry(w, n, qMax(10, width() - w - e), qMax(10, height() - n - s));
    RebuildSurface();
}

void frmTickerView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    Layout();
}

void frmTickerView::closeEvent(QCloseEvent *event)
{
    Include::SaveFormState(this, QStringLiteral("TICKER_VIEW"));
    QWidget::closeEvent(event);
}

void frmTickerView::SkinHandler(const QString &function, float x, float y, bool released)
{
    const QString name = function.toLower();
    if (!released) {
        if (name == QLatin1String("move"))
            Include::DragWindow(this);
        return;
    }
    if (name == QLatin1String("next") || name == QLatin1String("prev")) {
        if (m_Ticker)
            m_Ticker->SkinHandler(name, x, y, true);
    } else if (name == QLatin1String("close")) {
        if (m_Ticker)
            m_Ticker->HideItem();
        else
            HideItem();
    } else if (name == QLatin1String("link")) {
        if (m_Ticker)
            m_Ticker->OpenExtern();
    } else if (name == QLatin1String("openmain")) {
        m_Ticker->Services().OpenMainWindow();
    } else if (name == QLatin1String("openbrowser")) {
        Include::OpenURL(Vendor::Address(Vendor::kDefaultSearchPage));
    }
}

QString frmTickerView::DecodeText(const QString &text)
{
    QString out = text;
    const xml::Node item = Item();
    auto once = [&out](const QString &token, const QString &value) {
        SkinWindow::ReplaceFirst(out, token, value);
    };
    once(QStringLiteral("{title}"), item ? modItemHandler::GetItemTitle(item) : QString());
    once(QStringLiteral("{chl}"),
        item ? modItemHandler::GetItemText(item, "channeltitle") : QString());
    return out;
}

bool frmTickerView::DecodeIf(const QString &word)
{
    const QString w = word.toLower();
    const xml::Node item = Item();
    if (w == QLatin1String("mouseoverwindow"))
        return isVisible() && Include::IsCursorOver(this);
    if (w == QLatin1String("delete"))
        return item && modItemHandler::IsItemDeleted(item);
    if (w == QLatin1String("tag"))
        return item && modItemHandler::IsItemFlagged(item);
    return w != QLatin1String("false");
}
