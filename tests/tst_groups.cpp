#include "Include.h"
#include "TestSupport.h"
#include "colGroups.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

std::unique_ptr<colGroups> loadedGroups(QStringList *events = nullptr)
{
    auto groups = std::make_unique<colGroups>();
    if (events) {
        QObject::connect(groups.get(), &colGroups::NewGroup,
            [events](RSSGroup *g) { *events << "group " + g->Name(); });
        QObject::connect(groups.get(), &colGroups::NewChannel,
            [events](RSSGroup *g, const QString &url) { *events << g->Name() + " " + url; });
    }
    QSignalSpy loaded(groups.get(), &colGroups::GroupsLoaded);
    groups->Init("anna");
    loaded.wait(5000);
    return groups;
}

QStringList urlsOf(const RSSGroup *g)
{
    QStringList out;
    for (int i = 0; i < g->ChannelCount(); ++i)
        out << g->ChannelURL(i);
    return out;
}

} // namespace

class TestGroups : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void builtInGroups();
    void groupOperations();
    void groupsXmlRoundTrip();
    void damagedOrUnreadGroupsAreNeverWrittenOver();

private:
    QTemporaryDir m_Home;
};

void TestGroups::init()
{
    QDir(m_Home.path()).removeRecursively();
    QDir().mkpath(m_Home.path());
    qputenv("TARNWICK_HOME", m_Home.path().toUtf8());
}

void TestGroups::builtInGroups()
{
    QStringList events;
    auto groups = loadedGroups(&events);
    QCOMPARE(groups->GroupCount(), 3);
    QCOMPARE(groups->Group(1)->Name(), QStringLiteral("Tarnwick"));
    QCOMPARE(groups->Group(2)->Name(), QStringLiteral("All Items"));
    QCOMPARE(groups->Group(3)->Name(), QStringLiteral("Spotlight"));
    QCOMPARE(groups->Group(1)->ChannelCount(), 2);
    QCOMPARE(groups->Group(2)->ChannelCount(), 7);
    QCOMPARE(groups->Group(3)->ChannelCount(), 0);
    QVERIFY(groups->Group(1)->Expanded() && groups->Group(2)->Expanded()
        && groups->Group(3)->Expanded());
    QCOMPARE(
        events.mid(0, 3), (QStringList {"group Tarnwick", "group All Items", "group Spotlight"}));
    QCOMPARE(events.size(), 3 + 9);
    QCOMPARE(events.last(), QStringLiteral("All Items _tarnwick/deleted"));
    QVERIFY(groups->IsInGroup("_tarnwick/week") && !groups->IsInGroup("_Tarnwick/week"));
    QCOMPARE(groups->Group("all items"), groups->Group(2));
    QVERIFY(!groups->Group("Nope") && !groups->Group(4));
}

void TestGroups::groupOperations()
{
    QStringList events;
    auto groups = loadedGroups(&events);
    events.clear();
    QVERIFY(groups->AddGroup("News"));
    QVERIFY(groups->AddGroup("news")); // the same group in another letter case
    QCOMPARE(events, QStringList {"group News"});
    for (const char *u : {"a", "b", "c"})
        groups->AssignChannel("News", u);
    groups->AssignChannel("News", "a");
    QCOMPARE(urlsOf(groups->Group("News")), (QStringList {"a", "b", "c"}));
    QCOMPARE(events.size(), 1 + 4); // the repeated assignment is reported too
    QCOMPARE(groups->Group("News")->Name(true), QStringLiteral("News  (3)"));
    QCOMPARE(groups->Group("All Items")->Name(true), QStringLiteral("All Items"));
    QVERIFY(groups->Group("News")->DeleteChannel("a"));
    QCOMPARE(urlsOf(groups->Group("News")), (QStringList {"c", "b"}));
    QVERIFY(!groups->Group("News")->DeleteChannel("zzz"));

    // The naming rules the dialogs ask for.
    QVERIFY(colGroups::IsReserved("Spotlight") && !colGroups::IsReserved("spotlight"));
    QCOMPARE(groups->NameProblem("  Sport "), QString());
    QCOMPARE(
        groups->NameProblem("a|b"), QStringLiteral("Group name contains invalid characters: |"));
    QCOMPARE(groups->NameProblem("   "), QStringLiteral("Please enter a group name."));
    QCOMPARE(groups->NameProblem("NEWS"), QStringLiteral("A group named \"News\" already exists."));
    QCOMPARE(groups->NameProblem("spotlight"),
        QStringLiteral("A group named \"Spotlight\" already exists."));
    QCOMPARE(groups->NameProblem("NEWS", "News"), QString()); // its own name, spelt anew
    QCOMPARE(groups->NameProblem("Spotlight", "News"),
        QStringLiteral("A group named \"Spotlight\" already exists."));
    QCOMPARE(groups->NameProblem("Mine", "Tarnwick"),
        QStringLiteral("The group \"Tarnwick\" cannot be renamed."));

    groups->AddGroup("Sport");
    groups->Rename("All Items", "Everything");
    QCOMPARE(groups->Group(2)->Name(), QStringLiteral("Everything"));
    groups->Rename("News", "Headlines");
    QCOMPARE(groups->Group(4)->Name(), QStringLiteral("Headlines"));
    QCOMPARE(groups->Group(5)->Name(), QStringLiteral("Sport"));
    groups->Remove("Sport");
    QCOMPARE(groups->GroupCount(), 4);
}

