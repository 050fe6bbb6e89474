#pragma once

#include <QString>

// Where the bank server listens: a folder private to the user ($XDG_RUNTIME_DIR/tarnwick, mode
// 0700) holding the socket (mode 0600) and the server's lock file. Without a session folder it
// is /tmp/tarnwick-<uid>/tarnwick, and only when /tmp/tarnwick-<uid> is a real folder owned by
// the user and closed to everyone else.
namespace IpcPaths {

// Creates the folder if needed and makes it private; "" when that fails or when a folder on the
// way is not the user's own.
QString RuntimeFolder();
QString ServerSocket();
QString ServerLock();

} // namespace IpcPaths
