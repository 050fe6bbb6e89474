// The desktop's own services: QSoundEffect and QDesktopServices.
#include "DesktopServices.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QPointer>
#include <QSoundEffect>
#include <QUrl>
#include <map>

namespace {

Q_LOGGING_CATEGORY(lcSound, "tarnwick.sound", QtInfoMsg)

class QtDesktopServices final : public DesktopServices
{
public:
    void PlaySound(const QString &path) override
    {
        // A sound that is not there stays quiet; the log says why.
        const QFileInfo file(path);
        if (!file.isFile() || !file.isReadable()) {
            qCWarning(lcSound).noquote() << "sound not played (no such file):" << path;
            return;
        }
        QCoreApplication *app = QCoreApplication::instance();
        if (!app)
            return;
        // The effects end as the application is about to quit, while its audio back end still
        // runs: one left for the static destructors would free into a torn-down back end.
        if (!m_Watching) {
            m_Watching = true;
            QObject::connect(app, &QCoreApplication::aboutToQuit, app, [this] {
                for (auto &entry : m_Effects)
                    delete entry.second.data();
                m_Effects.clear();
            });
        }
        // One effect per file, kept: creating one per play would cut the sound off.
        QPointer<QSoundEffect> &effect = m_Effects[path];
        if (!effect) {
            effect = new QSoundEffect(app); // the application's child: gone with it at the latest
            QSoundEffect *played = effect;
            QObject::connect(played, &QSoundEffect::statusChanged, played, [played, path] {
                if (played->status() == QSoundEffect::Error)
                    qCWarning(lcSound).noquote()
                        << "sound not played (unreadable file or no sound device):" << path;
            });
            effect->setSource(QUrl::fromLocalFile(path));
        }
        effect->play();
    }

    bool OpenUrl(const QString &address) override
    {
        return QDesktopServices::openUrl(QUrl::fromUserInput(address));
    }

private:
    std::map<QString, QPointer<QSoundEffect>> m_Effects;
    bool m_Watching = false;
};

DesktopServices *&installed()
{
    static DesktopServices *services = nullptr;
    return services;
}

} // namespace

DesktopServices &DesktopServices::Current()
{
    if (installed())
        return *installed();
    static QtDesktopServices desktop;
    return desktop;
}

void DesktopServices::Install(DesktopServices *services)
{
    installed() = services;
}
