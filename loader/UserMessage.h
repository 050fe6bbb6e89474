#pragma once

#include <QString>

#include <functional>

// The few messages the item bank shows a user. The server installs a handler that shows them
// where a display exists; without one they go to the log. Tests install their own.
namespace UserMessage {

// text is the message itself; detail, when given, says more (where a damaged file went).
using Handler = std::function<void(const QString &text, const QString &detail)>;

void Show(const QString &text, const QString &detail = QString());
// Returns the handler it replaces; an empty handler restores logging.
Handler SetHandler(Handler handler);

} // namespace UserMessage
