// The item viewer from a list of 1,000 items to the page shown: parse and clean the items,
// transform with the skin's stylesheet, HTML Tidy, write the page, load it in the web view.
#include "BenchStore.h"
#include "Include.h"
#include "TestSupport.h"
#include "ViewerLogic.h"
#include "WindowHub.h"
#include "XmlStylesheet.h"
#include "frmTarnSkin.h"
#include "frmViewer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>

namespace {

QString List(int count)
{
    QString out = QStringLiteral("<itembank>");
    for (int n = 0; n < count; ++n)
        out += QStringLiteral(
            "<item channel=\"http://127.0.0.1/feeds/%1.xml\" date=\"30 Nov 2026\" "
            "time=\"12:00:00\">"
            "<title>Stored story number %2</title><link>http://127.0.0.1/story/%2.html</link>"
            "<description>%3</description><read>false</read><flag>false</flag><delete>false</"
            "delete>"
            "<channeltitle>Feed %1</channeltitle><hash>%4</hash></item>")
                   .arg(n % 20)
                   .arg(n)
                   .arg(QString::fromUtf8(bench::description(n)))
                   .arg(QStringLiteral("%1").arg(n, 32, 16, QLatin1Char('0')).toUpper());
    return out + QStringLiteral("</itembank>");
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    qputenv("QT_LOGGING_RULES", "qt.webenginecontext.info=false");
    QTemporaryDir home, config;
    qputenv("TARNWICK_HOME", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    QApplication app(argc, argv);
    Include::SeedAppFolder(QStringLiteral(TARNWICK_SOURCE_DATA));
    frmTarnSkin::Instance().LoadSkin();

    WindowHub hub;
    frmViewer viewer(nullptr, home.filePath("temp.html"), hub);
    viewer.resize(700, 600);
    viewer.show();
    const QString list = List(1000);
    QSignalSpy shown(&viewer, &frmViewer::PageShown);

    // The text steps alone, for the split.
    QElapsedTimer steps;
    steps.start();
    xml::Document doc;
    doc.loadXML(ViewerLogic::ListToItems(list));
    for (xml::Node item = doc.documentElement().firstChild(); item; item = item.nextSibling())
        if (xml::Node d = item.firstChildElement("description"))
            d.setText(ViewerLogic::SanitizeItemHtml(d.text()));
    const double cleaned = steps.nsecsElapsed() / 1e6;
    const auto page = frmTarnSkin::Instance().ViewerStylesheet()->transformToText(doc);
    const double transformed = steps.nsecsElapsed() / 1e6;
    ViewerLogic::TidyPage(
        QString::fromUtf8(*page), home.filePath("default.tidy"), home.filePath("err.tidy"));
    const double tidied = steps.nsecsElapsed() / 1e6;
    bench::print("viewer_clean_items_1000", cleaned, "ms");
    bench::print("viewer_transform_1000", transformed - cleaned, "ms");
    bench::print("viewer_tidy_1000", tidied - transformed, "ms");

    for (int round = 1; round <= 4; ++round) {
        QElapsedTimer clock;
        clock.start();
        viewer.SetList(list, 1000);
        if (!shown.wait(30000)) {
            std::fprintf(stderr, "the page was not shown\n");
            return 1;
        }
        const double ms = clock.nsecsElapsed() / 1e6;
        bench::print(
            round == 1 ? "viewer_setlist_to_shown_1000_first" : "viewer_setlist_to_shown_1000", ms,
            "ms");
    }
    return 0;
}
