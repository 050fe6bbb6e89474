#pragma once

#include <Qt>

class QWidget;

// Moving and sizing a window without a system frame: through the window manager where it
// offers that, otherwise by following the mouse (no window manager, as under Xvfb).
namespace FramelessWindow {

// Starts moving window with the left button held; false when nothing could start it (a
// maximised window stays where it is).
bool StartMove(QWidget *window);
// Starts resizing at the given edges.
bool StartResize(QWidget *window, Qt::Edges edges);
// The cursor within the window's outer rectangle, both edges included.
bool CursorOver(const QWidget *window);

} // namespace FramelessWindow
