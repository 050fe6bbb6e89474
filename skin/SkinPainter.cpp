#include "SkinPainter.h"

#include <QGuiApplication>
#include <QPalette>

namespace SkinPainter {

QColor ToColor(qint32 value)
{
    if (value == -1)
        return QColor();
    const quint32 v = quint32(value);
    if (v & 0x80000000u) {
        const QPalette palette = QGuiApplication::palette();
        switch (v & 0xFF) {
        case 13:
            return palette.color(QPalette::Highlight);
        case 14:
            return palette.color(QPalette::HighlightedText);
        case 15:
            return palette.color(QPalette::Button);
        case 5:
            return palette.color(QPalette::Base);
        case 8:
            return palette.color(QPalette::Text);
        default:
            return palette.color(QPalette::Window);
        }
    }
    return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF));
}

QFont ToFont(const clsTarnFont &f)
{
    QFont font(f.face);
    font.setPointSizeF(f.size > 0 ? f.size : 8);
    font.setBold(f.bold);
    font.setItalic(f.italic);
    font.setUnderline(f.underline);
    font.setStrikeOut(f.strikethrough);
    return font;
}

EntityPlace PlaceEntity(const frmSkinEntity &e, QSizeF drawn, QSizeF surface)
{
    EntityPlace p;
    p.width = (!e.Text.isEmpty() && e.Width > 0) ? float(e.Width) : float(drawn.width());
    p.height = float(drawn.height());
    if (e.Center)
        p.x = float(surface.width()) / 2 - p.width / 2;
    else if (e.left >= 0)
        p.x = e.left;
    else
        p.x = float(surface.width()) + e.left - p.width + 1;
    p.y = e.top >= 0 ? e.top : float(surface.height()) + e.top - p.height + 1;
    return p;
}

bool HitTest(const EntityPlace &p, float px, float py)
{
    return p.x <= px && px <= p.x + p.width && p.y <= py && py <= p.y + p.height;
}

void FillMaskHoles(QImage &surface, const QColor &mask, const QColor &fill)
{
    if (!mask.isValid() || !fill.isValid() || surface.format() != QImage::Format_RGB32)
        return;
    const QRgb hole = mask.rgb() & 0xFFFFFF, with = fill.rgb();
    for (int y = 0; y < surface.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(surface.scanLine(y));
        for (int x = 0; x < surface.width(); ++x)
            if ((line[x] & 0xFFFFFF) == hole)
                line[x] = with;
    }
}

} // namespace SkinPainter
