#include "FramelessWindow.h"

#include <QCursor>
#include <QEvent>
#include <QWidget>
#include <QWindow>

namespace {

// Follows the mouse while its left button is held, for desktops without a window manager.
class MouseFollower : public QObject
{
public:
    MouseFollower(QWidget *window, Qt::Edges edges)
        : QObject(window), m_Window(window), m_Edges(edges), m_Start(QCursor::pos()),
          m_Geometry(window->geometry())
    {
        window->grabMouse();
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::MouseMove) {
            const QPoint delta = QCursor::pos() - m_Start;
            QRect g = m_Geometry;
            if (!m_Edges) {
                g.moveTopLeft(g.topLeft() + delta);
            } else {
                if (m_Edges & Qt::LeftEdge)
                    g.setLeft(g.left() + delta.x());
                if (m_Edges & Qt::RightEdge)
                    g.setRight(g.right() + delta.x());
                if (m_Edges & Qt::TopEdge)
                    g.setTop(g.top() + delta.y());
                if (m_Edges & Qt::BottomEdge)
                    g.setBottom(g.bottom() + delta.y());
            }
            m_Window->setGeometry(g);
            return true;
        }
        if (event->type() == QEvent::MouseButtonRelease) {
            m_Window->releaseMouse();
            m_Window->removeEventFilter(this);
            deleteLater();
            return true;
        }
        return false;
    }

private:
    QWidget *m_Window;
    Qt::Edges m_Edges;
    QPoint m_Start;
    QRect m_Geometry;
};

} // namespace

namespace FramelessWindow {

bool StartMove(QWidget *window)
{
    if (!window || window->isMaximized())
        return false;
    if (QWindow *handle = window->windowHandle(); handle && handle->startSystemMove())
        return true;
    new MouseFollower(window, {});
    return true;
}

bool StartResize(QWidget *window, Qt::Edges edges)
{
    if (!window || window->isMaximized() || window->isMinimized() || !edges)
        return false;
    if (QWindow *handle = window->windowHandle(); handle && handle->startSystemResize(edges))
        return true;
    new MouseFollower(window, edges);
    return true;
}

bool CursorOver(const QWidget *window)
{
    if (!window)
        return false;
    const QPoint at = QCursor::pos();
    const QRect r = window->frameGeometry();
    return at.x() >= r.left() && at.x() <= r.left() + r.width() && at.y() >= r.top()
        && at.y() <= r.top() + r.height();
}

} // namespace FramelessWindow
