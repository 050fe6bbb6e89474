#pragma once

#include "SkinTypes.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QSizeF>

// Where an entity is drawn: its rectangle on the surface.
struct EntityPlace
{
    float x = 0;
    float y = 0;
    float width = 0;
    float height = 0;
};

namespace SkinPainter {

// The colour of a skin colour value (0x00BBGGRR; 0x800000nn a system colour; -1 none).
QColor ToColor(qint32 value);
QFont ToFont(const clsTarnFont &font);

// Places an entity of the drawn size on a surface: negative top and left count from the
// bottom and right edges, Center centres it, a text entity with a Width keeps that width.
EntityPlace PlaceEntity(const frmSkinEntity &entity, QSizeF drawn, QSizeF surface);
// Both edges count.
bool HitTest(const EntityPlace &place, float px, float py);
// A window that keeps its rectangle (no outline cut from the mask colour): the mask colour's
// pixels of its picture take the colour fill instead.
void FillMaskHoles(QImage &surface, const QColor &mask, const QColor &fill);

} // namespace SkinPainter
