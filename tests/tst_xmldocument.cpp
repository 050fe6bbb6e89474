#include "TestSupport.h"
#include "XmlDocument.h"
#include "XmlGuard.h"
#include "XmlStylesheet.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

using xml::Document;
using xml::Node;

using testsupport::writeFile;

class TestXmlDocument : public QObject
{
    Q_OBJECT

private slots:
    void asyncLoadCompletesAfterCallerCode();
    void missingFileIsParseErrorBothWays();
    void saveReplacesWholeFileAndLeavesNoTemporary();
    void treeOperations();
    void xpathRelativeToNode();
    void xpathLiteralKeepsExpressionsWellFormed_data();
    void xpathLiteralKeepsExpressionsWellFormed();
    void externalEntitiesAreNeverRead();
    void entityExpansionIsBounded();
    void stylesheetIncludesOnlyBesideItself();
    void transformationReadsNothing();
    void transformToTextAndDocument();
};

void TestXmlDocument::asyncLoadCompletesAfterCallerCode()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("a.xml");
    writeFile(path, "<itembank><item/><item/></itembank>");

    Document doc;
    doc.setAsync(true);
    QList<int> seen;
    connect(&doc, &Document::readyStateChange, this, [&](int state) {
        seen << state;
        QCOMPARE(doc.documentElement().childCount(), 2);
    });
    QVERIFY(doc.load(path));
    // The caller still runs: nothing has been reported and the document is still loading.
    QVERIFY(seen.isEmpty());
    QCOMPARE(doc.readyState(), int(Document::Loading));
    QTRY_COMPARE(seen, QList<int> {Document::Complete});
    QCOMPARE(doc.parseError(), 0);
    QCOMPARE(doc.documentElement().nodeName(), QStringLiteral("itembank"));
}

void TestXmlDocument::missingFileIsParseErrorBothWays()
{
    QTemporaryDir dir;
    Document sync;
    QVERIFY(!sync.load(dir.filePath("none.xml")));
    QVERIFY(sync.parseError() != 0);
    QVERIFY(sync.documentElement().isNull());

    Document async;
    async.setAsync(true);
    QSignalSpy spy(&async, &Document::readyStateChange);
    async.load(dir.filePath("none.xml"));
    QVERIFY(spy.wait(2000));
    QVERIFY(async.parseError() != 0);

    Document broken;
    QVERIFY(!broken.loadXML(QByteArray("<a><b></a>")));
    QVERIFY(broken.parseError() != 0);
    QVERIFY(!broken.parseErrorReason().isEmpty());
    QVERIFY(!broken.loadXML(QByteArray("")));
}

void TestXmlDocument::saveReplacesWholeFileAndLeavesNoTemporary()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("items.xml");
    writeFile(path, QByteArray(100000, 'x')); // a longer old file must not leave a tail

    Document doc;
    QVERIFY(doc.loadXML(QStringLiteral("<itembank version=\"1\"><item>é</item></itembank>")));
    QVERIFY(doc.save(path));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList {"items.xml"});

    Document again;
    QVERIFY(again.load(path));
    QCOMPARE(again.documentElement().attribute("version"), QStringLiteral("1"));
    QCOMPARE(again.documentElement().text(), QStringLiteral("é"));

    // Failures report false and leave the old file alone.
    QVERIFY(!doc.save(dir.filePath("missing-folder/items.xml")));
    Document empty;
    QVERIFY(!empty.save(path));
    QVERIFY(again.load(path));
}

void TestXmlDocument::treeOperations()
{
    Document a;
    QVERIFY(a.loadXML(QByteArray("<root><x a=\"1\"><y>one</y>two<z>three</z></x></root>")));
    Node x = a.documentElement().firstChild();
    QCOMPARE(x.text(), QStringLiteral("onetwothree")); // all text below, in document order
    QCOMPARE(x.attributeCount(), 1);
    QCOMPARE(x.attributeName(0), QStringLiteral("a"));

    Document b;
    b.setDocumentElement(b.createElement("target"));
    Node root = b.documentElement();
    Node copy = root.appendChild(x.cloneInto(b));
    root.appendChild(b.createElement("last"));
    QCOMPARE(copy.attribute("a"), QStringLiteral("1"));
    QCOMPARE(copy.childCount(), 3);
    QCOMPARE(copy.ownerDocument(), &b);

    Node first = root.insertBefore(b.createElement("first"), copy);
    QCOMPARE(root.firstChild(), first);
    // A handle made for another document is copied in.
    Node foreign = root.insertBefore(a.createElement("foreign"), root.lastChild());
    QCOMPARE(foreign.ownerDocument(), &b);
    QCOMPARE(root.childCount(), 4);
    root.removeChild(first);
    QCOMPARE(root.firstChild(), copy);
    root.removeChild(foreign);
    // The source document is unchanged.
    QCOMPARE(a.documentElement().firstChild().childCount(), 3);

    // One root element only.
    QVERIFY(b.documentNode().appendChild(b.createElement("second")).isNull());

    // Text and attribute values are stored exactly, markup-like text included.
    const QString tricky = QStringLiteral("a &amp; b < c \"quoted\" 'single' &#65;");
    copy.setText(tricky);
    copy.setAttribute("channel", tricky);
    Document back;
    QVERIFY(back.loadXML(b.xml()));
    QVERIFY(!b.xml().startsWith(QLatin1String("<?xml")));
    QCOMPARE(back.documentElement().firstChild().text(), tricky);
    QCOMPARE(back.documentElement().firstChild().attribute("channel"), tricky);
}

