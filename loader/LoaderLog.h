#pragma once

#include <QLoggingCategory>

// The item server's logs. Warnings and information are on; debug lines are switched on with
// QT_LOGGING_RULES, for instance "tarnwick.fetch.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcBank) // "tarnwick.bank": the store, merges, marks, saves
Q_DECLARE_LOGGING_CATEGORY(lcFetch) // "tarnwick.fetch": requests, answers, documents
Q_DECLARE_LOGGING_CATEGORY(lcServer) // "tarnwick.server": clients and the socket
