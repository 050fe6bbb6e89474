#include "ViewerWindows.h"

#include "Include.h"
#include "RSSChannel.h"
#include "WindowHelpers.h"
#include "WindowServices.h"
#include "frmPreferences.h"
#include "frmProperties.h"
#include "frmViewer.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>

namespace {

// The viewers of the filter channels ("_tarnwick/all", "/unread", ...) mix every channel's items.
bool IsFilter(const QString &url)
{
    return url.startsWith(QLatin1String("_tarnwick/"));
}

} // namespace

ViewerWindows::ViewerWindows(IWindowServices &services, QWidget *dialogOwner)
    : QObject(dialogOwner), m_Services(services), m_DialogOwner(dialogOwner)
{ }

ViewerWindows::~ViewerWindows()
{
    CloseViewers();
    UnloadDialogs();
}

bool ViewerWindows::IsViewerLoaded(const RSSChannel *channel) const
{
    return Viewer(channel) != nullptr;
}

frmViewer *ViewerWindows::Viewer(const RSSChannel *channel) const
{
    return m_Viewers.value(channel).data();
}

QString ViewerWindows::FreePageFile() const
{
    const QString folder = Include::AppPath();
    for (int n = 1;; ++n) {
        const QString name =
            n == 1 ? QStringLiteral("/temp.html") : QStringLiteral("/temp%1.html").arg(n);
        bool taken = false;
        for (const auto &viewer : m_Viewers)
            taken = taken || (viewer && viewer->PageFile() == folder + name);
        if (!taken)
            return folder + name;
    }
}

void ViewerWindows::OpenViewer(RSSChannel *channel, bool minimised)
{
    if (!channel)
        return;
    frmViewer *viewer = Viewer(channel);
    if (viewer) {
        // An open viewer keeps its filter, its page and its size: it is only brought forward
        // (out of the taskbar when it was minimised, back to the state it had before).
        viewer->setWindowTitle(channel->displayTitle() + QStringLiteral(" - Tarnwick"));
        if (!minimised) {
            if (viewer->isMinimized())
                viewer->setWindowState(viewer->windowState() & ~Qt::WindowMinimized);
            viewer->show();
            viewer->raise();
            viewer->activateWindow();
        }
        return;
    }
    viewer = new frmViewer(channel, FreePageFile(), m_Services);
    m_Viewers.insert(channel, viewer);
    connect(viewer, &frmViewer::Resized, this, [this, viewer] {
        if (!m_Resizing)
            SaveWndState(viewer->Channel(), viewer);
    });
    connect(viewer, &frmViewer::ItemsMarked, this,
        [this, viewer](const QString &itemChannel) { ItemsMarked(viewer, itemChannel); });
    connect(viewer, &QObject::destroyed, this, [this, channel] { m_Viewers.remove(channel); });
    // A channel that goes away takes its viewer with it.
    connect(channel, &QObject::destroyed, viewer, &QWidget::close);
    SetWndState(channel, viewer);
    if (minimised)
        viewer->setWindowState(viewer->windowState() | Qt::WindowMinimized);
    viewer->setWindowTitle(channel->displayTitle() + QStringLiteral(" - Tarnwick"));
    viewer->SetupView(channel->URL(), channel->SortMode);
    if (!minimised) {
        viewer->raise();
        viewer->activateWindow();
    }
}

void ViewerWindows::SetWndState(RSSChannel *channel, frmViewer *viewer)
{
    if (!channel || !viewer || channel->WindowWidth < 1 || channel->WindowHeight < 1)
        return;
    m_Resizing = true;
    const int tx = Include::TwipsPerPixelX(), ty = Include::TwipsPerPixelY();
    viewer->setWindowState(Qt::WindowNoState);
    QRect place(channel->WindowLeft / tx, channel->WindowTop / ty, channel->WindowWidth / tx,
        channel->WindowHeight / ty);
    // A place on a screen that is gone comes back onto this one.
    bool visible = false;
    for (const QScreen *screen : QGuiApplication::screens())
        visible = visible || screen->availableGeometry().intersects(place);
    if (!visible && QGuiApplication::primaryScreen())
        place.moveTopLeft(QGuiApplication::primaryScreen()->availableGeometry().topLeft());
    viewer->move(place.topLeft());
    viewer->resize(place.size());
    if (channel->WindowState == 1)
        viewer->setWindowState(Qt::WindowMinimized);
    else if (channel->WindowState == 2)
        viewer->setWindowState(Qt::WindowMaximized);
    m_Resizing = false;
}

void ViewerWindows::SaveWndState(RSSChannel *channel, frmViewer *viewer)
{
    if (!channel || !viewer || viewer->windowState() != Qt::WindowNoState)
        return;
    const int tx = Include::TwipsPerPixelX(), ty = Include::TwipsPerPixelY();
    const QRect frame = viewer->frameGeometry();
    channel->WindowTop = frame.top() * ty;
    channel->WindowLeft = frame.left() * tx;
    channel->WindowWidth = viewer->width() * tx;
    channel->WindowHeight = viewer->height() * ty;
    channel->WindowState = 0;
}

void ViewerWindows::ReloadLists()
{
    for (const auto &viewer : std::as_const(m_Viewers))
        if (viewer)
            viewer->LoadNodeList();
}

void ViewerWindows::ChannelLoaded(const RSSChannel *channel, bool newItems)
{
    // The channel's own viewer shows what the fetch left (a reload asked for from the viewer
    // included); the filters' viewers take in new items.
    for (const auto &viewer : std::as_const(m_Viewers)) {
        if (!viewer)
            continue;
        if (viewer->Channel() == channel || (newItems && IsFilter(viewer->URL())))
            viewer->QueueRefresh();
    }
}

void ViewerWindows::ChannelStateChanged(const RSSChannel *channel)
{
    if (frmViewer *viewer = Viewer(channel))
        viewer->SetAllCount(channel->ItemCount());
}

void ViewerWindows::ItemsMarked(const frmViewer *from, const QString &itemChannel)
{
    // Other viewers that may show the item: its channel's and the filters'.
    for (const auto &viewer : std::as_const(m_Viewers)) {
        if (!viewer || viewer == from)
            continue;
        if (viewer->URL() == itemChannel || IsFilter(viewer->URL()))
            viewer->QueueRefresh();
    }
}

void ViewerWindows::CloseViewers()
{
    const auto viewers = m_Viewers;
    m_Viewers.clear();
    for (const auto &viewer : viewers) {
        if (!viewer)
            continue;
        viewer->close(); // the channel keeps the viewer's place
        delete viewer.data(); // now, not later: the web engine must not outlive the program
    }
}

void ViewerWindows::ShowProperties(RSSChannel *channel)
{
    if (!m_Properties) {
        m_Properties = new frmProperties(m_Services, m_DialogOwner);
        m_Properties->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_Properties->SetChannelProp(channel);
    m_Properties->show();
    m_Properties->raise();
}

void ViewerWindows::ShowPreferences()
{
    frmPreferences dialog([this] { m_Services.ShowTickerSettings(); }, m_DialogOwner);
    dialog.exec();
}

void ViewerWindows::UnloadDialogs()
{
    if (m_Properties)
        m_Properties->close();
}
