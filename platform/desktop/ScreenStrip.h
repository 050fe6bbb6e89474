#pragma once

#include <QRect>
#include <Qt>

#include <optional>

class QScreen;
class QWidget;

// A strip along a screen edge that the desktop keeps free for one window, so maximised windows
// stop at its border. On X11 the window becomes a dock window with _NET_WM_STRUT_PARTIAL;
// elsewhere (Wayland, no X server) nothing is reserved.
namespace ScreenStrip {

// Asks the desktop to reserve strip (logical pixels) along edge for window; false when this
// desktop cannot be asked.
bool Reserve(QWidget *window, Qt::Edge edge, const QRect &strip);
// Gives the strip back: the window is an ordinary utility window again.
void Release(QWidget *window);
// What of the screen the strips of other shown windows leave free (logical pixels), read from
// their own reservations rather than from the desktop's work area, which follows a window's
// reservation only some time after it changed (and so may still hold the strip of window
// itself); nothing when this desktop cannot be asked.
std::optional<QRect> FreeArea(const QWidget *window, const QScreen *screen);

} // namespace ScreenStrip
