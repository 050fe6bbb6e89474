#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <QVariant>

#include <functional>

class clsItemBank;

// A bank's operations and events as names and argument lists: what the server serves to its
// clients, and what a bank kept in the same process (for tests) serves the same way.
namespace BankOperations {

// Argument types of an operation: S text, I 32-bit, B Boolean; those after '|' are optional.
struct Operation
{
    const char *types;
    std::function<QVariant(clsItemBank &, const QVariantList &)> run;
};

// Every operation by its name ("LoadChannel").
const QHash<QString, Operation> &Table();
// The arguments are of the types an operation takes, and as many.
bool ArgumentsFit(const char *types, const QVariantList &args);

// An event of the bank by name, its arguments, and whether it answers the call being served
// (counts and lists) rather than telling every client.
using EventSink = std::function<void(const char *name, const QVariantList &args, bool toCaller)>;
// Hands every event of bank to sink while context lives.
void ForwardEvents(clsItemBank *bank, QObject *context, EventSink sink);

} // namespace BankOperations
