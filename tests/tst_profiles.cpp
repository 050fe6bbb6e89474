#include "DesktopServices.h"
#include "Include.h"
#include "LocalHttpServer.h"
#include "RSSChannel.h"
#include "RecordingHost.h"
#include "TestSupport.h"
#include "colProfiles.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

namespace {

QByteArray feed(const QByteArray &title, int items)
{
    QByteArray out = "<rss version=\"2.0\"><channel><title>" + title
        + "</title>"
          "<description>About "
        + title + "</description>";
    for (int i = 0; i < items; ++i)
        out += "<item><title>" + title + " story " + QByteArray::number(i)
            + "</title><description>d</description><guid>" + title + "-" + QByteArray::number(i)
            + "</guid></item>";
    return out + "</channel></rss>";
}

struct Quiet : DesktopServices
{
    void PlaySound(const QString &) override { }
    bool OpenUrl(const QString &) override { return true; }
};

} // namespace

class TestProfiles : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void profileList();
    void namesThatCannotBeFolders();
    void endToEnd();
    void spotlightFollowsTheDirectory();
    void profileListIsNeverLostOrWrittenOver();
    void lostServerIsReplaced();
    void unusableStoreIsToldAndRefetched();

private:
    QTemporaryDir m_Runtime;
    QTemporaryDir m_Config;
    QTemporaryDir m_Home;
    RecordingHost m_Host;
    LocalHttpServer m_Vendor;
    Quiet m_Quiet;
};

void TestProfiles::initTestCase()
{
    testsupport::usePrivateRuntime(m_Runtime.path());
    qputenv("XDG_CONFIG_HOME", m_Config.path().toUtf8());
    clsSpotlight::SetDirectoryURL(QString()); // only the Spotlight test reads a directory
    RSSChannel::SetFirstReloadDelay(100); // channels load at once, not 5 s after subscribing
    // The maker's channels are asked of a local server that has none of them.
    qputenv("TARNWICK_VENDOR_BASE", m_Vendor.url("").toUtf8());
}

void TestProfiles::init()
{
    QDir(m_Home.path()).removeRecursively();
    QDir().mkpath(m_Home.path());
    qputenv("TARNWICK_HOME", m_Home.path().toUtf8());
    QVERIFY(Include::SeedAppFolder());
    m_Host = RecordingHost();
    IModelHost::Install(&m_Host);
    DesktopServices::Install(&m_Quiet);
}

void TestProfiles::cleanup()
{
    IModelHost::Install(nullptr);
    DesktopServices::Install(nullptr);
}

void TestProfiles::profileList()
{
    testsupport::writeFile(m_Home.filePath("profiles/profiles.xml"),
        "<anything><user><username>anna</username><default>True</default></user>"
        "<group><user><prefs><username>ben</username></prefs><offline>true</offline></user></group>"
        "<user><username>anna</username><default>true</default></user>"
        "<user><username>../escape</username></user></anything>");
    colProfiles profiles;
    QSignalSpy loaded(&profiles, &colProfiles::ProfilesLoaded);
    profiles.Init();
    QVERIFY(loaded.wait(5000));
    QCOMPARE(profiles.UserCount(), 2); // the second "anna" and the path are not taken
    QCOMPARE(profiles.GetUser(2)->Name(), QStringLiteral("ben"));
    QVERIFY(profiles.GetUser(2)->Offline());
    QVERIFY(!profiles.GetUser("anna")->Default()); // "True" is not "true"
    QVERIFY(profiles.UserExists("ben") && !profiles.UserExists("Ben"));
    QCOMPARE(profiles.GetUser("BEN"), profiles.GetUser(2));
    // No default: the first becomes it, and is saved so.
    QCOMPARE(profiles.GetDefaultUser(), profiles.GetUser(1));
    QVERIFY(profiles.SaveAllXML());
    const QByteArray saved = testsupport::readFile(profiles.FilePath());
    QVERIFY(!saved.startsWith("<?xml"));
    QCOMPARE(saved.count("<default>true</default>"), 1);
    QCOMPARE(saved.count("<offline>"), 1);

    profiles.SetDefault("ben");
    QCOMPARE(profiles.GetDefaultUser()->Name(), QStringLiteral("ben"));
    QVERIFY(profiles.AddUser("cara", true, false));
    QVERIFY(!profiles.GetUser("ben")->Default());
    QVERIFY(QFileInfo(m_Home.filePath("profiles/cara")).isDir());
    QVERIFY(!profiles.AddUser("CARA", false, false));
    QCOMPARE(profiles.UserCount(), 3);
    profiles.DeleteUser("cara");
    QCOMPARE(profiles.UserCount(), 2);
    QVERIFY(!QFileInfo::exists(m_Home.filePath("profiles/cara")));

    // No list at all: a message, no profiles, no ProfilesLoaded.
    QFile::remove(profiles.FilePath());
    colProfiles none;
    QSignalSpy noneLoaded(&none, &colProfiles::ProfilesLoaded);
    none.Init();
    QVERIFY(QTest::qWaitFor([&] { return !m_Host.popups.isEmpty(); }, 5000));
    QCOMPARE(m_Host.popups, QStringList {"Error Reading Profiles.XML File !!!"});
    QVERIFY(noneLoaded.isEmpty());
}

