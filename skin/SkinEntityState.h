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
    QTimer tmrMouse;
    QTimer tmrOverWindow;
};
