#pragma once

#include <QImage>
#include <QString>

// A skin font slot (the file numbers them 1 to 21).
struct clsTarnFont
{
    QString face = QStringLiteral("Arial");
    bool bold = false;
    bool italic = false;
    float size = 8;
    bool underline = false;
    bool strikethrough = false;
    bool outline = false; // kept, not drawn
    bool shadow = false; // kept, not drawn
    qint32 color = 0; // 0x00BBGGRR
    qint32 shadowcolor = 0;
};

// A caption drawn by an entity, with the font slot it uses (-1: the design font).
struct SkinLabel
{
    QString caption;
    int font = -1;
    bool colourApplied = false;
};

// One skin entity: a picture or caption placed on a skinned window, with an optional function.
struct frmSkinEntity
{
    QString Function; // lower case
    int Window = 0;
    QString If; // lower case; empty: always
    QString IfNot = QStringLiteral("false"); // lower case
    bool Center = false;
    QString Text;
    qint16 Width = 0;
    QString Link;
    float top = 0;
    float left = 0;
    QImage img, imgMM, imgMD;
    SkinLabel lbl, lblMM, lblMD;
};

// One window kind's frame: four corners, four edge tiles and the edge thicknesses.
struct SkinFrame
{
    QImage imgTopL, imgTopM, imgTopR, imgSideL, imgSideR, imgSideB, imgBotL, imgBotR;
    qint16 nSize = 0, eSize = 0, sSize = 0, wSize = 0;
};
