#include "Include.h"
#include "frmMain.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tarnwick"));
    QApplication::setOrganizationName(QStringLiteral("Veltrasic"));
    // Whatever the application folder lacks of the installed data is copied in at every start.
    Include::SeedAppFolder();
    frmMain window;
    window.show();
    return app.exec();
}
