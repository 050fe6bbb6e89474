#pragma once

#include <QPointF>
#include <QRectF>
#include <QString>

// What a window that shows skin entities offers the skin engine: the four skin operations, and
// where the cursor is, so that hover effects can end when it leaves.
class ISkinnedWindow
{
public:
    virtual ~ISkinnedWindow() = default;

    // Repaints the whole window.
    virtual void PaintMe() = 0;
    // Carries out a skin function; x, y: the entity's left and bottom edge on the surface.
    virtual void SkinHandler(const QString &function, float x, float y, bool released) = 0;
    // Replaces the window's placeholders in a text.
    virtual QString DecodeText(const QString &text) = 0;
    // Evaluates a condition word; the empty word is true.
    virtual bool DecodeIf(const QString &word) = 0;

    virtual QPointF CursorOnSurface() const = 0;
    virtual bool CursorOverWindow() const = 0;
    // The pointer over the surface: the custom one over active text, else the default.
    virtual void SetSurfaceCursor(bool custom) = 0;
    // The engine drew a hover, pressed or normal picture straight onto the surface: that part
    // of the surface must reach the screen.
    virtual void SurfaceChanged(const QRectF &area) { Q_UNUSED(area); }
};