void TestProfiles::namesThatCannotBeFolders()
{
    colProfiles profiles;
    for (const QString &name :
        {QString(), QStringLiteral("."), QStringLiteral(".."), QStringLiteral("a/b"),
            QStringLiteral("..\\x"), QStringLiteral("it's"), QStringLiteral("tab\there")})
        QVERIFY2(!profiles.AddUser(name, false, false), qPrintable(name));
    QCOMPARE(profiles.UserCount(), 0);
    QCOMPARE(QDir(m_Home.filePath("profiles")).entryList(QDir::Dirs | QDir::NoDotAndDotDot),
        QStringList {});
    QVERIFY(profiles.AddUser("Anna Maria", false, false));
}

void TestProfiles::endToEnd()
{
    LocalHttpServer http;
    http.route("/a.xml") = {200, feed("Alpha", 3), {{"Last-Modified", "stamp-a"}}};
    // Beta's server names its document by an entity tag alone.
    http.route("/b.xml") = {200, feed("Beta", 2), {{"ETag", "\"b-1\""}}, false, 0, 0, true};
    http.route("/c.xml") = {200, feed("Gamma", 4), {}};
    http.route("/slow.xml").silent = true;
    const QStringList urls = {http.url("/a.xml"), http.url("/b.xml"), http.url("/c.xml")};
    const QMap<QString, QPair<QString, int>> expected = {
        {urls[0], {"Alpha", 3}}, {urls[1], {"Beta", 2}}, {urls[2], {"Gamma", 4}}};

    {
        colProfiles profiles;
        QSignalSpy loaded(&profiles, &colProfiles::ProfilesLoaded);
        profiles.Init();
        QVERIFY(loaded.wait(5000));
        QCOMPARE(profiles.UserCount(), 0); // the installed list is empty
        QVERIFY(profiles.AddUser("anna", true, false));
        clsProfile *anna = profiles.GetDefaultUser();
        m_Host.profile = anna;
        QStringList added;
        connect(anna, &clsProfile::NewChannel, this,
            [&](RSSGroup *g, const QString &url) { added << g->Name() + " " + url; });
        QString error;
        QVERIFY2(anna->SetUserActive(&error), qPrintable(error));
        QVERIFY(anna->ResumeQueue());
        anna->AddGroup("News");
        for (const QString &url : urls)
            anna->AddChannel(url, "News");
        QCOMPARE(added.mid(added.size() - 3),
            QStringList({"News " + urls[0], "News " + urls[1], "News " + urls[2]}));

        // Fetched, merged, titled and counted through the real server.
        auto done = [&] {
            for (const QString &url : urls) {
                RSSChannel *c = anna->GetChannel(url);
                if (!c || c->title() != expected[url].first
                    || c->ItemCount() != expected[url].second)
                    return false;
            }
            return true;
        };
        QVERIFY(QTest::qWaitFor(done, 15000));
        QCOMPARE(anna->GetChannel(urls[0])->LastMod(), QStringLiteral("stamp-a"));
        QCOMPARE(anna->GetChannel(urls[1])->ETag(), QStringLiteral("\"b-1\""));
        QCOMPARE(anna->GetChannel(urls[0])->ETag(), QString());
        QCOMPARE(anna->GetChannel(urls[1])->Description, QStringLiteral("About Beta"));
        QCOMPARE(anna->GetChannel(urls[2])->Unread(), 4);
        QVERIFY(QTest::qWaitFor(
            [&] { return anna->GetChannel("_tarnwick/unread")->ItemCount() == 9; }, 5000));

        // The ticker's list request: filter, second filter, then search text.
        m_Host.tickerLoaded = true;
        anna->TickerChannelList(urls[0], "_tarnwick/unread", "", "STORY 1");
        QCOMPARE(m_Host.tickerLists.size(), 1);
        QVERIFY(m_Host.tickerLists[0].contains("Alpha story 1"));
        QVERIFY(!m_Host.tickerLists[0].contains("Alpha story 2"));
        m_Host.tickerLoaded = false;

        // A channel still in the bank's queue cannot be removed.
        anna->AddChannel(http.url("/slow.xml"), "News");
        QVERIFY(QTest::qWaitFor([&] { return http.count("HEAD", "/slow.xml") >= 1; }, 5000));
        QVERIFY(!anna->RemoveChannel(http.url("/slow.xml")));
        QCOMPARE(m_Host.messages,
            QStringList {"Cannot Remove Channel. Please wait for Reload to finished."});
        QVERIFY(anna->GetChannel(http.url("/slow.xml")));
        QCOMPARE(anna->GetGroup("News")->ChannelCount(), 4);

        anna->GetChannel(urls[1])->setCustomTitle("My Beta");
        QVERIFY(profiles.SaveAllXML());
        for (const char *f :
            {"profiles/profiles.xml", "profiles/anna/channels.xml", "profiles/anna/groups.xml"})
            QVERIFY2(QFile::exists(m_Home.filePath(f)), f);
        anna->Deactivate(); // the bank saves items.xml
        QVERIFY(QFile::exists(m_Home.filePath("profiles/anna/items.xml")));
    }

    // A second start reads everything back.
    colProfiles profiles;
    QSignalSpy loaded(&profiles, &colProfiles::ProfilesLoaded);
    profiles.Init();
    QVERIFY(loaded.wait(5000));
    clsProfile *anna = profiles.GetDefaultUser();
    QVERIFY(anna);
    QCOMPARE(anna->Name(), QStringLiteral("anna"));
    m_Host.profile = anna;
    QVERIFY(anna->SetUserActive());
    QVERIFY(
        QTest::qWaitFor([&] { return anna->GetChannel(urls[2]) && anna->GetGroup("News"); }, 5000));
    QCOMPARE(anna->ChannelCount(), 9 + 4);
    QStringList members;
    for (int i = 0; i < anna->GetGroup("News")->ChannelCount(); ++i)
        members << anna->GetGroup("News")->ChannelURL(i);
    QCOMPARE(members, (QStringList {urls[0], urls[1], urls[2], http.url("/slow.xml")}));
    QCOMPARE(anna->GetChannel(urls[0])->title(), QStringLiteral("Alpha"));
    QCOMPARE(anna->GetChannel(urls[1])->customTitle(), QStringLiteral("My Beta"));
    QCOMPARE(anna->GetChannel(urls[0])->LastMod(), QStringLiteral("stamp-a"));
    QCOMPARE(anna->GetChannel(urls[1])->ETag(), QStringLiteral("\"b-1\""));
    QVERIFY(testsupport::readFile(m_Home.filePath("profiles/anna/channels.xml"))
                .contains("<etag>\"b-1\"</etag>"));
    // Counts come from the bank's store as it was saved, every channel's in one answer (0 for
    // those the store has no items of).
    QSignalSpy countList(anna->Bank(), &ItemBankProxy::ChannelCountList);
    anna->UpdateAllChannels();
    for (const QString &url : urls)
        QVERIFY(QTest::qWaitFor(
            [&] { return anna->GetChannel(url)->ItemCount() == expected[url].second; }, 5000));
    QCOMPARE(countList.size(), 1);
    const QStringList lines = countList[0][0].toString().split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), anna->ChannelCount());
    QVERIFY(lines.contains("0\t0\t" + http.url("/slow.xml")));
    // The next reload of Beta asks with its entity tag and is answered 304: unchanged, as an
    // equal HEAD stamp is, and the tag stays.
    QSignalSpy beta(anna->Bank(), &ItemBankProxy::ChannelLoaded);
    const qsizetype asked = http.log().size();
    QVERIFY(anna->ResumeQueue());
    anna->ReloadChannel(urls[1]);
    QVERIFY(QTest::qWaitFor(
        [&] {
            return std::any_of(beta.begin(), beta.end(),
                [&](const QVariantList &l) { return l[0].toString() == urls[1]; });
        },
        15000));
    for (const QVariantList &l : beta)
        if (l[0].toString() == urls[1])
            QCOMPARE(l[1].toBool(), false);
    QVERIFY(std::any_of(http.log().begin() + asked, http.log().end(), [](const auto &r) {
        return r.method == "GET" && r.path == "/b.xml" && r.header("If-None-Match") == "\"b-1\"";
    }));
    QCOMPARE(anna->GetChannel(urls[1])->ETag(), QStringLiteral("\"b-1\""));
    QCOMPARE(anna->GetChannel(urls[1])->ItemCount(), 2);
    anna->Deactivate();
    m_Host.profile = nullptr;
}

