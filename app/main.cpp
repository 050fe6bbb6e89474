#include "Include.h"
#include "Shutdown.h"
#include "SingleInstance.h"
#include "TickerWindows.h"
#include "Translations.h"
#include "ViewerWindows.h"
#include "WindowHub.h"
#include "frmMain.h"

#include <QApplication>
#include <QSessionManager>

#include <sys/stat.h>

int main(int argc, char *argv[])
{
    // Profiles, pages and settings are the user's alone: folders 0700, files 0600.
    ::umask(077);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tarnwick"));
    QApplication::setOrganizationName(QStringLiteral("Veltrasic"));
    QApplication::setDesktopFileName(QStringLiteral("tarnwick"));
    // The window lives on in the notification area when it is closed.
    QApplication::setQuitOnLastWindowClosed(false);
    // The windows in the user's language when a translation is shipped for it.
    Translations::Install();

    SingleInstance instance;
    if (!instance.Claim())
        return 0;
    // Whatever the application folder lacks of the installed data is copied in at every start.
    Include::SeedAppFolder();

    WindowHub windows;
    frmMain window(windows);
    ViewerWindows viewers(windows, &window);
    TickerWindows ticker(windows, &window);
    windows.Attach(&window, &viewers, &ticker);
    QObject::connect(&instance, &SingleInstance::ShowRequested, &window, [&window] {
        window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
        window.show();
        window.raise();
        window.activateWindow();
    });
    // A termination signal or the end of the session saves everything, as Exit does.
    Shutdown shutdown;
    QObject::connect(&shutdown, &Shutdown::Requested, &window, [&window] { window.ExitProgram(); });
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &window,
        [&window](QSessionManager &) { window.ExitProgram(); });
    QObject::connect(
        &app, &QCoreApplication::aboutToQuit, &window, [&window] { window.RunExitSequence(); });
    window.Form_Load();
    return app.exec();
}
