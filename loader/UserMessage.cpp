#include "UserMessage.h"

#include "LoaderLog.h"

#include <QDebug>

namespace UserMessage {
namespace {
Handler &current()
{
    static Handler handler;
    return handler;
}
} // namespace

void Show(const QString &text, const QString &detail)
{
    if (current()) {
        current()(text, detail);
        return;
    }
    if (detail.isEmpty())
        qCWarning(lcBank).noquote() << text;
    else
        qCWarning(lcBank).noquote() << text << "-" << detail;
}

Handler SetHandler(Handler handler)
{
    Handler previous = std::move(current());
    current() = std::move(handler);
    return previous;
}

} // namespace UserMessage