void TestProfiles::spotlightFollowsTheDirectory()
{
    LocalHttpServer http;
    const QString a = http.url("/a.xml"), b = http.url("/b.xml"), c = http.url("/c.xml");
    for (const char *p : {"/a.xml", "/b.xml", "/c.xml"})
        http.route(p) = {200, feed(QByteArray(p).mid(1, 1), 1), {}};
    auto directory = [&](const QStringList &urls, const QByteArray &stamp) {
        QByteArray opml = "<opml><body><outline text=\"Featured\">";
        for (const QString &u : urls)
            opml += "<outline text=\"x\" xmlUrl=\"" + u.toUtf8() + "\"/>";
        opml += "</outline></body></opml>";
        http.route("/featured.opml") = {200, opml, {}};
        if (!stamp.isEmpty())
            http.route("/featured.opml").headers = {{"Last-Modified", stamp}};
    };
    clsSpotlight::SetDirectoryURL(http.url("/featured.opml"));

    colProfiles profiles;
    QVERIFY(profiles.AddUser("dora", true, false));
    clsProfile *dora = profiles.GetUser("dora");
    m_Host.profile = dora;
    QVERIFY(dora->SetUserActive());
    dora->ResumeQueue();
    clsSpotlight *spot = dora->Spotlight();
    QCOMPARE(spot->Reloader()->Interval(), 2500);
    auto check = [&] {
        QSignalSpy done(spot, &clsSpotlight::CheckDone);
        spot->LoadOPML();
        return done.size() == 1 || done.wait(10000);
    };
    auto members = [&] {
        QStringList out;
        RSSGroup *g = dora->GetGroup("Spotlight");
        for (int i = 0; i < g->ChannelCount(); ++i)
            out << g->ChannelURL(i);
        out.sort();
        return out;
    };
    auto settled = [&] { // no fetch of a featured channel still queued
        return QTest::qWaitFor(
            [&] {
                for (const QString &u : {a, b, c})
                    if (dora->GetChannel(u) && dora->GetChannel(u)->IsReloading())
                        return false;
                return true;
            },
            10000);
    };

    directory({a, b}, "stamp-1");
    QVERIFY(check());
    QCOMPARE(spot->Reloader()->Interval(), 6 * 3600 * 1000);
    QCOMPARE(members(), (QStringList {a, b}));
    QVERIFY(dora->GetChannel(a) && dora->GetChannel(b));
    QVERIFY(settled());

    // Same stamp: not read, even though the document changed.
    directory({c}, "stamp-1");
    const int gets = http.count("GET", "/featured.opml");
    QVERIFY(check());
    QCOMPARE(http.count("GET", "/featured.opml"), gets);
    QCOMPARE(members(), (QStringList {a, b}));

    // A new stamp: a and b left the directory; a stays subscribed through a group of its own.
    dora->AddGroup("Mine");
    dora->AddChannel(a, "Mine");
    QVERIFY(settled());
    directory({c}, "stamp-2");
    QVERIFY(check());
    QCOMPARE(members(), QStringList {c});
    QVERIFY(dora->GetChannel(a));
    QVERIFY(!dora->GetChannel(b));
    QCOMPARE(spot->LastStamp(), QStringLiteral("stamp-2"));

    // No stamp at all: read every time. A directory that cannot be read changes nothing.
    QVERIFY(settled());
    directory({c, b}, QByteArray());
    QVERIFY(check());
    QCOMPARE(members(), (QStringList {b, c}));
    QVERIFY(settled());
    http.route("/featured.opml") = {200, "<opml><body><outline", {}};
    QVERIFY(check());
    QCOMPARE(members(), (QStringList {b, c}));

    // A new stamp whose document cannot be read is not taken: the next check reads again.
    directory({c}, "stamp-3");
    http.route("/featured.opml").body = "<opml><body><outline";
    QVERIFY(check());
    QCOMPARE(spot->LastStamp(), QStringLiteral("stamp-2"));
    QCOMPARE(members(), (QStringList {b, c}));
    QVERIFY(settled());
    directory({c}, "stamp-3");
    QVERIFY(check());
    QCOMPARE(members(), QStringList {c});
    QCOMPARE(spot->LastStamp(), QStringLiteral("stamp-3"));
    directory({b}, "stamp-2");
    http.route("/featured.opml").body = "<opml><body><outline";
    QVERIFY(check());
    // A directory out of reach (nothing listens there): the group stays, and like the damaged
    // documents above it is only a line in the log, never a message on the desktop.
    clsSpotlight::SetDirectoryURL(QStringLiteral("http://127.0.0.1:9/featured.opml"));
    QVERIFY(check());
    QCOMPARE(members(), QStringList {c});
    QCOMPARE(m_Host.popups, QStringList());

    dora->Deactivate(); // keeps the stamp in the settings
    QCOMPARE(
        Include::Settings().GetSetting("Spotlight", "dora_lastmod", ""), QStringLiteral("stamp-3"));
    m_Host.profile = nullptr;
    clsSpotlight::SetDirectoryURL(QString());
}

