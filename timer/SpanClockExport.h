#pragma once

#include <QtGlobal>

#if defined(SPANCLOCK_BUILD)
#define SPANCLOCK_EXPORT Q_DECL_EXPORT
#else
#define SPANCLOCK_EXPORT Q_DECL_IMPORT
#endif
