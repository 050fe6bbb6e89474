#include "frmTicker.h"

#include "Include.h"
#include "ModelHost.h"
#include "SkinAccessible.h"
#include "SkinPainter.h"
#include "SkinWindows.h"
#include "TAppBar.h"
#include "WindowHelpers.h"
#include "WindowServices.h"
#include "clsProfile.h"
#include "frmTarnSkin.h"
#include "frmTickerView.h"
#include "modItemHandler.h"

#include <QCloseEvent>
#include <QCursor>
#include <QDateTime>
#include <QGuiApplication>
#include <QMimeData>
#include <QPainter>
#include <QRandomGenerator>
#include <QScreen>

#include <cmath>

using namespace TickerLogic;

namespace {

clsProfile *ActiveProfile()
{
    IModelHost *host = IModelHost::Current();
    return host ? host->CurrentProfile() : nullptr;
}

int ScreenWidth(const QWidget *w)
{
    const QScreen *screen = w && w->screen() ? w->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->geometry().width() : 1024;
}

int TickerHeight()
{
    return qMax(12, int(frmTarnSkin::Instance().FrameNSize(frmTicker::kKind)));
}

} // namespace

frmTicker::frmTicker(IWindowServices &services, QWidget *parent)
    : SkinnedFrame(kKind, parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      m_Services(services)
{
    setObjectName(QStringLiteral("frmTicker"));
    setWindowTitle(tr("Tarnwick Ticker"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedOutline();
    setAcceptDrops(true);
    m_Scroll.setObjectName(QStringLiteral("tmrScroll"));
    connect(&m_Scroll, &QTimer::timeout, this, &frmTicker::tmrScroll_Timer);
    m_Hold.setObjectName(QStringLiteral("tmrHold"));
    m_Hold.setInterval(100);
    connect(&m_Hold, &QTimer::timeout, this, &frmTicker::tmrHold_Timer);
    m_Hold.start();
    m_SavePlace.setSingleShot(true);
    m_SavePlace.setInterval(400); // once a drag has come to rest
    connect(&m_SavePlace, &QTimer::timeout, this, [this] {
        if (m_PlaceMoved && !m_Bar)
            SavePlace();
    });
    LoadRegVals(false);
    m_NextRequested = true;
}

frmTicker::~frmTicker()
{
    frmTarnSkin::Instance().ForgetOwner(this);
    if (m_View)
        delete m_View.data();
}

// ---- The list -------------------------------------------------------------------------------

void frmTicker::ShowMe()
{
    // A fresh list at the next step, unless the new items just asked for are the list.
    if (!m_NewOnlyRun)
        m_HasList = false;
    m_NextRequested = true;
    show();
    Include::SetOnTop(this, true);
}

void frmTicker::ShowNewListOnly()
{
    if (m_NewOnlyRun)
        return;
    m_NewOnlyRun = true;
    BuildTickerList();
}

void frmTicker::ResetList()
{
    m_Step.index = -1;
    m_NextRequested = true;
    BuildTickerList();
}

void frmTicker::BuildTickerList()
{
    clsProfile *profile = ActiveProfile();
    if (m_Pending || !profile)
        return;
    const bool popup =
        Include::Settings().GetBool(QStringLiteral("PREFS"), QStringLiteral("POPUP"), false);
    if (popup && profile->NewItemsCount() >= 1) {
        m_NewItemMode = true;
        m_Pending = true;
        profile->NewItemList();
        return;
    }
    if (m_NewOnlyRun) {
        m_NewOnlyRun = false;
        close();
        return;
    }
    m_NewItemMode = false;
    const auto filters = Filters(m_Settings.unread, m_Settings.days);
    if (!filters)
        return;
    m_Pending = true;
    profile->TickerChannelList((*filters)[0], (*filters)[1], (*filters)[2], (*filters)[3]);
}

void frmTicker::SetList(const QString &list)
{
    auto doc = std::make_unique<xml::Document>();
    if (doc->loadXML(list) && !doc->documentElement().isNull()) {
        m_List = std::move(doc);
        m_Items.clear();
        for (xml::Node item = m_List->documentElement().firstChild(); item;
             item = item.nextSibling())
            if (item.isElement())
                m_Items.push_back(item);
        m_HasList = true;
        m_Step.order =
            ShuffleOrder(ListCount(), [] { return QRandomGenerator::global()->generateDouble(); });
        m_Step.orderPosition = qMax(0, m_Step.orderPosition);
        if (m_Step.orderPosition >= ListCount())
            m_Step.orderPosition = 0;
    }
    m_Pending = false;
}

xml::Node frmTicker::CurrentItem() const
{
    return m_Step.index >= 0 && m_Step.index < ListCount() ? m_Items[size_t(m_Step.index)]
                                                           : xml::Node();
}

void frmTicker::Step()
{
    const bool next = m_NextRequested;
    if (!m_HasList) {
        BuildTickerList(); // the request stays until a list is here
        return;
    }
    const int count = ListCount();
    if (count == 0) {
        BuildTickerList();
        m_Step.index = -1;
    } else if (next) {
        if (m_Step.Next(count, m_Settings.random))
            BuildTickerList();
    } else {
        m_Step.Previous(count, m_Settings.random);
    }
    m_NextRequested = m_PrevRequested = false;
    ComposeItem();
}

void frmTicker::ComposeItem()
{
    const xml::Node item = CurrentItem();
    if (!item)
        m_Headline = NoItems();
    else
        m_Headline =
            Compose(modItemHandler::GetItemTitle(item), modItemHandler::GetItemDescription(item),
                modItemHandler::GetItemText(item, "channeltitle"),
                modItemHandler::GetItemDate(item), modItemHandler::GetItemTime(item));
    // The headline shown, for screen readers.
    setAccessibleDescription(m_Headline.empty
            ? m_Headline.channel + QStringLiteral(" - ") + m_Headline.title
            : m_Headline.channel + m_Headline.title);
    Measure();
}

void frmTicker::Measure()
{
    const frmTarnSkin &skin = frmTarnSkin::Instance();
    m_TitleFont = skin.GetFont(skin.TickerFont);
    m_ChannelFont = skin.GetFont(skin.TickerChannelFont);
    m_DateFont = skin.GetFont(skin.TickerDateFont);
    m_TimeFont = skin.GetFont(skin.TickerTimeFont);
    const QFontMetricsF title(m_TitleFont), channel(m_ChannelFont), date(m_DateFont),
        time(m_TimeFont);
    double w = title.horizontalAdvance(m_Headline.title);
    double h = title.height();
    if (m_ShowChannel || m_Headline.empty) {
        w += channel.horizontalAdvance(
            m_Headline.empty ? m_Headline.channel + QStringLiteral(" - ") : m_Headline.channel);
        h = qMax(h, channel.height());
    }
    if (m_ShowDate && !m_Headline.empty) {
        w += date.horizontalAdvance(m_Headline.date);
        h = qMax(h, date.height());
    }
    if (m_ShowTime && !m_Headline.empty) {
        w += time.horizontalAdvance(m_Headline.time);
        h = qMax(h, time.height());
    }
    m_Geometry.lineWidth = w;
    m_Geometry.lineHeight = h;
    m_Geometry.width = width();
    m_Geometry.height = height();
    m_Geometry.titleLength = int(m_Headline.title.size());
    m_Geometry.home = std::round((width() - w) / 2);
}

// ---- Ticks ----------------------------------------------------------------------------------

void frmTicker::tmrScroll_Timer()
{
    if (!isVisible()) {
        m_Scroll.stop();
        close();
        return;
    }
    if (m_NextRequested || m_PrevRequested)
        Step();
    if (m_Geometry.home == 0 || m_Geometry.width != width())
        Measure();
    const frmTarnSkin &skin = frmTarnSkin::Instance();
    const qint32 text =
        m_NewItemMode ? skin.TickerNewItemColor : skin.GetFontColor(skin.TickerFont);
    if (m_Hovering || m_Preview) {
        Rest(m_Anim, m_Geometry);
        m_Anim.colour = text;
    } else {
        const Tick tick = StepEffect(
            m_Settings.effect, m_Anim, m_Geometry, m_Settings.Factor(), text, skin.TickerFadeColor);
        if (tick.nextHeadline)
            m_NextRequested = true;
        if (m_Scroll.interval() != tick.period)
            m_Scroll.setInterval(qMax(1, tick.period));
    }
    Draw();
}

void frmTicker::Draw()
{
    if (m_Painting)
        return;
    m_Painting = true;
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * ratio).toSize();
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    // The skin's texts and conditions that follow the current item ({title}, {chl}, {date},
    // {time}, "tag", "delete") change with it: painted in the same tick as the new headline.
    const QString itemKey = SkinItemKey();
    if (itemKey != m_SkinItemKey) {
        m_SkinItemKey = itemKey;
        m_BackgroundDirty = true;
    }
    const bool fresh =
        m_BackgroundDirty || m_Background.size() != pixels || now - m_BackgroundAt >= 1000;
    if (fresh) {
        if (m_Background.size() != pixels) {
            m_Background = QImage(pixels, QImage::Format_RGB32);
            m_Background.setDevicePixelRatio(ratio);
        }
        frmTarnSkin &skin = frmTarnSkin::Instance();
        skin.PaintAll(this, m_Background, kKind);
        SkinPainter::FillMaskHoles(m_Background, SkinPainter::ToColor(skin.MaskColor),
            SkinPainter::ToColor(skin.FrameColor(kKind)));
        m_BackgroundDirty = false;
        m_BackgroundAt = now;
        SkinAccessible::Painted(this);
    }
    // The parts of the line, each in its own font.
    QList<QPair<QString, const QFont *>> parts;
    if (m_Settings.effect == 3 && !m_Hovering && !m_Preview) {
        const int shown = m_Anim.typed >= m_Geometry.titleLength ? m_Anim.back : m_Anim.typed;
        parts.append({m_Headline.title.left(shown) + QLatin1Char('_'), &m_TitleFont});
    } else if (m_Headline.empty) {
        parts.append({m_Headline.channel + QStringLiteral(" - "), &m_ChannelFont});
        parts.append({m_Headline.title, &m_TitleFont});
    } else {
        if (m_ShowChannel)
            parts.append({m_Headline.channel, &m_ChannelFont});
        parts.append({m_Headline.title, &m_TitleFont});
        if (m_ShowDate)
            parts.append({m_Headline.date, &m_DateFont});
        if (m_ShowTime)
            parts.append({m_Headline.time, &m_TimeFont});
    }
    // Text is laid out once per headline and colour; a tick only places the picture.
    QString key = QString::number(m_Anim.colour);
    for (const auto &part : parts)
        key += QChar(0x1F) + part.first;
    if (key != m_LineKey || m_Line.devicePixelRatio() != ratio) {
        double w = 0, h = 0;
        for (const auto &part : parts) {
            const QFontMetricsF m(*part.second);
            w += m.horizontalAdvance(part.first);
            h = qMax(h, m.height());
        }
        m_Line = QImage((QSizeF(w + 2, h + 1) * ratio).toSize().expandedTo(QSize(1, 1)),
            QImage::Format_ARGB32_Premultiplied);
        m_Line.setDevicePixelRatio(ratio);
        m_Line.fill(Qt::transparent);
        QPainter lp(&m_Line);
        lp.setPen(SkinPainter::ToColor(m_Anim.colour));
        double at = 0;
        for (const auto &part : parts) {
            lp.setFont(*part.second);
            const QFontMetricsF m(*part.second);
            lp.drawText(QPointF(at, m.ascent()), part.first);
            at += m.horizontalAdvance(part.first);
        }
        m_LineKey = key;
    }
    QImage &surface = SurfaceImage();
    surface = m_Background; // shared until the line is drawn on it
    QPainter p(&surface);
    const double left = m_Anim.x, top = m_Anim.y;
    p.drawImage(QPointF(left, top), m_Line);
    p.end();
    const double x = left + m_Line.deviceIndependentSize().width(),
                 bottom = top + m_Line.deviceIndependentSize().height();
    m_Painting = false;
    // Only where the text was and is needs to reach the screen, unless the skin changed.
    const QRect text =
        QRectF(QPointF(left, top), QPointF(x, bottom)).toAlignedRect().adjusted(-2, -2, 2, 2);
    if (fresh)
        update();
    else
        update(text.united(m_TextRect));
    m_TextRect = text;
}

QString frmTicker::SkinItemKey() const
{
    const xml::Node item = CurrentItem();
    if (!item)
        return QString();
    const QChar gap(0x1F);
    return modItemHandler::GetItemHash(item) + gap + m_Headline.title + gap
        + modItemHandler::GetItemText(item, "channeltitle") + gap
        + modItemHandler::GetItemDate(item) + gap + modItemHandler::GetItemTime(item) + gap
        + QLatin1Char(modItemHandler::IsItemDeleted(item) ? '1' : '0')
        + QLatin1Char(modItemHandler::IsItemFlagged(item) ? '1' : '0');
}

void frmTicker::SurfaceChanged(const QRectF &area)
{
    m_BackgroundDirty = true;
    SkinnedFrame::SurfaceChanged(area);
    // A button's look may have changed in the background picture alone (its restore after a
    // press): composed again at once, since a cursor resting on the ticker holds the ticks.
    if (!m_Painting && !m_RedrawQueued) {
        m_RedrawQueued = true;
        QTimer::singleShot(0, this, [this] {
            m_RedrawQueued = false;
            if (isVisible())
                Draw();
        });
    }
}

void frmTicker::PaintMe()
{
    m_BackgroundDirty = true;
    tmrScroll_Timer();
}

void frmTicker::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_Geometry.home = 0; // centred again on the new width
    m_BackgroundDirty = true;
    Measure();
    if (isVisible())
        Draw();
}

void frmTicker::StartHover()
{
    if (m_Paused)
        return;
    m_Hovering = true;
    m_BackgroundDirty = true; // elements shown while the cursor is over the ticker
    m_Hold.start();
    m_Scroll.stop();
    tmrScroll_Timer();
}

void frmTicker::tmrHold_Timer()
{
    if (m_Paused) {
        m_Hold.stop();
    } else if (isVisible() && Include::IsCursorOver(this)
        && rect().contains(mapFromGlobal(QCursor::pos()))) {
        m_Hovering = true;
        m_Scroll.stop();
    } else {
        m_Hovering = false;
        m_BackgroundDirty = true;
        m_Hold.stop();
        if (!m_Scroll.isActive()) {
            if (m_Scroll.interval() <= 0)
                m_Scroll.setInterval(20);
            m_Scroll.start();
        }
    }
}

// ---- Settings and docking ---------------------------------------------------------------------

void frmTicker::LoadRegVals(bool reloadList)
{
    m_Settings = TickerSettings::Load(ScreenWidth(this));
    const frmTarnSkin &skin = frmTarnSkin::Instance();
    m_ShowChannel = skin.TickerAttachTitle;
    m_ShowDate = skin.TickerAttachDate;
    m_ShowTime = skin.TickerAttachTime;
    m_Placing = true; // the program's own placing is not the user's move
    if (!m_Settings.floating) {
        SetupDock();
    } else {
        if (m_Bar) {
            m_Bar->Detach();
            m_Bar.reset();
        }
        setGeometry(m_Settings.left, m_Settings.top, qMax(40, m_Settings.width), TickerHeight());
        Include::SetOnTop(this, m_Settings.onTop);
    }
    m_Placing = false;
    m_PlaceMoved = false;
    m_SavePlace.stop();
    if (reloadList && !m_NewItemMode) {
        m_Pending = false;
        m_Step.index = 0;
        BuildTickerList();
    }
    m_Scroll.setInterval(20);
}

void frmTicker::SetupDock()
{
    // Exactly one bar: docking again re-applies the one there is.
    if (!m_Bar) {
        m_Bar = std::make_unique<TAppBar>();
        m_Bar->Flag1 = true;
        m_Bar->Flag2 = false;
        m_Bar->Options = 0;
        m_Bar->ResizeHorizontal = m_Bar->ResizeVertical = false;
    }
    m_Bar->DockedWidth = m_Bar->DockedHeight = TickerHeight();
    if (!isVisible())
        show(); // the strip belongs to a window the desktop knows
    m_Bar->Extends(this);
    m_Bar->setEdge(TAppBar::Top);
    m_Geometry.home = 0;
}

// ---- Items ----------------------------------------------------------------------------------

void frmTicker::OpenExtern()
{
    const xml::Node item = CurrentItem();
    if (!item)
        return;
    const QString link = modItemHandler::GetItemLink(item);
    if (!link.isEmpty())
        Include::OpenURL(link);
}

void frmTicker::ShowItem()
{
    const xml::Node item = CurrentItem();
    if (!item)
        return;
    m_Preview = true;
    if (!m_View)
        m_View = new frmTickerView(this);
    m_View->ShowItem(item);
}

void frmTicker::HideItem()
{
    m_Preview = false;
    if (m_View)
        m_View->HideItem();
}

void frmTicker::MarkCurrent(const char *what, bool on)
{
    xml::Node item = CurrentItem();
    clsProfile *profile = ActiveProfile();
    if (!item || !profile)
        return;
    const QString channel = modItemHandler::GetItemChannel(item),
                  hash = modItemHandler::GetItemHash(item);
    if (qstrcmp(what, "read") == 0) {
        profile->MarkItemRead(channel, hash, on);
        modItemHandler::SetItemRead(item, on);
    } else if (qstrcmp(what, "delete") == 0) {
        profile->MarkItemDeleted(channel, hash, on);
        modItemHandler::SetItemDeleted(item, on);
    } else {
        profile->MarkItemTag(channel, hash, on);
        modItemHandler::SetItemFlag(item, on);
    }
}

// ---- The skin ---------------------------------------------------------------------------------

void frmTicker::SkinHandler(const QString &function, float x, float y, bool released)
{
    const QString name = function.toLower();
    if (!released) {
        if (name == QLatin1String("move") && !m_Bar)
            Include::DragWindow(this);
        return;
    }
    if (name == QLatin1String("move")) {
        if (!m_Bar)
            SavePlace();
    } else if (name == QLatin1String("reload")) {
        m_Step.index = 0;
        BuildTickerList();
    } else if (name == QLatin1String("close")) {
        m_Services.CloseTicker();
    } else if (name == QLatin1String("tickermenu")) {
        m_Services.PopupTickerMenu(mapToGlobal(QPoint(int(x), int(y))));
    } else if (name == QLatin1String("next") || name == QLatin1String("prev")) {
        if (name == QLatin1String("next"))
            m_NextRequested = true;
        else
            m_PrevRequested = true;
        tmrScroll_Timer();
        if (m_View && m_Preview)
            ShowItem();
    } else if (name == QLatin1String("pause")) {
        m_Scroll.stop();
        m_Hold.stop();
        m_Paused = true;
        m_BackgroundDirty = true;
        Draw();
    } else if (name == QLatin1String("play")) {
        m_Paused = false;
        m_Hold.start();
        m_BackgroundDirty = true;
        Draw();
    } else if (name == QLatin1String("link")) {
        OpenExtern();
    } else if (name == QLatin1String("openmain")) {
        m_Services.OpenMainWindow();
    } else if (name == QLatin1String("openbrowser")) {
        Include::OpenURL(QString());
    } else if (name == QLatin1String("delete") || name == QLatin1String("undelete")) {
        MarkCurrent("delete", name == QLatin1String("delete"));
        m_BackgroundDirty = true;
        Draw();
    } else if (name == QLatin1String("tag") || name == QLatin1String("untag")) {
        MarkCurrent("tag", name == QLatin1String("tag"));
        m_BackgroundDirty = true;
        Draw();
    }
}

QString frmTicker::DecodeText(const QString &text)
{
    static const QStringList tokens = {QStringLiteral("{chl}"), QStringLiteral("{title}"),
        QStringLiteral("{time}"), QStringLiteral("{date}")};
    const xml::Node item = CurrentItem();
    bool any = false;
    for (const QString &t : tokens)
        any = any || text.contains(t);
    if (!any)
        return text;
    if (!item)
        return QString();
    QString out = text;
    auto once = [&out](const QString &token, const QString &value) {
        SkinWindow::ReplaceFirst(out, token, value);
    };
    once(tokens[0], modItemHandler::GetItemText(item, "channeltitle"));
    once(tokens[1], m_Headline.title);
    once(tokens[2], modItemHandler::GetItemTime(item));
    once(tokens[3], modItemHandler::GetItemDate(item));
    return out;
}

bool frmTicker::DecodeIf(const QString &word)
{
    const QString w = word.toLower();
    const xml::Node item = CurrentItem();
    if (w == QLatin1String("playing"))
        return !m_Paused;
    if (w == QLatin1String("paused"))
        return m_Paused;
    if (w == QLatin1String("mouseoverwindow"))
        return isVisible() && Include::IsCursorOver(this);
    if (w == QLatin1String("delete"))
        return item && modItemHandler::IsItemDeleted(item);
    if (w == QLatin1String("tag"))
        return item && modItemHandler::IsItemFlagged(item);
    if (w == QLatin1String("newitem"))
        return m_NewItemMode;
    if (w == QLatin1String("dock") || w == QLatin1String("false"))
        return false;
    return true;
}

// ---- Mouse, drops, closing -------------------------------------------------------------------

void frmTicker::mouseMoveEvent(QMouseEvent *event)
{
    SkinMove(event);
    const QPointF at = event->position();
    if (!event->buttons()) {
        m_DragOrigin = at;
        if (!m_Hovering)
            StartHover();
    } else if ((event->buttons() & Qt::LeftButton) && m_DragOrigin.x() >= 0
        && (qAbs(at.x() - m_DragOrigin.x()) >= 5 || qAbs(at.y() - m_DragOrigin.y()) >= 5)) {
        m_DragOrigin = QPointF(-1, -1);
        if (!m_Bar)
            Include::DragWindow(this);
    }
}

void frmTicker::mouseReleaseEvent(QMouseEvent *event)
{
    if (!rect().contains(event->position().toPoint()))
        return;
    if (SkinRelease(event)) {
        m_BackgroundDirty = true;
        Draw();
        return;
    }
    if (event->button() == Qt::RightButton) {
        raise();
        m_Services.PopupTickerMenu(event->globalPosition().toPoint());
    } else if (event->button() == Qt::LeftButton) {
        if (m_Preview) {
            HideItem();
        } else if (xml::Node item = CurrentItem()) {
            MarkCurrent("read", true);
            if (!modItemHandler::GetItemDescription(item).isEmpty())
                ShowItem();
            else
                OpenExtern();
        }
    }
}

void frmTicker::dragEnterEvent(QDragEnterEvent *event)
{
    event->acceptProposedAction();
}

void frmTicker::dropEvent(QDropEvent *event)
{
    event->acceptProposedAction();
    Include::DropData(event->mimeData());
}

void frmTicker::moveEvent(QMoveEvent *event)
{
    SkinnedFrame::moveEvent(event);
    // A floating ticker keeps the place the user gave it, whatever moved it (a skin's "move"
    // element, a drag on the headline, the window manager).
    if (m_Placing || m_Bar || !isVisible() || pos() == QPoint(m_Settings.left, m_Settings.top))
        return;
    m_PlaceMoved = true;
    m_SavePlace.start();
}

void frmTicker::SavePlace()
{
    m_SavePlace.stop();
    m_PlaceMoved = false;
    m_Settings.left = x();
    m_Settings.top = y();
    Include::Settings().SaveSetting(
        QStringLiteral("Ticker"), QStringLiteral("Top"), QString::number(y()));
    Include::Settings().SaveSetting(
        QStringLiteral("Ticker"), QStringLiteral("Left"), QString::number(x()));
}

void frmTicker::closeEvent(QCloseEvent *event)
{
    if (m_PlaceMoved && !m_Bar)
        SavePlace();
    m_Scroll.stop();
    m_Hold.stop();
    if (m_Bar) {
        m_Bar->Detach();
        m_Bar.reset();
    }
    if (m_View)
        m_View->close();
    emit Closed();
    QWidget::closeEvent(event);
}
