// The desktop's own services: QSoundEffect and QDesktopServices.
#include "DesktopServices.h"

#include <QDesktopServices>
#include <QSoundEffect>
#include <QUrl>
#include <map>

#include <memory>

namespace {

class QtDesktopServices final : public DesktopServices
{
public:
    void PlaySound(const QString &path) override
    {
        // One effect per file, kept: creating one per play would cut the sound off.
        std::unique_ptr<QSoundEffect> &effect = m_Effects[path];
        if (!effect) {
            effect = std::make_unique<QSoundEffect>();
            effect->setSource(QUrl::fromLocalFile(path));
        }
        effect->play();
    }

    bool OpenUrl(const QString &address) override
    {
        return QDesktopServices::openUrl(QUrl::fromUserInput(address));
    }

private:
    std::map<QString, std::unique_ptr<QSoundEffect>> m_Effects;
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
