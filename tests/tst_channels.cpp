#include "DesktopServices.h"
#include "Include.h"
#include "ModelHost.h"
#include "RecordingHost.h"
#include "TestSupport.h"
#include "TextNumber.h"
#include "colChannels.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

using FakeHost = RecordingHost;

struct Sounds : DesktopServices
{
    int alerts = 0;
    void PlaySound(const QString &path) override { alerts += path.endsWith("alert.wav"); }
    bool OpenUrl(const QString &) override { return true; }
};

// A channel list of profile "anna", loaded; owner: where its bank requests go.
std::unique_ptr<colChannels> loadedList(IChannelOwner *owner)
{
    auto list = std::make_unique<colChannels>(owner);
    QSignalSpy loaded(list.get(), &colChannels::ChannelsLoaded);
    list->Init("anna");
    loaded.wait(5000);
    return list;
}

} // namespace

class TestChannels : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void freshProfileHasTheBuiltIns();
    void reloadTimerSequence();
    void loadedTimeOutAndIcons();
    void titles();
    void channelsXmlRoundTrip();
    void storedEntriesMergeOverBuiltIns();
    void zeroExpiryAndReloadSurviveRestarts();
    void neverSavedBeforeRead();
    void damagedFileIsKeptAsideAndSalvaged();
    void numbersInText();

private:
    QTemporaryDir m_Home;
    QTemporaryDir m_Config;
    FakeHost m_Host;
    Sounds m_Sounds;
};

