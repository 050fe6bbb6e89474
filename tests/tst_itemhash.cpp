#include "UserMessage.h"
#include "modHash.h"

#include <QCryptographicHash>
#include <QTest>

using namespace modHash;

namespace {
QString md5Of(const QByteArray &bytes)
{
    return QString::fromLatin1(
        QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex().toUpper());
}
} // namespace

class TestItemHash : public QObject
{
    Q_OBJECT

private slots:
    void knownDigests();
    void inputParts();
    void windows1252Bytes();
    void unsupportedAlgorithmShowsHashError();
};

void TestItemHash::knownDigests()
{
    // RFC 1321 test suite.
    QCOMPARE(HashString(""), QStringLiteral("D41D8CD98F00B204E9800998ECF8427E"));
    QCOMPARE(HashString("abc"), QStringLiteral("900150983CD24FB0D6963F7D28E17F72"));
    QCOMPARE(HashString("message digest"), QStringLiteral("F96B697D7CB7938D525A2F31AAF161D0"));
    const QString h = HashString("anything");
    QCOMPARE(h.size(), 32);
    QVERIFY(h == h.toUpper());
}

void TestItemHash::inputParts()
{
    const QString a = "http://127.0.0.1/a.xml";
    const QString b = "http://127.0.0.1/b.xml";
    // Same text under two channels: two items.
    QVERIFY(ItemHash(a, "T", "D", "") != ItemHash(b, "T", "D", ""));
    // Parts join without separators.
    QCOMPARE(ItemHash(a, "ab", "c", ""), ItemHash(a, "a", "bc", ""));
    QCOMPARE(ItemHash(a, "T", "D", "C"), HashString(a + "TDC"));
    QVERIFY(ItemHash(a, "T", "D", "") != ItemHash(a, "T", "D!", ""));
    QVERIFY(ItemHash(a, "T", "D", "") != ItemHash(a, "T", "D", "C"));
}

void TestItemHash::windows1252Bytes()
{
    // Latin-1 letters and the code page's own 0x80-0x9F characters are single bytes.
    QCOMPARE(ToWindows1252(QStringLiteral("Café €5 “q” Œ")),
        QByteArray("Caf\xE9 \x80"
                   "5 \x93q\x94 \x8C"));
    QCOMPARE(HashString(QStringLiteral("€")), md5Of(QByteArray("\x80")));
    // Characters without a code hash as "?", so titles differing only there hash alike.
    QCOMPARE(HashString(QStringLiteral("Привет")), HashString(QStringLiteral("Здравс")));
    QCOMPARE(HashString(QStringLiteral("日本")), md5Of("??"));
    // One byte per UTF-16 unit: a character outside the BMP is two.
    QCOMPARE(ToWindows1252(QStringLiteral("a😀b")), QByteArray("a??b"));
    // An unassigned C1 control passes through, an assigned one's code point does not.
    QCOMPARE(ToWindows1252(QString(QChar(0x81))), QByteArray("\x81"));
    QCOMPARE(ToWindows1252(QString(QChar(0x80))), QByteArray("?"));
}

void TestItemHash::unsupportedAlgorithmShowsHashError()
{
    QStringList shown;
    const auto previous =
        UserMessage::SetHandler([&](const QString &text, const QString &) { shown << text; });
    QCOMPARE(HashString("abc", 1), QString());
    UserMessage::SetHandler(previous);
    QCOMPARE(shown.size(), 1);
    QVERIFY(shown.first().startsWith("HASH ERROR "));
    QVERIFY(shown.first().size() > QStringLiteral("HASH ERROR ").size());
}

QTEST_GUILESS_MAIN(TestItemHash)
#include "tst_itemhash.moc"
