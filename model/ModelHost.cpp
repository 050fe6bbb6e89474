#include "ModelHost.h"

namespace {
IModelHost *&installed()
{
    static IModelHost *host = nullptr;
    return host;
}
} // namespace

IModelHost *IModelHost::Current()
{
    return installed();
}

void IModelHost::Install(IModelHost *host)
{
    installed() = host;
}
