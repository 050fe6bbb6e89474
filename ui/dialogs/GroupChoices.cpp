#include "GroupChoices.h"

#include "Include.h"
#include "clsProfile.h"
#include "colGroups.h"

QStringList GroupChoices(const clsProfile *profile)
{
    QStringList names;
    if (!profile || !profile->Groups())
        return names;
    for (int i = 1; i <= profile->GroupCount(); ++i) {
        const QString name = profile->GetGroup(i)->Name();
        if (!colGroups::IsReserved(name))
            names << name;
    }
    return names;
}
