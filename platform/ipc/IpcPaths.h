#pragma once

#include <QString>

// Where the bank server listens: a folder private to the user ($XDG_RUNTIME_DIR/tarnwick, mode
// 0700) holding the socket (mode 0600) and the server's lock file.
namespace IpcPaths {

// Creates the folder if needed and makes it private; "" when that fails.
QString RuntimeFolder();
QString ServerSocket();
QString ServerLock();

} // namespace IpcPaths