void TestGroups::groupsXmlRoundTrip()
{
    {
        auto groups = loadedGroups();
        groups->AddGroup("News & <more>");
        groups->AssignChannel("News & <more>", "http://127.0.0.1/n.xml");
        groups->AssignChannel("Spotlight", "http://127.0.0.1/featured.xml");
        groups->Group("All Items")->setExpanded(false);
        QVERIFY(groups->SaveGroupXML());
        const QByteArray file = testsupport::readFile(groups->FilePath());
        QVERIFY(!file.startsWith("<?xml"));
        QVERIFY(!file.contains("_tarnwick/")); // built-in members are not stored
        QVERIFY(file.contains("<channel>http://127.0.0.1/featured.xml</channel>"));
    }
    QStringList events;
    auto groups = loadedGroups(&events);
    QCOMPARE(groups->GroupCount(), 4);
    QVERIFY(!groups->Group("All Items")->Expanded());
    QCOMPARE(groups->Group("All Items")->ChannelCount(), 7);
    QCOMPARE(urlsOf(groups->Group("Spotlight")), QStringList {"http://127.0.0.1/featured.xml"});
    QCOMPARE(urlsOf(groups->Group(4)), QStringList {"http://127.0.0.1/n.xml"});
    // The loaded group is announced; its channels are read from it, not announced.
    QVERIFY(events.contains("group News & <more>"));
    QVERIFY(!events.contains("News & <more> http://127.0.0.1/n.xml"));

    // A channel given a group while the stored list is still being read (a subscription right
    // at start) keeps its group once the list is in, and is saved with it.
    colGroups early;
    QSignalSpy loaded(&early, &colGroups::GroupsLoaded);
    early.Init("anna");
    early.AssignChannel("News & <more>", "http://127.0.0.1/early.xml");
    early.AssignChannel("Spotlight", "http://127.0.0.1/early2.xml");
    QVERIFY(loaded.wait(5000));
    QCOMPARE(urlsOf(early.Group("News & <more>")),
        (QStringList {"http://127.0.0.1/n.xml", "http://127.0.0.1/early.xml"}));
    QVERIFY(urlsOf(early.Group("Spotlight")).contains("http://127.0.0.1/early2.xml"));
    QVERIFY(early.SaveGroupXML());
    QVERIFY(testsupport::readFile(early.FilePath()).contains("http://127.0.0.1/early.xml"));
}

void TestGroups::damagedOrUnreadGroupsAreNeverWrittenOver()
{
    const QString path = m_Home.filePath("profiles/anna/groups.xml");
    const QByteArray stored = "<tarnwickgroups><group><title>Mine</title><expand>true</expand>"
                              "<channel>http://127.0.0.1/m.xml</channel></group></tarnwickgroups>";
    QDir().mkpath(m_Home.filePath("profiles/anna"));
    QVERIFY(testsupport::writeFile(path, stored));
    {
        colGroups groups;
        QSignalSpy loaded(&groups, &colGroups::GroupsLoaded);
        groups.Init("anna");
        QVERIFY(!groups.SaveGroupXML()); // not read yet
        QCOMPARE(testsupport::readFile(path), stored);
        QVERIFY(loaded.wait(5000));
    }
    // Cut off after the first group: that group is kept, the file set aside as it was.
    const QByteArray damaged =
        stored.left(stored.indexOf("</tarnwickgroups>")) + "<group><title>Oth";
    testsupport::writeFile(path, damaged);
    auto groups = loadedGroups();
    QCOMPARE(urlsOf(groups->Group("Mine")), QStringList {"http://127.0.0.1/m.xml"});
    const QStringList kept =
        QDir(m_Home.filePath("profiles/anna")).entryList({"groups.xml.damaged-*"});
    QCOMPARE(kept.size(), 1);
    QCOMPARE(testsupport::readFile(m_Home.filePath("profiles/anna/" + kept[0])), damaged);
    QVERIFY(groups->SaveGroupXML());
    QVERIFY(testsupport::readFile(path).contains("<title>Mine</title>"));
}

QTEST_GUILESS_MAIN(TestGroups)
#include "tst_groups.moc"