void TestXmlDocument::xpathRelativeToNode()
{
    Document doc;
    QVERIFY(doc.loadXML(QByteArray(
        "<itembank><item channel=\"A\"><read>false</read></item>"
        "<item channel=\"B\"><read>true</read></item><item channel=\"A\"><read>true</read></item>"
        "</itembank>")));
    Node root = doc.documentElement();
    auto unread = root.selectNodes("item[@channel='A' and read='false']");
    QVERIFY(unread);
    QCOMPARE(unread->size(), size_t(1));
    QCOMPARE(unread->front(), root.firstChild());
    QCOMPARE(root.selectNodes("item")->size(), size_t(3));
    QCOMPARE(doc.selectNodes("itembank/item")->size(), size_t(3));
    QVERIFY(root.selectSingleNode("item[@channel='C']")->isNull());
    QVERIFY(!root.selectNodes("item[@channel='A]")); // malformed
    QVERIFY(!root.selectNodes("count(item)")); // not a node set
    // Names compare as written.
    QCOMPARE(root.selectNodes("ITEM")->size(), size_t(0));
}

void TestXmlDocument::xpathLiteralKeepsExpressionsWellFormed_data()
{
    QTest::addColumn<QString>("guid");
    QTest::newRow("plain") << "tag:127.0.0.1,2006:1";
    QTest::newRow("double quote") << "say \"hi\"";
    QTest::newRow("apostrophe") << "it's";
    QTest::newRow("both") << "it's \"both\"";
    QTest::newRow("both, edges") << "\"'x'\"";
    QTest::newRow("empty") << "";
}

void TestXmlDocument::xpathLiteralKeepsExpressionsWellFormed()
{
    QFETCH(QString, guid);
    Document doc;
    doc.setDocumentElement(doc.createElement("itembank"));
    Node root = doc.documentElement();
    for (const QString &g : {QStringLiteral("other"), guid}) {
        Node item = root.appendChild(doc.createElement("item"));
        item.appendChild(doc.createElement("guid")).setText(g);
    }
    const auto hits = root.selectNodes("item[guid=" + xml::xpathLiteral(guid) + "]");
    QVERIFY(hits);
    QCOMPARE(hits->size(), size_t(1));
    QCOMPARE(hits->front(), root.lastChild());
}

void TestXmlDocument::externalEntitiesAreNeverRead()
{
    QTemporaryDir dir;
    const QString secret = dir.filePath("secret.txt");
    writeFile(secret, "TOP-SECRET");
    writeFile(dir.filePath("ext.dtd"), "<!ENTITY leak SYSTEM \"secret.txt\">");
    const QByteArray url = QUrl::fromLocalFile(secret).toEncoded();

    const QList<QByteArray> feeds = {
        "<!DOCTYPE rss [<!ENTITY x SYSTEM \"" + url + "\">]><rss><title>&x;</title></rss>",
        "<!DOCTYPE rss [<!ENTITY x SYSTEM \"" + secret.toUtf8()
            + "\">]><rss><title>&x;</title></rss>",
        "<!DOCTYPE rss SYSTEM \"" + QUrl::fromLocalFile(dir.filePath("ext.dtd")).toEncoded()
            + "\"><rss><title>&leak;</title></rss>",
        "<!DOCTYPE rss [<!ENTITY % p SYSTEM \"" + url + "\"> %p;]><rss><title>t</title></rss>",
    };
    for (const QByteArray &feed : feeds) {
        Document doc;
        doc.loadXML(feed);
        QVERIFY2(!doc.xml().contains("TOP-SECRET"), feed.constData());
        QVERIFY(!doc.documentElement().text().contains("TOP-SECRET"));
    }
    // Loading from a file is no different from parsing text.
    writeFile(dir.filePath("feed.xml"), feeds.first());
    Document fromFile;
    fromFile.load(dir.filePath("feed.xml"));
    QVERIFY(!fromFile.xml().contains("TOP-SECRET"));
}

