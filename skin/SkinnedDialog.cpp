#include "SkinnedDialog.h"

#include "SkinPainter.h"
#include "frmTarnSkin.h"

#include <QApplication>
#include <QEvent>
#include <QImage>
#include <QLayout>
#include <QPainter>
#include <QTabWidget>
#include <QWidget>

namespace {

// Black or white, whichever reads better on the colour.
QColor TextOn(const QColor &background)
{
    const double luminance =
        0.299 * background.redF() + 0.587 * background.greenF() + 0.114 * background.blueF();
    return luminance < 0.55 ? QColor(242, 240, 236) : QColor(32, 32, 32);
}

} // namespace

void SkinnedDialog::Attach(QWidget *dialog)
{
    if (!dialog || dialog->findChild<SkinnedDialog *>(QString(), Qt::FindDirectChildrenOnly))
        return;
    new SkinnedDialog(dialog);
}

SkinnedDialog::SkinnedDialog(QWidget *dialog) : QObject(dialog), m_Dialog(dialog)
{
    dialog->installEventFilter(this);
    connect(&frmTarnSkin::Instance(), &frmTarnSkin::SkinLoaded, this, &SkinnedDialog::Apply);
    Apply();
}

QImage SkinnedDialog::Background(const QWidget *dialog)
{
    const frmTarnSkin &skin = frmTarnSkin::Instance();
    const qreal ratio = dialog->devicePixelRatioF();
    QImage surface((QSizeF(dialog->size()) * ratio).toSize(), QImage::Format_RGB32);
    surface.setDevicePixelRatio(ratio);
    skin.PaintBorder(surface, kKind);
    SkinPainter::FillMaskHoles(surface, SkinPainter::ToColor(skin.MaskColor),
        SkinPainter::ToColor(skin.FrameColor(kKind)));
    return surface;
}

void SkinnedDialog::Apply()
{
    const frmTarnSkin &skin = frmTarnSkin::Instance();
    const QColor frame = SkinPainter::ToColor(skin.FrameColor(kKind));
    QPalette palette = m_Dialog->palette();
    if (frame.isValid()) {
        palette.setColor(QPalette::Window, frame);
        palette.setColor(QPalette::WindowText, TextOn(frame));
    }
    m_Dialog->setPalette(palette);
    // Tab pages draw their own light panels: what stands on them keeps the
    // desktop's colours, so their labels stay readable.
    QPalette desktop = QApplication::palette();
    desktop.setResolveMask(~QPalette::ResolveMask(0)); // every colour its own, none inherited
    const QList<QTabWidget *> panels = m_Dialog->findChildren<QTabWidget *>();
    for (QTabWidget *panel : panels)
        panel->setPalette(desktop);
    if (QLayout *layout = m_Dialog->layout()) {
        const int room = 8; // between the frame and the controls
        layout->setContentsMargins(skin.FrameWSize(kKind) + room, skin.FrameNSize(kKind) + room,
            skin.FrameESize(kKind) + room, skin.FrameSSize(kKind) + room);
    }
    m_Dialog->update();
}

bool SkinnedDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_Dialog && event->type() == QEvent::Paint) {
        QPainter painter(m_Dialog);
        painter.drawImage(0, 0, Background(m_Dialog));
        return true; // the dialog itself paints nothing of its own
    }
    return QObject::eventFilter(watched, event);
}
