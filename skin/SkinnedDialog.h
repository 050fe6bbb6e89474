#pragma once

#include <QObject>

class QWidget;

// A dialog painted by the skin: the skin's dialog frame (window kind 5) and its background
// colour behind the dialog's controls, its texts in a colour that reads on that background, its
// controls inside the frame's margins. The window keeps its title bar and its keyboard handling;
// the look follows every skin load.
class SkinnedDialog : public QObject
{
    Q_OBJECT

public:
    static constexpr int kKind = 5;
    // Dresses the dialog (once; a second call does nothing).
    static void Attach(QWidget *dialog);
    // The dialog's background as the skin paints it, at the dialog's size: the frame, with the
    // mask colour (the skin's cut-outs, which a dialog does not take) in the frame's colour.
    static QImage Background(const QWidget *dialog);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    explicit SkinnedDialog(QWidget *dialog);
    void Apply();

    QWidget *m_Dialog;
};
