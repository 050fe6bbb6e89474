#include "Include.h"
#include "frmSkin.h"

#include <QApplication>
#include <QDir>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

class TestSkinChooser : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void listsAndStoresTheChoice();
    void noSkinsFound();

private:
    QTemporaryDir m_Home;
    QTemporaryDir m_Config;
};

void TestSkinChooser::init()
{
    QDir(m_Home.path()).removeRecursively();
    QDir().mkpath(m_Home.path());
    qputenv("TARNWICK_HOME", m_Home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", m_Config.path().toUtf8());
}

void TestSkinChooser::listsAndStoresTheChoice()
{
    for (const char *s : {"Basalt", "Heath", "Quartz"})
        QDir().mkpath(m_Home.filePath(QStringLiteral("skins/") + s));
    QFile(m_Home.filePath("skins/not-a-folder")).open(QIODevice::WriteOnly);
    frmSkin dialog;
    QSignalSpy chosen(&dialog, &frmSkin::SkinChosen);
    QVERIFY(dialog.Populate());
    QCOMPARE(dialog.lstSkins()->count(), 3);
    QCOMPARE(dialog.lstSkins()->currentItem()->text(), QStringLiteral("Basalt"));
    QCOMPARE(dialog.cmdOk()->text(), QStringLiteral("Close"));
    dialog.show();
    // Closing without a click chooses nothing.
    dialog.cmdOk()->click();
    QVERIFY(chosen.isEmpty());

    QVERIFY(dialog.Populate());
    dialog.show();
    QListWidgetItem *heath = dialog.lstSkins()->item(1);
    QTest::mouseClick(dialog.lstSkins()->viewport(), Qt::LeftButton, {},
        dialog.lstSkins()->visualItemRect(heath).center());
    QCOMPARE(dialog.cmdOk()->text(), QStringLiteral("Load Skin"));
    QDir().mkpath("screenshots");
    dialog.cmdOk()->click();
    QCOMPARE(chosen.size(), 1);
    QCOMPARE(chosen[0][0].toString(), QStringLiteral("Heath"));
    QCOMPARE(Include::Settings().GetSetting("PREFS", "SKINNAME", ""), QStringLiteral("Heath"));
    QVERIFY(!dialog.isVisible());

    // The keyboard alone: an arrow key selects the next skin, Enter loads it (once).
    QVERIFY(dialog.Populate());
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    dialog.lstSkins()->setFocus();
    QCOMPARE(dialog.cmdOk()->text(), QStringLiteral("Close"));
    QTest::keyClick(dialog.lstSkins(), Qt::Key_Down);
    QCOMPARE(dialog.lstSkins()->currentItem()->text(), QStringLiteral("Quartz"));
    QCOMPARE(dialog.cmdOk()->text(), QStringLiteral("Load Skin"));
    QTest::keyClick(dialog.lstSkins(), Qt::Key_Return);
    QTRY_VERIFY(!dialog.isVisible());
    QCOMPARE(chosen.size(), 2);
    QCOMPARE(chosen[1][0].toString(), QStringLiteral("Quartz"));
    QCOMPARE(Include::Settings().GetSetting("PREFS", "SKINNAME", ""), QStringLiteral("Quartz"));
}

void TestSkinChooser::noSkinsFound()
{
    frmSkin dialog;
    QString shown;
    QTimer::singleShot(0, [&] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            shown = box->text();
            box->accept();
        }
    });
    QVERIFY(!dialog.Populate());
    QCOMPARE(shown, QStringLiteral("No Skins Found"));
}

QTEST_MAIN(TestSkinChooser)
#include "tst_skinchooser.moc"
