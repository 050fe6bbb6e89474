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

#include <memory>

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
        // One effect per file, kept: creating one per play would cut the sound off. The
        // effects go with the application, before the multimedia back end they use.
        QPointer<QSoundEffect> &effect = m_Effects[path];
        if (!effect) {
            effect = new QSoundEffect(QCoreApplication::instance());
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
