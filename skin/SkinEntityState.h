#pragma once

// The engine's per-entity state while painting and following the mouse.
#include "frmTarnSkin.h"

#include <QTimer>

struct frmTarnSkin::EntityState
{
    EntityPlace place;
    ISkinnedWindow *owner = nullptr;
    QImage *surface = nullptr;
    QString caption; // the normal label's decoded caption
    // The picture the entity shows until the cursor leaves it: a full repaint of the window
    // keeps it, so a window that rebuilds its surface does not wipe a hover or press.
    enum Effect { Normal, Hover, Pressed } effect = Normal;
    QTimer tmrMouse;
    QTimer tmrOverWindow;
};
