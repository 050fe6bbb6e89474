#pragma once

#include <QColor>
#include <QImage>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QWidget>

// The style of a skinned window's system frame, switched on Qt's window flags; and a left press
// that drags the window, a right release that offers the window menu.
class clsStyle : public QObject
{
    Q_OBJECT

public:
    explicit clsStyle(QObject *parent = nullptr) : QObject(parent) { }

    QWidget *Client() const { return m_Client; }
    void setClient(QWidget *window);

    void setControlBox(bool on) { SetFlag(Qt::WindowSystemMenuHint, on); }
    void setMaxButton(bool on) { SetFlag(Qt::WindowMaximizeButtonHint, on); }
    void setMinButton(bool on) { SetFlag(Qt::WindowMinimizeButtonHint, on); }
    void setTitlebar(bool on);
    void setToolWindow(bool on) { SetFlag(Qt::Tool, on); }
    void setWhatsThisButton(bool on) { SetFlag(Qt::WindowContextHelpButtonHint, on); }
    void setTopMost(bool on) { SetFlag(Qt::WindowStaysOnTopHint, on); }
    // Without a sizing frame the window keeps its present size.
    void setSizable(bool on);
    bool AutoDrag = false;
    bool AutoSysMenu = false;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Changes one flag and shows the window again where it was (Qt hides it on a flag change).
    void SetFlag(Qt::WindowType flag, bool on);

    QPointer<QWidget> m_Client;
};

// The skinned windows' mouse and pointer helpers.
namespace SkinWindow {

// The skin engine's button numbers: 1 left, 2 right, 0 any other (or none).
int Button(Qt::MouseButton button);
int Buttons(Qt::MouseButtons buttons);
// The frame edges under a point of a window in its normal state, grip pixels wide.
Qt::Edges EdgesAt(const QWidget *window, const QPoint &at, int grip = 5);
// The sizing pointer for edges.
Qt::CursorShape EdgeCursor(Qt::Edges edges);
// The cursor on a window, for the skin's hover effects; the custom pointer over active text.
QPointF CursorOn(const QWidget *window);
void SetPointer(QWidget *window, bool custom);
// A skin text's placeholder: only its first occurrence is replaced.
void ReplaceFirst(QString &text, const QString &token, const QString &value);

} // namespace SkinWindow

// Shapes its host window from a painted picture: every pixel of the mask colour becomes a
// hole through which what lies behind shows and takes clicks.
class Transparent : public QObject
{
    Q_OBJECT

public:
    explicit Transparent(QWidget *host);

    QColor MaskColor() const { return m_MaskColor; }
    void setMaskColor(const QColor &colour);
    QImage MaskPicture() const { return m_MaskPicture; }
    void setMaskPicture(const QImage &picture);
    // The plain rectangle again.
    void ResetWindow();

private:
    void Reshape();

    QPointer<QWidget> m_Host;
    QColor m_MaskColor;
    QImage m_MaskPicture;
};
