#include "ScreenStrip.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <xcb/xcb.h>

#include <algorithm>
#include <array>
#include <vector>

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

// The values of a CARDINAL list property (empty when the window has none).
std::vector<uint32_t> Cardinals(xcb_connection_t *c, xcb_get_property_cookie_t cookie)
{
    std::vector<uint32_t> values;
    xcb_get_property_reply_t *reply = xcb_get_property_reply(c, cookie, nullptr);
    if (reply && reply->format == 32) {
        const auto *data = static_cast<const uint32_t *>(xcb_get_property_value(reply));
        values.assign(data, data + xcb_get_property_value_length(reply) / 4);
    }
    free(reply);
    return values;
}

xcb_get_property_cookie_t AskCardinals(xcb_connection_t *c, xcb_window_t w, xcb_atom_t name)
{
    return xcb_get_property(c, 0, w, name, XCB_ATOM_CARDINAL, 0, 16);
}

} // namespace

namespace ScreenStrip {

std::optional<QRect> FreeArea(const QWidget *window, const QScreen *screen)
{
    xcb_connection_t *c = Connection();
    if (!c || !screen)
        return std::nullopt;
    const xcb_screen_t *x = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    if (!x)
        return std::nullopt;
    const xcb_window_t root = x->root;
    const xcb_window_t own = window ? xcb_window_t(window->internalWinId()) : 0;
    const qreal ratio = screen->devicePixelRatio();
    const QRect g = screen->geometry();
    const QRect device(QPoint(qRound(g.left() * ratio), qRound(g.top() * ratio)),
        QSize(qRound(g.width() * ratio), qRound(g.height() * ratio)));

    // The windows that may hold a strip: the root's children and the clients the window manager
    // lists (which it may have put into frames of its own).
    std::vector<xcb_window_t> candidates;
    if (xcb_query_tree_reply_t *tree = xcb_query_tree_reply(c, xcb_query_tree(c, root), nullptr)) {
        const xcb_window_t *children = xcb_query_tree_children(tree);
        candidates.assign(children, children + xcb_query_tree_children_length(tree));
        free(tree);
    }
    const xcb_atom_t clientList = Atom(c, "_NET_CLIENT_LIST");
    if (xcb_get_property_reply_t *list = xcb_get_property_reply(
            c, xcb_get_property(c, 0, root, clientList, XCB_ATOM_WINDOW, 0, 4096), nullptr)) {
        if (list->format == 32) {
            const auto *ids = static_cast<const xcb_window_t *>(xcb_get_property_value(list));
            candidates.insert(candidates.end(), ids, ids + xcb_get_property_value_length(list) / 4);
        }
        free(list);
    }
    std::sort(candidates.begin(), candidates.end());
    candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
    candidates.erase(std::remove(candidates.begin(), candidates.end(), own), candidates.end());

    const xcb_atom_t partialAtom = Atom(c, "_NET_WM_STRUT_PARTIAL"),
                     strutAtom = Atom(c, "_NET_WM_STRUT");
    struct Asked
    {
        xcb_get_window_attributes_cookie_t shown;
        xcb_get_property_cookie_t partial, strut;
    };
    std::vector<Asked> asked;
    asked.reserve(candidates.size());
    for (const xcb_window_t w : candidates)
        asked.push_back({xcb_get_window_attributes(c, w), AskCardinals(c, w, partialAtom),
            AskCardinals(c, w, strutAtom)});

    int left = device.left(), top = device.top(), right = device.right() + 1,
        bottom = device.bottom() + 1;
    const int rootWidth = x->width_in_pixels, rootHeight = x->height_in_pixels;
    for (const Asked &a : asked) {
        xcb_get_window_attributes_reply_t *attributes =
            xcb_get_window_attributes_reply(c, a.shown, nullptr);
        const bool viewable = attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
        free(attributes);
        std::vector<uint32_t> v = Cardinals(c, a.partial);
        const std::vector<uint32_t> plain = Cardinals(c, a.strut);
        if (!viewable)
            continue;
        if (v.size() < 12) {
            if (plain.size() < 4)
                continue;
            // A strip without its extent spans the whole edge.
            v = {plain[0], plain[1], plain[2], plain[3], 0, uint32_t(rootHeight - 1), 0,
                uint32_t(rootHeight - 1), 0, uint32_t(rootWidth - 1), 0, uint32_t(rootWidth - 1)};
        }
        auto across = [](uint32_t from, uint32_t to, int low, int high) {
            return int(from) <= high && int(to) >= low;
        };
        if (v[0] && across(v[4], v[5], device.top(), device.bottom()))
            left = std::max(left, int(v[0]));
        if (v[1] && across(v[6], v[7], device.top(), device.bottom()))
            right = std::min(right, rootWidth - int(v[1]));
        if (v[2] && across(v[8], v[9], device.left(), device.right()))
            top = std::max(top, int(v[2]));
        if (v[3] && across(v[10], v[11], device.left(), device.right()))
            bottom = std::min(bottom, rootHeight - int(v[3]));
    }
    if (right <= left || bottom <= top)
        return g;
    return QRect(QPoint(qRound(left / ratio), qRound(top / ratio)),
        QSize(qRound((right - left) / ratio), qRound((bottom - top) / ratio)));
}

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
