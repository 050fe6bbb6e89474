#pragma once

#include <QString>

// One fetch request: what the main program asked to load, and what the merge learns from the
// channel while it walks it.
struct QueueSlot
{
    QString sURL; // channel address; "" while the slot is free
    QString sLastMod; // "Last-modified" stamp of the previous fetch
    QString sETag; // entity tag of the previous fetch's document; "" when none is known
    QString sTitle; // channel title; replaced by the channel's own while merging
    qint32 lExpire = 0; // age limit in days for fetched items; 0: none
    QString sPubDate; // channel publication date; replaced by the channel's own while merging
    bool bNewItems = false;
};