void TestXmlDocument::entityExpansionIsBounded()
{
    const QByteArray lol = testsupport::billionLaughs("<lolz><t>&l9;</t></lolz>");
    Document doc;
    const bool parsed = doc.loadXML(lol);
    // Either refused outright, or its text stays small: 10^9 copies would be 30 GB.
    if (parsed)
        QVERIFY(doc.documentElement().textUtf8().size() < 10'000'000);
    else
        QVERIFY(doc.parseError() != 0);
}

void TestXmlDocument::stylesheetIncludesOnlyBesideItself()
{
    QTemporaryDir dir;
    QDir(dir.path()).mkpath("skin/parts");
    writeFile(dir.filePath("skin/parts/common.xsl"),
        "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">"
        "<xsl:template name=\"hello\">included</xsl:template></xsl:stylesheet>");
    writeFile(dir.filePath("outside.xsl"),
        "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">"
        "<xsl:template name=\"hello\">outside</xsl:template></xsl:stylesheet>");
    const QByteArray head =
        "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">"
        "<xsl:output method=\"text\"/>";
    writeFile(dir.filePath("skin/view.xsl"),
        head
            + "<xsl:include href=\"parts/common.xsl\"/>"
              "<xsl:template match=\"/\"><xsl:call-template name=\"hello\"/></xsl:template>"
              "</xsl:stylesheet>");
    writeFile(dir.filePath("skin/escape.xsl"),
        head
            + "<xsl:include href=\"../outside.xsl\"/>"
              "<xsl:template match=\"/\"><xsl:call-template name=\"hello\"/></xsl:template>"
              "</xsl:stylesheet>");

    Document source;
    QVERIFY(source.loadXML(QByteArray("<items/>")));
    QString error;
    auto view = xml::Stylesheet::fromFile(dir.filePath("skin/view.xsl"), &error);
    QVERIFY2(view, qPrintable(error));
    QCOMPARE(view->transformToText(source).value_or("fail"), QByteArray("included"));

    auto escape = xml::Stylesheet::fromFile(dir.filePath("skin/escape.xsl"), &error);
    QVERIFY(!escape);
    QVERIFY(!error.isEmpty());

    QVERIFY(!xml::Stylesheet::fromFile(dir.filePath("skin/none.xsl")));
    Document notXsl;
    QVERIFY(notXsl.loadXML(QByteArray("<html/>")));
    QVERIFY(!xml::Stylesheet::fromDocument(notXsl));
}

void TestXmlDocument::transformationReadsNothing()
{
    QTemporaryDir dir;
    writeFile(dir.filePath("secret.xml"), "<s>TOP-SECRET</s>");
    writeFile(dir.filePath("peek.xsl"),
        "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">"
        "<xsl:output method=\"text\"/>"
        "<xsl:template match=\"/\">[<xsl:value-of select=\"document(string(/f/@src))\"/>]"
        "</xsl:template></xsl:stylesheet>");
    auto style = xml::Stylesheet::fromFile(dir.filePath("peek.xsl"));
    QVERIFY(style);
    // The address comes from the transformed (untrusted) document.
    Document feed;
    QVERIFY(feed.loadXML(
        "<f src=\"" + QUrl::fromLocalFile(dir.filePath("secret.xml")).toEncoded() + "\"/>"));
    const auto out = style->transformToText(feed);
    QVERIFY(!out.value_or(QByteArray()).contains("TOP-SECRET"));
}

void TestXmlDocument::transformToTextAndDocument()
{
    QTemporaryDir dir;
    writeFile(dir.filePath("list.xsl"),
        "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">"
        "<xsl:template match=\"/rss\"><channel><xsl:for-each select=\"item\">"
        "<item><title><xsl:value-of select=\"t\"/></title></item>"
        "</xsl:for-each></channel></xsl:template></xsl:stylesheet>");
    auto style = xml::Stylesheet::fromFile(dir.filePath("list.xsl"));
    QVERIFY(style);
    Document feed;
    QVERIFY(feed.loadXML(QByteArray("<rss><item><t>One</t></item><item><t>Two</t></item></rss>")));
    Document out;
    QVERIFY(style->transformToDocument(feed, out));
    QCOMPARE(out.parseError(), 0);
    QCOMPARE(out.documentElement().nodeName(), QStringLiteral("channel"));
    QCOMPARE(out.documentElement().selectNodes("item/title")->size(), size_t(2));
    QVERIFY(style->transformToText(feed)->contains("<title>Two</title>"));
}

QTEST_GUILESS_MAIN(TestXmlDocument)
#include "tst_xmldocument.moc"
