#pragma once

#include <QRect>
#include <Qt>

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

} // namespace ScreenStrip
