#include "ScreenStrip.h"

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
    xcb_intern_atom_reply_t *reply =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(qstrlen(name)), name), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    free(reply);
    return atom;
}

} // namespace

namespace ScreenStrip {

bool Reserve(QWidget *window, Qt::Edge edge, const QRect &strip)
{
    xcb_connection_t *c = Connection();
    if (!c || !window)
        return false;
    const xcb_window_t id = xcb_window_t(window->winId());
    const qreal ratio = window->devicePixelRatioF();
    const QRect r(QPoint(qRound(strip.left() * ratio), qRound(strip.top() * ratio)),
        QSize(qRound(strip.width() * ratio), qRound(strip.height() * ratio)));
    // Left, right, top, bottom, then the start and end of each along its edge.
    std::array<uint32_t, 12> partial {};
    switch (edge) {
    case Qt::LeftEdge:
        partial[0] = uint32_t(r.right() + 1);
        partial[4] = uint32_t(r.top());
        partial[5] = uint32_t(r.bottom());
        break;
    case Qt::RightEdge: {
        const QRect root = window->screen()->virtualGeometry();
        partial[1] = uint32_t(qRound(root.width() * ratio) - r.left());
        partial[6] = uint32_t(r.top());
        partial[7] = uint32_t(r.bottom());
        break;
    }
    case Qt::BottomEdge: {
        const QRect root = window->screen()->virtualGeometry();
        partial[3] = uint32_t(qRound(root.height() * ratio) - r.top());
        partial[10] = uint32_t(r.left());
        partial[11] = uint32_t(r.right());
        break;
    }
    default:
        partial[2] = uint32_t(r.bottom() + 1);
        partial[8] = uint32_t(r.left());
        partial[9] = uint32_t(r.right());
        break;
    }
    const xcb_atom_t type = Atom(c, "_NET_WM_WINDOW_TYPE"),
                     dock = Atom(c, "_NET_WM_WINDOW_TYPE_DOCK");
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, type, XCB_ATOM_ATOM, 32, 1, &dock);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, Atom(c, "_NET_WM_STRUT_PARTIAL"),
        XCB_ATOM_CARDINAL, 32, 12, partial.data());
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, Atom(c, "_NET_WM_STRUT"), XCB_ATOM_CARDINAL,
        32, 4, partial.data());
    xcb_flush(c);
    return true;
}

void Release(QWidget *window)
{
    xcb_connection_t *c = Connection();
    if (!c || !window)
        return;
    const xcb_window_t id = xcb_window_t(window->winId());
    xcb_delete_property(c, id, Atom(c, "_NET_WM_STRUT_PARTIAL"));
    xcb_delete_property(c, id, Atom(c, "_NET_WM_STRUT"));
    const xcb_atom_t utility = Atom(c, "_NET_WM_WINDOW_TYPE_UTILITY");
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, Atom(c, "_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM,
        32, 1, &utility);
    xcb_flush(c);
}

} // namespace ScreenStrip