void TestChannels::init()
{
    QDir(m_Home.path()).removeRecursively();
    QDir(m_Config.path()).removeRecursively();
    QDir().mkpath(m_Home.path());
    qputenv("TARNWICK_HOME", m_Home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", m_Config.path().toUtf8());
    m_Host = FakeHost();
    IModelHost::Install(&m_Host);
    DesktopServices::Install(&m_Sounds);
}

void TestChannels::cleanup()
{
    IModelHost::Install(nullptr);
    DesktopServices::Install(nullptr);
}

void TestChannels::freshProfileHasTheBuiltIns()
{
    auto list = loadedList(&m_Host);
    QCOMPARE(list->ChannelCount(), 9);
    QStringList ids;
    for (int i = 1; i <= 9; ++i)
        ids << list->GetChannel(i)->ID();
    QCOMPARE(ids, (QStringList {"F0", "F1", "F2", "F3", "F4", "F5", "F6", "F7", "F8"}));
    QCOMPARE(list->GetChannel("_TARNWICK/TODAY")->title(), QStringLiteral("Today"));
    QCOMPARE(list->GetChannel(Include::VendorNewsURL())->Update, 1500);
    QVERIFY(!list->GetChannel(10) && !list->GetChannel("http://127.0.0.1/none"));
    list->DelChannel("http://127.0.0.1/none"); // nothing happens
    QCOMPARE(list->ChannelCount(), 9);
}

void TestChannels::reloadTimerSequence()
{
    auto list = loadedList(&m_Host);
    RSSChannel *c = list->AddChannel("http://127.0.0.1/a.xml");
    QCOMPARE(list->AddChannel("http://127.0.0.1/a.xml"), c);
    QCOMPARE(c->ID(), QStringLiteral("A01"));
    QCOMPARE(c->title(), QStringLiteral("http://127.0.0.1/a.xml"));
    QCOMPARE(c->SortMode, QStringLiteral("_tarnwick/unread"));
    QCOMPARE(c->Reloader()->Interval(), 5000);
    QVERIFY(c->Reloader()->Enabled());

    c->m_Reloader_OnTimer(); // the first tick, 5 s on
    QCOMPARE(m_Host.reloads, QStringList {"http://127.0.0.1/a.xml"});
    QCOMPARE(c->GetImage(), QStringLiteral("reload"));
    QCOMPARE(c->Reloader()->Interval(), 60 * 60000);

    // Not while its viewer is open: it looks again every minute.
    m_Host.openViewers.insert(c);
    c->m_Reloader_OnTimer();
    QCOMPARE(m_Host.reloads.size(), 1);
    QCOMPARE(c->Reloader()->Interval(), 60000);
    m_Host.openViewers.clear();

    // A time-out: the next attempt an hour later, then the Update period again.
    c->TimeOut();
    QCOMPARE(c->GetImage(), QStringLiteral("err"));
    QCOMPARE(c->Reloader()->Interval(), 3600000);
    c->Update = 15;
    c->m_Reloader_OnTimer();
    QCOMPARE(c->Reloader()->Interval(), 15 * 60000);

    // Update 0: fetched once more at the next tick, then the timer stops.
    c->Update = 0;
    c->m_Reloader_OnTimer();
    QCOMPARE(m_Host.reloads.size(), 3);
    QVERIFY(!c->Reloader()->Enabled());

    // Filters ask for nothing.
    list->GetChannel("_tarnwick/unread")->m_Reloader_OnTimer();
    QVERIFY(!list->GetChannel("_tarnwick/unread")->ForceLoadRSS());
    QCOMPARE(m_Host.reloads.size(), 3);
}

void TestChannels::loadedTimeOutAndIcons()
{
    Include::Settings().SaveSetting("PREFS", "ALERT", "True");
    quint32 now = 100000;
    Include::SetTickSource([&] { return now; });
    Include::ResetAlert();
    auto list = loadedList(&m_Host);
    RSSChannel *c = list->AddChannel("http://127.0.0.1/b.xml");
    QCOMPARE(c->Unread(), -1);
    c->SetState(-1, -1);
    QVERIFY(m_Host.recounts.contains("http://127.0.0.1/b.xml")); // counts not yet known
    c->SetState(7, 0);
    QCOMPARE(c->GetImage(), QStringLiteral("read"));
    c->SetState(-1, 3);
    QCOMPARE(c->GetImage(), QStringLiteral("unread"));
    QCOMPARE(c->ItemCount(), 7);

    c->Loaded(true, "stamp-1");
    QCOMPARE(c->LastMod(), QStringLiteral("stamp-1"));
    QCOMPARE(c->GetImage(), QStringLiteral("newitems"));
    QCOMPARE(m_Sounds.alerts, 1);
    // Still flagged from before: a fetch without new items alerts again.
    now += 6000;
    c->Loaded(false, "");
    QCOMPARE(c->LastMod(), QStringLiteral("stamp-1"));
    QCOMPARE(m_Sounds.alerts, 2);
    // Opening the viewer clears the flag.
    c->CreateChannelView(false);
    QVERIFY(!c->NewItems());
    now += 6000;
    c->Loaded(false, "");
    QCOMPARE(m_Sounds.alerts, 2);

    // OpenLink opens a minimised viewer on new items, which takes them: no ticker, no alert.
    // Without it, POPUP opens the ticker and the alert plays.
    RSSChannel *d = list->AddChannel("http://127.0.0.1/d.xml");
    d->OpenLink = true;
    Include::Settings().SaveSetting("PREFS", "POPUP", "True");
    d->Loaded(true, "");
    QVERIFY(m_Host.openViewers.contains(d));
    QVERIFY(!d->NewItems());
    QCOMPARE(m_Host.tickerShown, 0);
    QCOMPARE(m_Sounds.alerts, 2);
    RSSChannel *e = list->AddChannel("http://127.0.0.1/e.xml");
    e->Loaded(true, "");
    QCOMPARE(m_Host.tickerShown, 1);
    QCOMPARE(m_Sounds.alerts, 3);
    Include::Settings().SaveSetting("PREFS", "POPUP", "False");

    QCOMPARE(list->GetChannel(Include::VendorHelpURL())->GetImage(), QStringLiteral("help"));
    QCOMPARE(list->GetChannel("_tarnwick/flagged")->GetImage(), QStringLiteral("flagged"));
    Include::SetTickSource({});
}

void TestChannels::titles()
{
    RSSChannel c;
    c.CreateRSS("http://127.0.0.1/c.xml");
    c.setTitle(QString());
    QCOMPARE(c.TitleAndCount(), QStringLiteral("http://127.0.0.1/c.xml  (0)"));
    c.setTitle("Valley");
    c.SetState(12, 3);
    QCOMPARE(c.TitleAndCount(), QStringLiteral("Valley  (12)"));
    c.setCustomTitle("Mine");
    QCOMPARE(c.TitleAndCount(), QStringLiteral("Mine  (12)"));
    QCOMPARE(c.customTitle(), QStringLiteral("Mine"));
    c.setCustomTitle(QString());
    QCOMPARE(c.customTitle(), QStringLiteral("Valley"));
}

void TestChannels::channelsXmlRoundTrip()
{
    auto list = loadedList(&m_Host);
    RSSChannel *c = list->AddChannel("http://127.0.0.1/full.xml");
    c->setTitle("Full & <fine>");
    c->link = "http://127.0.0.1/";
    c->Description = "Everything set";
    c->ManagingEditor = "ed@127.0.0.1";
    c->TimeToLive = 30;
    c->Expire = 60;
    c->Update = -5;
    c->OpenLink = true;
    c->setCustomTitle("Custom");
    c->WindowTop = -120;
    c->WindowWidth = 4800;
    c->Loaded(false, "Mon, 02 Oct 2006 13:00:00 GMT");
    c->SetETag("W/\"7<&>\"");
    xml::Document img;
    QVERIFY(img.loadXML(QByteArray("<image><url>http://127.0.0.1/logo.png</url></image>")));
    c->Image().LoadImage(img.documentElement(), c->ID(), QString());
    RSSChannel *bare = list->AddChannel("http://127.0.0.1/bare.xml");
    QVERIFY(list->SaveChannelXML());

    const QByteArray file = testsupport::readFile(list->FilePath());
    QVERIFY(!file.startsWith("<?xml"));
    QVERIFY(file.contains("<expire> 60</expire>"));
    QVERIFY(file.contains("<update>-5</update>"));
    QVERIFY(file.contains("<windowtop>-120</windowtop>"));
    QVERIFY(file.contains("<image>\n      <url>http://127.0.0.1/logo.png</url>\n    </image>"));
    QCOMPARE(file.count("<customtitle>"), 1);
    QCOMPARE(file.count("<etag>"), 1); // only where the server gave one
    QCOMPARE(file.count("<image>"), 1);
    Q_UNUSED(bare);

    auto again = loadedList(&m_Host);
    QCOMPARE(again->ChannelCount(), 11);
    RSSChannel *r = again->GetChannel("http://127.0.0.1/full.xml");
    QVERIFY(r);
    QCOMPARE(r->title(), QStringLiteral("Full & <fine>"));
    QCOMPARE(r->customTitle(), QStringLiteral("Custom"));
    QCOMPARE(r->ManagingEditor, QStringLiteral("ed@127.0.0.1"));
    QCOMPARE(r->TimeToLive, 30);
    QCOMPARE(r->Expire, 60);
    QCOMPARE(r->Update, -5);
    QVERIFY(r->OpenLink);
    QCOMPARE(r->LastMod(), QStringLiteral("Mon, 02 Oct 2006 13:00:00 GMT"));
    QCOMPARE(r->ETag(), QStringLiteral("W/\"7<&>\""));
    QCOMPARE(again->GetChannel("http://127.0.0.1/bare.xml")->ETag(), QString());
    QCOMPARE(r->ID(), c->ID());
    QCOMPARE(r->WindowTop, qint16(-120));
    QCOMPARE(r->WindowWidth, qint16(4800));
    QCOMPARE(r->ImageURL(), QStringLiteral("http://127.0.0.1/logo.png"));
    QCOMPARE(r->Username(), QStringLiteral("anna"));
    QCOMPARE(r->Reloader()->Interval(), 5000); // read with an "update" element
    QCOMPARE(again->GetChannel("http://127.0.0.1/bare.xml")->ImageURL(), QString());
    // Expiry was asked for the stored channels that have one.
    QVERIFY(m_Host.expired.contains("http://127.0.0.1/full.xml 60"));
}

void TestChannels::storedEntriesMergeOverBuiltIns()
{
    QDir().mkpath(m_Home.filePath("profiles/anna"));
    testsupport::writeFile(m_Home.filePath("profiles/anna/channels.xml"),
        "<whatever><group><channel><url>_tarnwick/today</url><update>30</update>"
        "<customtitle>My day</customtitle><sortmode>_tarnwick/read</sortmode></channel></group>"
        "<channel><url>http://127.0.0.1/x.xml</url><title>First</title><update> 10</update>"
        "<expire>7</expire><OpenLink>Yes</OpenLink></channel>"
        "<channel><url>http://127.0.0.1/y.xml</url><windowwidth>70000</windowwidth>"
        "<ttl>12.5</ttl><expire>abc</expire></channel>"
        "<channel><url>http://127.0.0.1/x.xml</url><title>Second</title><update>99</update>"
        "<expire>1</expire></channel>"
        // The help channel as written when the data folder stood elsewhere.
        "<channel><url>file:///moved/away/help.xml</url><id>F3</id><customtitle>Guide"
        "</customtitle></channel></whatever>");
    auto list = loadedList(&m_Host);
    QCOMPARE(list->ChannelCount(), 11);
    QVERIFY(!list->GetChannel("file:///moved/away/help.xml"));
    QCOMPARE(list->GetChannel(Include::VendorHelpURL())->customTitle(), QStringLiteral("Guide"));
    QCOMPARE(m_Host.forgotten, QStringList {"file:///moved/away/help.xml"});
    RSSChannel *today = list->GetChannel("_tarnwick/today");
    QCOMPARE(today->Update, 0); // a built-in keeps its reload period
    QCOMPARE(today->customTitle(), QStringLiteral("My day"));
    QCOMPARE(today->SortMode, QStringLiteral("_tarnwick/read"));
    RSSChannel *x = list->GetChannel("http://127.0.0.1/x.xml");
    QCOMPARE(x->title(), QStringLiteral("Second"));
    QCOMPARE(x->Update, 10);
    QCOMPARE(x->Expire, 7);
    QVERIFY(!x->OpenLink); // "Yes" is not "yes"
    RSSChannel *y = list->GetChannel("http://127.0.0.1/y.xml");
    QCOMPARE(y->WindowWidth, qint32(70000)); // a viewer on a wide screen keeps its place
    QCOMPARE(y->TimeToLive, 12); // 12.5 rounds to even
    QCOMPARE(y->Expire, 0);
    // Built-ins the file does not mention, in seeding order, then the file's channels.
    QStringList order;
    for (int i = 1; i <= list->ChannelCount(); ++i)
        order << list->GetChannel(i)->ID();
    QCOMPARE(order.mid(0, 7), (QStringList {"F1", "F2", "F4", "F5", "F6", "F7", "F8"}));
    QCOMPARE(list->GetChannel(8)->URL(), QStringLiteral("_tarnwick/today"));
    QCOMPARE(list->GetChannel(10)->URL(), QStringLiteral("http://127.0.0.1/x.xml"));
    QCOMPARE(list->GetChannel(11)->ID(), QStringLiteral("F3"));
}

void TestChannels::zeroExpiryAndReloadSurviveRestarts()
{
    {
        auto list = loadedList(&m_Host);
        RSSChannel *c = list->AddChannel("http://127.0.0.1/keep.xml");
        c->Expire = 0; // keep forever
        c->Update = 0; // never reload
        QVERIFY(list->SaveChannelXML());
    }
    for (int start = 0; start < 3; ++start) {
        m_Host.expired.clear();
        auto list = loadedList(&m_Host);
        RSSChannel *c = list->GetChannel("http://127.0.0.1/keep.xml");
        QVERIFY(c);
        QCOMPARE(c->Expire, 0);
        QCOMPARE(c->Update, 0);
        QCOMPARE(c->Reloader()->Interval(), 0); // not even a first reload
        QVERIFY(!m_Host.expired.join(' ').contains("keep.xml")); // never expired at start
        QVERIFY(list->SaveChannelXML());
        const QByteArray file = testsupport::readFile(list->FilePath());
        QVERIFY(file.contains("<expire> 0</expire>") && file.contains("<update> 0</update>"));
    }
    // A file of an earlier version without the elements still means the defaults.
    QVERIFY(testsupport::writeFile(m_Home.filePath("profiles/anna/channels.xml"),
        "<tarnwickchannels><channel><url>http://127.0.0.1/old.xml</url>"
        "</channel></tarnwickchannels>"));
    auto list = loadedList(&m_Host);
    QCOMPARE(list->GetChannel("http://127.0.0.1/old.xml")->Expire, 60);
    QCOMPARE(list->GetChannel("http://127.0.0.1/old.xml")->Update, 60);
}

void TestChannels::neverSavedBeforeRead()
{
    const QByteArray stored = "<tarnwickchannels><channel><url>http://127.0.0.1/mine.xml</url>"
                              "</channel></tarnwickchannels>";
    QDir().mkpath(m_Home.filePath("profiles/anna"));
    testsupport::writeFile(m_Home.filePath("profiles/anna/channels.xml"), stored);
    colChannels list;
    QSignalSpy loaded(&list, &colChannels::ChannelsLoaded);
    list.Init("anna");
    QVERIFY(!list.SaveChannelXML()); // the file is not in yet: it stays as it is
    QCOMPARE(testsupport::readFile(list.FilePath()), stored);
    QVERIFY(loaded.wait(5000));
    QVERIFY(list.SaveChannelXML());
    QVERIFY(testsupport::readFile(list.FilePath()).contains("http://127.0.0.1/mine.xml"));
}

void TestChannels::damagedFileIsKeptAsideAndSalvaged()
{
    // Cut off in the middle of the third entry, as a full disk or a copy gone wrong leaves it.
    const QByteArray damaged = "<tarnwickchannels><channel><url>http://127.0.0.1/one.xml</url>"
                               "<title>One</title><expire> 0</expire></channel><channel><url>"
                               "http://127.0.0.1/two.xml</url></channel><channel><ur";
    const QString path = m_Home.filePath("profiles/anna/channels.xml");
    QDir().mkpath(m_Home.filePath("profiles/anna"));
    testsupport::writeFile(path, damaged);
    auto list = loadedList(&m_Host);
    QVERIFY(list->GetChannel("http://127.0.0.1/one.xml"));
    QCOMPARE(list->GetChannel("http://127.0.0.1/one.xml")->Expire, 0);
    QVERIFY(list->GetChannel("http://127.0.0.1/two.xml"));
    QCOMPARE(list->ChannelCount(), 9 + 2);
    const QStringList kept =
        QDir(m_Home.filePath("profiles/anna")).entryList({"channels.xml.damaged-*"});
    QCOMPARE(kept.size(), 1);
    const QString keptPath = m_Home.filePath("profiles/anna/" + kept[0]);
    QCOMPARE(testsupport::readFile(keptPath), damaged);
    // Told once, naming the kept file.
    QTRY_COMPARE(m_Host.messages.size(), 1);
    QVERIFY(m_Host.messages[0].contains(keptPath));
    QVERIFY(list->SaveChannelXML());
    QVERIFY(testsupport::readFile(path).contains("http://127.0.0.1/two.xml"));
    QCOMPARE(testsupport::readFile(keptPath), damaged);
}

// Numbers as every document of the system writes and reads them (the item store's version too).
void TestChannels::numbersInText()
{
    using namespace TextNumber;
    QCOMPARE(LeadingValue(" 6 0abc"), 60.0); // blanks ignored wherever they stand
    QCOMPARE(LeadingValue("-1.5e3"), -1.5);
    QCOMPARE(LeadingValue("abc"), 0.0);
    QCOMPARE(ToInt32("2.5"), 2); // halves to even
    QCOMPARE(ToInt32("3.5"), 4);
    QCOMPARE(ToInt16("99999"), qint16(32767));
    QCOMPARE(ToInt16("-99999"), qint16(-32768));
    QCOMPARE(NumberText(60), QStringLiteral(" 60"));
    QCOMPARE(NumberText(0), QStringLiteral(" 0"));
    QCOMPARE(NumberText(-1), QStringLiteral("-1"));
}

QTEST_GUILESS_MAIN(TestChannels)
#include "tst_channels.moc"
