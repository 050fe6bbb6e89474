#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>

class QWidget;

// A desktop toolbar: the attached window becomes a strip along a screen edge that the desktop
// reserves for it (ScreenStrip), so maximised windows stop at its border; where the desktop
// cannot be asked (Wayland, no X server) it is a topmost strip at the edge without a
// reservation.
class TAppBar : public QObject
{
    Q_OBJECT

public:
    enum Edge { Left = 0, Top = 1, Right = 2, Bottom = 3, Unregistered = 4, Floating = 5 };

    explicit TAppBar(QObject *parent = nullptr);
    ~TAppBar() override;

    // Attaches the bar to the window and applies the current edge.
    void Extends(QWidget *window);
    // Gives the strip back and lets the window go.
    void Detach();
    void UpdateBar();

    int Edge() const { return m_Edge; }
    void setEdge(int edge);
    int Options = 31;
    bool AutoHide = false;
    bool Flag1 = true, Flag2 = true;
    int PollPeriod = 400;
    bool ResizeHorizontal = true, ResizeVertical = true;
    int DockedWidth = 32, DockedHeight = 32;

    // The strip the window occupies while docked (logical pixels).
    QRect BarRect() const { return m_BarRect; }
    // Whether the desktop was asked to reserve the strip (X11).
    bool Reserved() const { return m_Reserved; }

private:
    void Reserve(const QRect &strip);
    void Release();

    QPointer<QWidget> m_Window;
    int m_Edge = Floating;
    QRect m_Floating;
    QRect m_BarRect;
    bool m_Reserved = false;
};
