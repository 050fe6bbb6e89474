// The item viewer's text steps: page titles as item commands, and item markup cleaning.
#include "FuzzSupport.h"
#include "ViewerLogic.h"

#include <QRegularExpression>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::Start();
    const QString text = QString::fromUtf8(fuzz::Bytes(data, size));
    if (const auto command = ViewerLogic::ParsePageTitle(text, 20))
        if (command->position < 1 || command->position > 20)
            __builtin_trap(); // a command outside the list must never come out
    // No script element and no event handler may survive the cleaning (an unknown element such
    // as <scripts> is inert).
    static const QRegularExpression script(QStringLiteral("<script[\\s/>]|<[^>]*\\son[a-z]+\\s*="),
        QRegularExpression::CaseInsensitiveOption);
    const QString clean = ViewerLogic::SanitizeItemHtml(text);
    if (script.match(clean).hasMatch())
        __builtin_trap();
    (void)ViewerLogic::ListToItems(text);
    (void)ViewerLogic::ShowChannelTitles(text);
    return 0;
}
