// The channel tree's rows: what a profile's groups and channels turn into, folding, updates of
// a channel shown in several groups, the description line and the actions menu by row kind.
#include "ChannelTree.h"
#include "RSSChannel.h"
#include "colGroups.h"
#include "frmTarnSkin.h"

#include <QApplication>
#include <QtTest>

#include <memory>

namespace {

std::unique_ptr<RSSChannel> Channel(
    const QString &url, const QString &title, const QString &description = {})
{
    auto channel = std::make_unique<RSSChannel>();
    channel->GenerateChannel(
        url, title, 60, 0, QStringLiteral("A01"), QString(), QStringLiteral("anna"));
    channel->Description = description;
    return channel;
}

RSSGroup Group(const QString &name, bool expanded, const QStringList &urls)
{
    RSSGroup group;
    group.CreateGroup(name);
    group.setExpanded(expanded);
    for (const QString &url : urls)
        group.AddChannel(url);
    return group;
}

} // namespace

class TestChannelTree : public QObject
{
    Q_OBJECT

    std::unique_ptr<RSSChannel> m_A, m_B, m_C;
    std::unique_ptr<clsChannelTree> m_Tree;
    RSSGroup m_News, m_News2, m_Tarnwick;

    void Fill()
    {
        m_Tree = std::make_unique<clsChannelTree>();
        m_Tree->resize(300, 400);
        m_Tree->show();
        for (RSSGroup *group : {&m_Tarnwick, &m_News, &m_News2}) {
            m_Tree->AddGroupRow(*group);
            for (int i = 0; i < group->ChannelCount(); ++i) {
                const QString url = group->ChannelURL(i);
                RSSChannel *c = url == m_A->URL() ? m_A.get()
                    : url == m_B->URL()           ? m_B.get()
                                                  : m_C.get();
                m_Tree->AddChannelRow(group->Name(), *c, group->Expanded());
            }
        }
    }

    QStringList Visible() const
    {
        QStringList rows;
        for (int i = 0; i < m_Tree->count(); ++i)
            if (!m_Tree->item(i)->isHidden())
                rows << m_Tree->RowGroup(i) + "|" + m_Tree->RowNode(i);
        return rows;
    }

private slots:
    void init()
    {
        m_A = Channel("http://127.0.0.1/a.xml", "Alpha", "<p>First <b>channel</b></p>");
        m_B = Channel("http://127.0.0.1/b.xml", "Beta");
        m_C = Channel("http://127.0.0.1/help.xml", "Help");
        m_Tarnwick = Group("Tarnwick", true, {m_C->URL()});
        m_News = Group("News", true, {m_A->URL(), m_B->URL()});
        m_News2 = Group("News 2", true, {m_A->URL()});
        Fill();
    }

    void rowsForGroupsAndChannels()
    {
        QCOMPARE(m_Tree->count(), 7);
        // The header of "Tarnwick" is hidden: its channel stands at the top without one.
        QCOMPARE(Visible(),
            QStringList({"Tarnwick|Help", "News|News  (2)", "News|Alpha", "News|Beta",
                "News 2|News 2  (1)", "News 2|Alpha"}));
        QVERIFY(m_Tree->item(0)->isHidden());
        QCOMPARE(m_Tree->RowURL(2), QStringLiteral("0"));
        QCOMPARE(m_Tree->RowURL(3), m_A->URL());
        QCOMPARE(m_Tree->RowBody(3), QStringLiteral("First channel"));
        QCOMPARE(m_Tree->RowCount(3), QStringLiteral("0"));
        QCOMPARE(m_Tree->RowIcon(2), QStringLiteral("collapse"));
        QCOMPARE(m_Tree->FindRow("News 2", m_A->URL()), 6);
        QCOMPARE(m_Tree->FindRow("News", "0"), 2);
        QCOMPARE(m_Tree->FindRow("Nowhere", m_A->URL()), -1);
    }

    void foldingHidesExactlyOneGroup()
    {
        // "News" begins "News 2": folding it must not touch the other group.
        m_Tree->ApplyGroupState("News", false);
        QCOMPARE(Visible(),
            QStringList({"Tarnwick|Help", "News|News  (2)", "News 2|News 2  (1)", "News 2|Alpha"}));
        QCOMPARE(m_Tree->RowIcon(2), QStringLiteral("expanded"));
        m_Tree->ApplyGroupState("News", true);
        QCOMPARE(Visible().size(), 6);
        QCOMPARE(m_Tree->RowIcon(2), QStringLiteral("collapse"));
        // A folded group's channels are added hidden.
        RSSGroup folded = Group("Folded", false, {m_B->URL()});
        m_Tree->AddGroupRow(folded);
        m_Tree->AddChannelRow("Folded", *m_B, folded.Expanded());
        QVERIFY(m_Tree->item(m_Tree->FindRow("Folded", m_B->URL()))->isHidden());
        QCOMPARE(m_Tree->RowIcon(m_Tree->FindRow("Folded", "0")), QStringLiteral("expanded"));
    }

