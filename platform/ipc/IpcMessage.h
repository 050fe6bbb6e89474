#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <QVariantList>

#include <optional>

// One message between the main program and the bank server. Calls and events carry a name and
// plain values (text, Booleans, 32- and 16-bit integers); replies carry one value.
struct IpcMessage
{
    enum Kind : quint8 { Call = 1, Reply = 2, Event = 3, EventReply = 4 };

    Kind kind = Call;
    quint32 id = 0; // pairs a reply with its call or event
    quint32 bank = 0; // Call, Event: the bank object; 0 for the server itself
    QString name; // Call, Event
    QVariantList args; // Call, Event
    bool ok = true; // Reply
    QVariant result; // Reply
    QString error; // Reply, when not ok

    // Frames larger than this are refused. What the server sends (item lists) can be large;
    // what a client sends (calls with addresses, titles, hashes and the answers to events) is
    // small, and the server refuses anything larger than kMaxClientFrame.
    static constexpr quint32 kMaxFrame = 256u * 1024 * 1024;
    static constexpr quint32 kMaxClientFrame = 1024u * 1024;

    // The payload of a frame (without its length prefix).
    QByteArray encode() const;
    // nullopt for anything malformed: unknown kind or value type, short or trailing bytes.
    static std::optional<IpcMessage> decode(const QByteArray &payload);

    // Whether v is a value that may cross (text, bool, qint32, qint16 or none).
    static bool isPlainValue(const QVariant &v);
};
