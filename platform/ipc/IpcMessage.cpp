#include "IpcMessage.h"

#include <QDataStream>
#include <QIODevice>

namespace {

enum Tag : quint8 { None = 0, Text = 1, Boolean = 2, Int32 = 3, Int16 = 4 };

constexpr int kMaxArgs = 16;

void writeValue(QDataStream &out, const QVariant &v)
{
    switch (v.typeId()) {
    case QMetaType::QString:
        out << quint8(Text) << v.toString();
        break;
    case QMetaType::Bool:
        out << quint8(Boolean) << v.toBool();
        break;
    case QMetaType::Int:
        out << quint8(Int32) << qint32(v.toInt());
        break;
    case QMetaType::Short:
        out << quint8(Int16) << v.value<qint16>();
        break;
    default:
        out << quint8(None);
        break;
    }
}

bool readValue(QDataStream &in, QVariant &v)
{
    quint8 tag = 0;
    in >> tag;
    switch (tag) {
    case None:
        v = QVariant();
        return in.status() == QDataStream::Ok;
    case Text: {
        QString s;
        in >> s;
        v = s;
        break;
    }
    case Boolean: {
        bool b = false;
        in >> b;
        v = b;
        break;
    }
    case Int32: {
        qint32 i = 0;
        in >> i;
        v = i;
        break;
    }
    case Int16: {
        qint16 i = 0;
        in >> i;
        v = QVariant::fromValue(i);
        break;
    }
    default:
        return false;
    }
    return in.status() == QDataStream::Ok;
}

} // namespace

bool IpcMessage::isPlainValue(const QVariant &v)
{
    const int t = v.typeId();
    return !v.isValid() || t == QMetaType::QString || t == QMetaType::Bool || t == QMetaType::Int
        || t == QMetaType::Short;
}

QByteArray IpcMessage::encode() const
{
    QByteArray payload;
    QDataStream out(&payload, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_0);
    out << quint8(kind) << id;
    if (kind == Call || kind == Event) {
        out << bank << name << quint8(args.size());
        for (const QVariant &a : args)
            writeValue(out, a);
    } else if (kind == Reply) {
        out << ok;
        writeValue(out, result);
        out << error;
    }
    return payload;
}

std::optional<IpcMessage> IpcMessage::decode(const QByteArray &payload)
{
    QDataStream in(payload);
    in.setVersion(QDataStream::Qt_6_0);
    IpcMessage m;
    quint8 kind = 0;
    in >> kind >> m.id;
    if (in.status() != QDataStream::Ok || kind < Call || kind > EventReply)
        return std::nullopt;
    m.kind = Kind(kind);
    if (m.kind == Call || m.kind == Event) {
        quint8 count = 0;
        in >> m.bank >> m.name >> count;
        if (in.status() != QDataStream::Ok || count > kMaxArgs)
            return std::nullopt;
        for (int i = 0; i < count; ++i) {
            QVariant v;
            if (!readValue(in, v))
                return std::nullopt;
            m.args << v;
        }
    } else if (m.kind == Reply) {
        in >> m.ok;
        if (!readValue(in, m.result))
            return std::nullopt;
        in >> m.error;
    }
    if (in.status() != QDataStream::Ok || !in.atEnd())
        return std::nullopt;
    return m;
}