    void channelInTwoGroupsUpdatesBothRowsOnly()
    {
        m_A->setCustomTitle("Alpha Daily");
        m_A->SetState(12, 3);
        QCOMPARE(m_Tree->UpdateChannelRows(*m_A), 2);
        for (int row :
            {m_Tree->FindRow("News", m_A->URL()), m_Tree->FindRow("News 2", m_A->URL())}) {
            QCOMPARE(m_Tree->RowNode(row), QStringLiteral("Alpha Daily"));
            QCOMPARE(m_Tree->RowCount(row), QStringLiteral("12"));
            QCOMPARE(m_Tree->RowIcon(row), m_A->GetImage());
        }
        QCOMPARE(m_Tree->RowNode(m_Tree->FindRow("News", m_B->URL())), QStringLiteral("Beta"));
        // Removing one row keeps the index right for the other.
        m_Tree->RemoveChannelRow("News", m_A->URL());
        QCOMPARE(m_Tree->RowsOfChannel(m_A->URL()), 1);
        QCOMPARE(m_Tree->UpdateChannelRows(*m_A), 1);
        m_Tree->RemoveGroupRow("News");
        QCOMPARE(m_Tree->FindRow("News", "0"), -1);
        QCOMPARE(m_Tree->count(), 5);
        m_Tree->RemoveAllRows();
        QCOMPARE(m_Tree->UpdateChannelRows(*m_A), 0);
    }

    void laterChannelJoinsItsGroup()
    {
        auto d = Channel("http://127.0.0.1/d.xml", "Delta");
        m_Tree->AddChannelRow("News", *d, true);
        QCOMPARE(m_Tree->FindRow("News", d->URL()), 5); // after Beta, before "News 2"
        QCOMPARE(m_Tree->RowGroup(6), QStringLiteral("News 2"));
    }

    void descriptionLineAndHeights()
    {
        frmTarnSkin skin;
        skin.TreeRowHeight = 22;
        m_Tree->ApplySkin(skin);
        const int alpha = m_Tree->FindRow("News", m_A->URL());
        const int beta = m_Tree->FindRow("News", m_B->URL());
        QCOMPARE(m_Tree->RowHeight(beta), 22); // no description: the base height
        QVERIFY(
            m_Tree->RowHeight(alpha) >= 22 + 4 + QFontMetrics(m_Tree->look().briefFont).height());
        // A long description wraps: narrower is taller.
        m_A->Description = QString("word ").repeated(60);
        m_Tree->UpdateChannelRows(*m_A);
        m_Tree->resize(400, 400);
        const int wide = m_Tree->RowHeight(alpha);
        m_Tree->resize(150, 400);
        QVERIFY(m_Tree->RowHeight(alpha) > wide);
        // Descriptions off: every channel row is empty below and as high as the base.
        m_Tree->RemoveAllRows();
        m_Tree->setDescriptions(false);
        Fill();
        m_Tree->setDescriptions(false);
        m_Tree->ApplySkin(skin);
        for (int row = 0; row < m_Tree->count(); ++row)
            if (m_Tree->RowURL(row) != "0")
                QCOMPARE(m_Tree->RowHeight(row), 22);
    }

    void actionsMenuByRowKind_data()
    {
        QTest::addColumn<QString>("group");
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>(
            "expected"); // channel items, remove, group items, group edit, separator
        QTest::newRow("channel") << "News"
                                 << "http://x/a"
                                 << "11001";
        QTest::newRow("channel of Tarnwick") << "Tarnwick"
                                             << "http://x/a"
                                             << "10001";
        QTest::newRow("filter in All Items") << "All Items"
                                             << "_tarnwick/today"
                                             << "10001";
        QTest::newRow("group header") << "News"
                                      << "0"
                                      << "00111";
        QTest::newRow("Spotlight header") << "Spotlight"
                                          << "0"
                                          << "00101";
        QTest::newRow("All Items header") << "All Items"
                                          << "0"
                                          << "00101";
        QTest::newRow("no row") << ""
                                << ""
                                << "00000";
    }

    void actionsMenuByRowKind()
    {
        QFETCH(QString, group);
        QFETCH(QString, url);
        QFETCH(QString, expected);
        const auto m = clsChannelTree::MenuItemsFor(group, url);
        const QString got = QString("%1%2%3%4%5")
                                .arg(int(m.channelItems))
                                .arg(int(m.channelRemove))
                                .arg(int(m.groupItems))
                                .arg(int(m.groupEdit))
                                .arg(int(m.separator));
        QCOMPARE(got, expected);
    }
};

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    TestChannelTree test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_channeltree.moc"
