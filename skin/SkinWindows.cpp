#include "SkinWindows.h"

#include "FramelessWindow.h"
#include "SkinPainter.h"

#include <QBitmap>
#include <QCursor>
#include <QEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QWindow>

// ---- clsStyle --------------------------------------------------------------------------------

void clsStyle::setClient(QWidget *window)
{
    if (m_Client)
        m_Client->removeEventFilter(this);
    m_Client = window;
    if (m_Client)
        m_Client->installEventFilter(this);
}

void clsStyle::SetFlag(Qt::WindowType flag, bool on)
{
    if (!m_Client)
        return;
    const bool visible = m_Client->isVisible();
    const QPoint where = m_Client->pos();
    m_Client->setWindowFlag(flag, on);
    if (visible) {
        m_Client->move(where);
        m_Client->show();
    }
}

void clsStyle::setTitlebar(bool on)
{
    SetFlag(Qt::FramelessWindowHint, !on);
}

void clsStyle::setSizable(bool on)
{
    if (!m_Client)
        return;
    if (on) {
        m_Client->setMinimumSize(0, 0);
        m_Client->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    } else {
        m_Client->setFixedSize(m_Client->size());
    }
}

bool clsStyle::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_Client)
        return false;
    if (AutoDrag && event->type() == QEvent::MouseButtonPress
        && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        FramelessWindow::StartMove(m_Client);
        return true;
    }
    if (AutoSysMenu && event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent *>(event)->button() == Qt::RightButton) {
        QMenu menu;
        QWidget *w = m_Client;
        menu.addAction(QObject::tr("Minimise"), w, &QWidget::showMinimized);
        menu.addAction(w->isMaximized() ? QObject::tr("Restore") : QObject::tr("Maximise"), w,
            [w] { w->isMaximized() ? w->showNormal() : w->showMaximized(); });
        menu.addSeparator();
        menu.addAction(QObject::tr("Close"), w, &QWidget::close);
        menu.exec(static_cast<QMouseEvent *>(event)->globalPosition().toPoint());
        return true;
    }
    return false;
}

// ---- Transparent -------------------------------------------------------------------------------

Transparent::Transparent(QWidget *host)
    : QObject(host), m_Host(host), m_MaskColor(SkinPainter::ToColor(qint32(0x8000000F)))
{ }

void Transparent::setMaskColor(const QColor &colour)
{
    m_MaskColor = colour;
    Reshape();
}

void Transparent::setMaskPicture(const QImage &picture)
{
    m_MaskPicture = picture;
    Reshape();
}

void Transparent::Reshape()
{
    if (!m_Host || m_MaskPicture.isNull())
        return;
    // Pixels of the mask colour are left out of the window. (In the bitmap a widget mask is
    // made from, the pixels createMaskFromColor marks are the ones cut away.)
    QImage picture = m_MaskPicture.convertToFormat(QImage::Format_RGB32);
    if (picture.devicePixelRatio() > 1.0) // a window's mask is in logical pixels
        picture = picture.scaled(picture.deviceIndependentSize().toSize(), Qt::IgnoreAspectRatio,
            Qt::FastTransformation);
    const QImage mask = picture.createMaskFromColor(m_MaskColor.rgb(), Qt::MaskInColor);
    m_Host->setMask(QBitmap::fromImage(mask));
}

void Transparent::ResetWindow()
{
    if (m_Host)
        m_Host->clearMask();
}

namespace SkinWindow {

int Button(Qt::MouseButton button)
{
    return button == Qt::LeftButton ? 1 : button == Qt::RightButton ? 2 : 0;
}

int Buttons(Qt::MouseButtons buttons)
{
    return buttons & Qt::LeftButton ? 1 : buttons & Qt::RightButton ? 2 : 0;
}

Qt::Edges EdgesAt(const QWidget *window, const QPoint &at, int grip)
{
    Qt::Edges edges;
    if (!window || window->windowState() != Qt::WindowNoState)
        return edges;
    if (at.x() < grip)
        edges |= Qt::LeftEdge;
    if (at.x() >= window->width() - grip)
        edges |= Qt::RightEdge;
    if (at.y() < grip)
        edges |= Qt::TopEdge;
    if (at.y() >= window->height() - grip)
        edges |= Qt::BottomEdge;
    return edges;
}

Qt::CursorShape EdgeCursor(Qt::Edges edges)
{
    if (edges == (Qt::LeftEdge | Qt::TopEdge) || edges == (Qt::RightEdge | Qt::BottomEdge))
        return Qt::SizeFDiagCursor;
    if (edges == (Qt::RightEdge | Qt::TopEdge) || edges == (Qt::LeftEdge | Qt::BottomEdge))
        return Qt::SizeBDiagCursor;
    return edges & (Qt::LeftEdge | Qt::RightEdge) ? Qt::SizeHorCursor : Qt::SizeVerCursor;
}

QPointF CursorOn(const QWidget *window)
{
    return window ? QPointF(window->mapFromGlobal(QCursor::pos())) : QPointF();
}

void SetPointer(QWidget *window, bool custom)
{
    if (!window)
        return;
    if (custom)
        window->setCursor(Qt::PointingHandCursor);
    else
        window->unsetCursor();
}

void ReplaceFirst(QString &text, const QString &token, const QString &value)
{
    const int at = int(text.indexOf(token));
    if (at >= 0)
        text.replace(at, token.size(), value);
}

} // namespace SkinWindow