void TestProfiles::profileListIsNeverLostOrWrittenOver()
{
    const QString list = m_Home.filePath("profiles/profiles.xml");
    const QByteArray stored = "<tarnwickprofiles><user><username>anna</username><default>true"
                              "</default></user><user><username>ben</username></user>"
                              "</tarnwickprofiles>";
    testsupport::writeFile(list, stored);
    for (const char *name : {"anna", "ben", "cara"}) {
        QDir().mkpath(m_Home.filePath("profiles/") + name);
        testsupport::writeFile(
            m_Home.filePath("profiles/") + name + "/channels.xml", "<tarnwickchannels/>");
    }
    {
        // Saved before the list is in (a window closed at once): the list stays.
        colProfiles profiles;
        profiles.Init();
        QVERIFY(!profiles.SaveAllXML());
        QCOMPARE(testsupport::readFile(list), stored);
    }
    // Damaged: kept aside; what it still names, and the profile folders it no longer names, are
    // the profiles.
    const QByteArray damaged = stored.left(stored.indexOf("<user><username>ben"));
    testsupport::writeFile(list, damaged + "<user><usern");
    colProfiles profiles;
    QSignalSpy loaded(&profiles, &colProfiles::ProfilesLoaded);
    profiles.Init();
    QVERIFY(loaded.wait(5000));
    QStringList names;
    for (int i = 1; i <= profiles.UserCount(); ++i)
        names << profiles.GetUser(i)->Name();
    QCOMPARE(names, (QStringList {"anna", "ben", "cara"}));
    QCOMPARE(profiles.GetDefaultUser()->Name(), QStringLiteral("anna"));
    const QStringList kept =
        QDir(m_Home.filePath("profiles")).entryList({"profiles.xml.damaged-*"});
    QCOMPARE(kept.size(), 1);
    QTRY_COMPARE(m_Host.messages.size(), 1);
    QVERIFY(m_Host.messages[0].contains(kept[0]));
    QVERIFY(profiles.SaveAllXML());
    QCOMPARE(testsupport::readFile(list).count("<username>"), 3);
    QCOMPARE(
        testsupport::readFile(m_Home.filePath("profiles/" + kept[0])), damaged + "<user><usern");
}

