#pragma once

#include "SkinnedWindow.h"

#include <QImage>
#include <QTimer>
#include <QWidget>

class Transparent;

// A window the skin draws whole: its surface painted by the skin engine for one kind of window,
// cut to the skin's outline by the mask colour, sized at the edges of its frame, the skin's
// buttons and texts under the mouse. The main window, the item viewer, the ticker and its preview
// are such windows; each adds what lies inside the frame and what the skin's functions do.
class SkinnedFrame : public QWidget, public ISkinnedWindow
{
    Q_OBJECT

public:
    static constexpr int kEdgeGrip = 5; // pixels of the frame that size the window

    SkinnedFrame(int kind, QWidget *parent = nullptr,
        Qt::WindowFlags flags = Qt::Window | Qt::FramelessWindowHint);
    ~SkinnedFrame() override;

    const QImage &Surface() const { return m_Surface; }
    // The skin's window kind (0 main, 1 item viewer, 3 ticker, 4 ticker item preview).
    int Kind() const { return m_Kind; }
    bool FrameHidden() const { return m_FrameHidden; }

    // ---- ISkinnedWindow (the surface and the pointer) ----
    void PaintMe() override;
    QPointF CursorOnSurface() const override;
    bool CursorOverWindow() const override;
    void SetSurfaceCursor(bool custom) override;
    void SurfaceChanged(const QRectF &area) override;

protected:
    // Where the window's own content goes: inside the skin's frame, or below its top edge when
    // the frame is hidden (the whole window when the frame leaves too little).
    QRect ClientArea() const;
    // A fresh surface of the window's size, painted, and the window shaped by it (not while
    // maximised or with the frame hidden).
    void RebuildSurface();
    void setFrameHidden(bool hidden) { m_FrameHidden = hidden; }
    // A window of fixed outline (the ticker, the preview): no sizing edges, no cut shape.
    void setFixedOutline() { m_FixedOutline = true; }
    // For a window that composes its surface itself (the ticker).
    QImage &SurfaceImage() { return m_Surface; }
    // The skin's share of a press, a move and a release; the release says whether it met one
    // of the skin's buttons.
    void SkinPress(QMouseEvent *event);
    void SkinMove(QMouseEvent *event);
    bool SkinRelease(QMouseEvent *event);
    bool Painting() const { return m_Painting; }
    // A right click that met none of the skin's buttons.
    virtual void FrameRightClicked(const QPoint &) { }

    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    Qt::Edges EdgesAt(const QPoint &at) const;

    const int m_Kind;
    Transparent *m_Shape;
    QImage m_Surface;
    bool m_FrameHidden = false;
    bool m_FixedOutline = false;
    bool m_Painting = false;
    QTimer m_EdgePointer; // puts the pointer back once it has left a sizing edge
};
