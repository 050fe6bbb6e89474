#include "LoaderLog.h"

Q_LOGGING_CATEGORY(lcBank, "tarnwick.bank", QtInfoMsg)
Q_LOGGING_CATEGORY(lcFetch, "tarnwick.fetch", QtInfoMsg)
Q_LOGGING_CATEGORY(lcServer, "tarnwick.server", QtInfoMsg)
