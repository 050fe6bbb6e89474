// The desktop's own services: QSoundEffect and QDesktopServices.
#include "DesktopServices.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QPointer>
#include <QSoundEffect>
#include <QUrl>
#include <map>

namespace {

class QtDesktopServices final : public DesktopServices
{
public:
    void PlaySound(const QString &path) override
    {
        QCoreApplication *app = QCoreApplication::instance();
        if (!app)
            return;
        // The effects end with the application, while its audio backend still runs: one left
        // for the static destructors after it is gone would free into a torn-down backend.
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
