#include "TAppBar.h"

#include "ScreenStrip.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

TAppBar::TAppBar(QObject *parent) : QObject(parent)
{ }

TAppBar::~TAppBar()
{
    Detach();
}

void TAppBar::Extends(QWidget *window)
{
    m_Window = window;
    if (!window)
        return;
    m_Floating = window->geometry();
    setEdge(m_Edge);
}

void TAppBar::Detach()
{
    if (!m_Window)
        return;
    Release();
    m_Edge = Unregistered;
    m_Window = nullptr;
}

void TAppBar::UpdateBar()
{
    setEdge(m_Edge);
}

void TAppBar::setEdge(int edge)
{
    m_Edge = edge;
    QWidget *window = m_Window;
    if (!window)
        return;
    if (edge == Floating) {
        Release();
        window->setGeometry(m_Floating);
        return;
    }
    if (edge == Unregistered) {
        Release();
        return;
    }
    // The strip along the edge of the screen the window is on, inside what other toolbars
    // leave free. Their strips are read directly: the desktop's work area gives a strip back
    // only some time after it was released, so re-applying by it would put the bar below its
    // own old place. The reservation is replaced in place, not released first.
    QScreen *screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect free = ScreenStrip::FreeArea(window, screen).value_or(screen->availableGeometry());
    QRect strip;
    switch (edge) {
    case Left:
        strip = QRect(free.left(), free.top(), DockedWidth, free.height());
        break;
    case Right:
        strip = QRect(free.right() + 1 - DockedWidth, free.top(), DockedWidth, free.height());
        break;
    case Bottom:
        strip = QRect(free.left(), free.bottom() + 1 - DockedHeight, free.width(), DockedHeight);
        break;
    default:
        strip = QRect(free.left(), free.top(), free.width(), DockedHeight);
        break;
    }
    m_BarRect = strip;
    window->setGeometry(strip);
    Reserve(strip);
}

void TAppBar::Reserve(const QRect &strip)
{
    const Qt::Edge edge = m_Edge == Left ? Qt::LeftEdge
        : m_Edge == Right                ? Qt::RightEdge
        : m_Edge == Bottom               ? Qt::BottomEdge
                                         : Qt::TopEdge;
    m_Reserved = m_Window && ScreenStrip::Reserve(m_Window, edge, strip);
}

void TAppBar::Release()
{
    if (m_Reserved && m_Window)
        ScreenStrip::Release(m_Window);
    m_Reserved = false;
}
