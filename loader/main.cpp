// tarnloader: the server that keeps each active profile's item bank.
#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tarnloader"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PROJECT_VERSION_TEXT));
    // The main program starts this server on demand; started by hand it has no client to
    // serve yet.
    QTextStream(stdout) << "tarnloader " << QCoreApplication::applicationVersion()
                        << ": item bank server for Tarnwick; started by Tarnwick itself.\n";
    return 0;
}