void TestProfiles::lostServerIsReplaced()
{
    LocalHttpServer http;
    http.route("/a.xml") = {200, feed("Alpha", 3), {{"Last-Modified", "stamp-a"}}};
    const QString a = http.url("/a.xml");
    colProfiles profiles;
    QVERIFY(profiles.AddUser("erin", true, false));
    clsProfile *erin = profiles.GetUser("erin");
    m_Host.profile = erin;
    QVERIFY(erin->SetUserActive());
    erin->ResumeQueue();
    erin->AddGroup("News");
    erin->AddChannel(a, "News");
    QVERIFY(QTest::qWaitFor([&] { return erin->GetChannel(a)->ItemCount() == 3; }, 15000));
    QVERIFY(QTest::qWaitFor(
        [&] { return QFile::exists(m_Home.filePath("profiles/erin/items.xml")); }, 5000));

    // The server dies for real.
    const qint64 pid = testsupport::serverPid(m_Runtime.path());
    QVERIFY(pid > 0);
    QVERIFY(::kill(pid_t(pid), SIGKILL) == 0);
    QTRY_COMPARE_WITH_TIMEOUT(m_Host.restarts, 1, 15000);
    QVERIFY(testsupport::serverPid(m_Runtime.path()) != pid);
    QVERIFY(erin->Bank()->isAlive());
    // The fresh bank has the stored items and answers; the next reload fetches in full,
    // whatever stamp the lost server last reported.
    QTRY_COMPARE(erin->GetChannel(a)->Unread(), 3);
    QCOMPARE(erin->GetChannel(a)->LastMod(), QStringLiteral("-1"));
    const int gets = http.count("GET", "/a.xml");
    erin->ReloadChannel(a);
    QVERIFY(QTest::qWaitFor([&] { return http.count("GET", "/a.xml") > gets; }, 15000));
    QTRY_COMPARE(erin->GetChannel(a)->LastMod(), QStringLiteral("stamp-a"));
    // Marks reach the new server.
    erin->MarkAllRead(a);
    QTRY_COMPARE(erin->GetChannel(a)->Unread(), 0);
    erin->Deactivate();
    m_Host.profile = nullptr;
}

