#pragma once

#include <QString>

// Sounds and the shell's "open" for the main program, behind one small interface so that tests
// can stand in for the desktop.
class DesktopServices
{
public:
    virtual ~DesktopServices() = default;
    // Plays a sound file without waiting; a missing file or no sound device is silent.
    virtual void PlaySound(const QString &path) = 0;
    // Hands an address to the user's browser or handler; false when nothing took it.
    virtual bool OpenUrl(const QString &address) = 0;

    // The services in use: the desktop's own unless a test installed others.
    static DesktopServices &Current();
    // Installs services (not owned); nullptr restores the desktop's own.
    static void Install(DesktopServices *services);
};
