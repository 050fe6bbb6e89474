#include "SkinnedFrame.h"

#include "FramelessWindow.h"
#include "SkinAccessible.h"
#include "SkinPainter.h"
#include "SkinWindows.h"
#include "frmTarnSkin.h"

#include <QCursor>
#include <QMouseEvent>
#include <QPainter>

SkinnedFrame::SkinnedFrame(int kind, QWidget *parent, Qt::WindowFlags flags)
    : QWidget(parent, flags), m_Kind(kind), m_Shape(new Transparent(this))
{
    setMouseTracking(true);
    SkinAccessible::Install(); // the skin's buttons and texts reach screen readers
    m_EdgePointer.setInterval(100);
    connect(&m_EdgePointer, &QTimer::timeout, this, [this] {
        if (!EdgesAt(mapFromGlobal(QCursor::pos()))) {
            unsetCursor();
            m_EdgePointer.stop();
        }
    });
}

SkinnedFrame::~SkinnedFrame()
{
    SkinAccessible::Forget(this);
    frmTarnSkin::Instance().ForgetOwner(this);
}

QRect SkinnedFrame::ClientArea() const
{
    const frmTarnSkin &skin = frmTarnSkin::Instance();
    const int n = skin.FrameNSize(m_Kind), s = skin.FrameSSize(m_Kind), w = skin.FrameWSize(m_Kind),
              e = skin.FrameESize(m_Kind);
    const QRect area = m_FrameHidden ? QRect(0, n, width(), height() - n)
                                     : QRect(w, n, width() - w - e, height() - n - s);
    return area.width() < 10 || area.height() < 10 ? rect() : area;
}

void SkinnedFrame::RebuildSurface()
{
    const qreal ratio = devicePixelRatioF();
    m_Surface = QImage((QSizeF(size()) * ratio).toSize(), QImage::Format_RGB32);
    m_Surface.setDevicePixelRatio(ratio);
    PaintMe();
    if (m_FixedOutline)
        return;
    if (m_FrameHidden || isMaximized()) {
        m_Shape->setMaskPicture(QImage());
        m_Shape->ResetWindow();
    } else {
        m_Shape->setMaskColor(SkinPainter::ToColor(frmTarnSkin::Instance().MaskColor));
        m_Shape->setMaskPicture(m_Surface);
    }
}

void SkinnedFrame::PaintMe()
{
    if (m_Painting || m_Surface.isNull())
        return;
    m_Painting = true;
    frmTarnSkin &skin = frmTarnSkin::Instance();
    skin.PaintAll(this, m_Surface, m_Kind);
    if (m_FixedOutline)
        SkinPainter::FillMaskHoles(m_Surface, SkinPainter::ToColor(skin.MaskColor),
            SkinPainter::ToColor(skin.FrameColor(m_Kind)));
    m_Painting = false;
    update();
    SkinAccessible::Painted(this);
}

void SkinnedFrame::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (!m_Surface.isNull())
        painter.drawImage(0, 0, m_Surface);
}

Qt::Edges SkinnedFrame::EdgesAt(const QPoint &at) const
{
    return m_FrameHidden || m_FixedOutline ? Qt::Edges() : SkinWindow::EdgesAt(this, at, kEdgeGrip);
}

void SkinnedFrame::SkinPress(QMouseEvent *event)
{
    frmTarnSkin::Instance().SkinMouseDown(this, m_Surface, SkinWindow::Button(event->button()),
        float(event->position().x()), float(event->position().y()), m_Kind);
}

void SkinnedFrame::SkinMove(QMouseEvent *event)
{
    frmTarnSkin::Instance().SkinMouseMove(this, m_Surface, SkinWindow::Buttons(event->buttons()),
        float(event->position().x()), float(event->position().y()), m_Kind);
}

bool SkinnedFrame::SkinRelease(QMouseEvent *event)
{
    return frmTarnSkin::Instance().SkinMouseUp(this, m_Surface, SkinWindow::Button(event->button()),
        float(event->position().x()), float(event->position().y()), m_Kind);
}

void SkinnedFrame::mousePressEvent(QMouseEvent *event)
{
    const Qt::Edges edges = EdgesAt(event->position().toPoint());
    if (edges && event->button() == Qt::LeftButton) {
        if (windowState() == Qt::WindowNoState)
            FramelessWindow::StartResize(this, edges);
        return;
    }
    SkinPress(event);
}

void SkinnedFrame::mouseReleaseEvent(QMouseEvent *event)
{
    if (!SkinRelease(event) && event->button() == Qt::RightButton)
        FrameRightClicked(event->globalPosition().toPoint());
}

void SkinnedFrame::mouseMoveEvent(QMouseEvent *event)
{
    const Qt::Edges edges = EdgesAt(event->position().toPoint());
    if (edges) {
        setCursor(SkinWindow::EdgeCursor(edges));
        m_EdgePointer.start();
    }
    SkinMove(event);
}

void SkinnedFrame::enterEvent(QEnterEvent *event)
{
    QWidget::enterEvent(event);
    PaintMe(); // entities shown while the cursor is over the window come
}

void SkinnedFrame::leaveEvent(QEvent *event)
{
    QWidget::leaveEvent(event);
    PaintMe(); // entities shown only while the cursor is over the window go away
}

QPointF SkinnedFrame::CursorOnSurface() const
{
    return SkinWindow::CursorOn(this);
}

bool SkinnedFrame::CursorOverWindow() const
{
    return isVisible() && FramelessWindow::CursorOver(this);
}

void SkinnedFrame::SetSurfaceCursor(bool custom)
{
    SkinWindow::SetPointer(this, custom);
}

void SkinnedFrame::SurfaceChanged(const QRectF &area)
{
    update(area.toAlignedRect().adjusted(-1, -1, 1, 1));
}