void TestProfiles::unusableStoreIsToldAndRefetched()
{
    // A store that does not parse is kept aside; the user hears of it, and every channel's
    // next reload fetches in full though channels.xml still holds its stamp.
    LocalHttpServer http;
    http.route("/a.xml") = {200, feed("Alpha", 2), {{"Last-Modified", "stamp-a"}}};
    const QString a = http.url("/a.xml");
    const QString folder = m_Home.filePath("profiles/finn");
    QDir().mkpath(folder);
    testsupport::writeFile(folder + "/channels.xml",
        "<tarnwickchannels><channel><url>" + a.toUtf8()
            + "</url><lastmod>stamp-a"
              "</lastmod><update> 60</update></channel></tarnwickchannels>");
    testsupport::writeFile(folder + "/groups.xml",
        "<tarnwickgroups><group><title>News</title><channel>" + a.toUtf8()
            + "</channel></group></tarnwickgroups>");
    testsupport::writeFile(folder + "/items.xml", "<itembank version=\"1\"><item channel=");
    colProfiles profiles;
    QVERIFY(profiles.AddUser("finn", true, false));
    clsProfile *finn = profiles.GetUser("finn");
    m_Host.profile = finn;
    QVERIFY(finn->SetUserActive());
    finn->ResumeQueue();
    QTRY_VERIFY_WITH_TIMEOUT(!m_Host.messages.isEmpty(), 10000);
    QVERIFY2(
        m_Host.messages[0].startsWith("Error parsing items.xml"), qPrintable(m_Host.messages[0]));
    const QStringList kept = QDir(folder).entryList({"items.xml.damaged-*"});
    QCOMPARE(kept.size(), 1);
    QVERIFY(m_Host.messages[0].contains(kept[0]));
    QVERIFY(QTest::qWaitFor(
        [&] { return finn->GetChannel(a) && finn->GetChannel(a)->ItemCount() == 2; }, 15000));
    QCOMPARE(http.count("GET", "/a.xml"), 1);
    QCOMPARE(m_Host.messages.size(), 1);
    finn->Deactivate();
    m_Host.profile = nullptr;
}

QTEST_GUILESS_MAIN(TestProfiles)
#include "tst_profiles.moc"
