#include "TAppBar.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <xcb/xcb.h>

#include <array>

namespace {

xcb_connection_t *Connection()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return nullptr;
    auto *x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

xcb_atom_t Atom(xcb_connection_t *c, const char *name)
{
    xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(qstrlen(name)), name), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    free(reply);
    return atom;
}

} // namespace

TAppBar::TAppBar(QObject *parent) : QObject(parent) {}

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
    // leave free (our own reservation given back first, so re-applying lands in the same place).
    Release();
    QScreen *screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect free = screen->availableGeometry();
    QRect strip;
    switch (edge) {
    case Left: strip = QRect(free.left(), free.top(), DockedWidth, free.height()); break;
    case Right: strip = QRect(free.right() + 1 - DockedWidth, free.top(), DockedWidth, free.height()); break;
    case Bottom: strip = QRect(free.left(), free.bottom() + 1 - DockedHeight, free.width(), DockedHeight); break;
    default: strip = QRect(free.left(), free.top(), free.width(), DockedHeight); break;
    }
    m_BarRect = strip;
    window->setGeometry(strip);
    Reserve(strip);
}

void TAppBar::Reserve(const QRect &strip)
{
    xcb_connection_t *c = Connection();
    if (!c || !m_Window)
        return;
    const xcb_window_t id = xcb_window_t(m_Window->winId());
    const qreal ratio = m_Window->devicePixelRatioF();
    const QRect r(QPoint(qRound(strip.left() * ratio), qRound(strip.top() * ratio)),
                  QSize(qRound(strip.width() * ratio), qRound(strip.height() * ratio)));
    // Left, right, top, bottom, then the start and end of each along its edge.
    std::array<uint32_t, 12> partial {};
    switch (m_Edge) {
    case Left: partial[0] = uint32_t(r.right() + 1); partial[4] = uint32_t(r.top()); partial[5] = uint32_t(r.bottom()); break;
    case Right: {
        const QRect root = m_Window->screen()->virtualGeometry();
        partial[1] = uint32_t(qRound(root.width() * ratio) - r.left());
        partial[6] = uint32_t(r.top());
        partial[7] = uint32_t(r.bottom());
        break;
    }
    case Bottom: {
        const QRect root = m_Window->screen()->virtualGeometry();
        partial[3] = uint32_t(qRound(root.height() * ratio) - r.top());
        partial[10] = uint32_t(r.left());
        partial[11] = uint32_t(r.right());
        break;
    }
    default: partial[2] = uint32_t(r.bottom() + 1); partial[8] = uint32_t(r.left()); partial[9] = uint32_t(r.right()); break;
    }
    const xcb_atom_t type = Atom(c, "_NET_WM_WINDOW_TYPE"), dock = Atom(c, "_NET_WM_WINDOW_TYPE_DOCK");
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, type, XCB_ATOM_ATOM, 32, 1, &dock);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, Atom(c, "_NET_WM_STRUT_PARTIAL"), XCB_ATOM_CARDINAL, 32,
                        12, partial.data());
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, Atom(c, "_NET_WM_STRUT"), XCB_ATOM_CARDINAL, 32, 4,
                        partial.data());
    xcb_flush(c);
    m_Reserved = true;
}

void TAppBar::Release()
{
    xcb_connection_t *c = Connection();
    if (!m_Reserved || !c || !m_Window) {
        m_Reserved = false;
        return;
    }
    const xcb_window_t id = xcb_window_t(m_Window->winId());
    xcb_delete_property(c, id, Atom(c, "_NET_WM_STRUT_PARTIAL"));
    xcb_delete_property(c, id, Atom(c, "_NET_WM_STRUT"));
    const xcb_atom_t utility = Atom(c, "_NET_WM_WINDOW_TYPE_UTILITY");
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, Atom(c, "_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM, 32, 1,
                        &utility);
    xcb_flush(c);
    m_Reserved = false;
}
