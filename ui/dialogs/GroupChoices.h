#pragma once

#include <QStringList>

class clsProfile;

// The groups a user can put channels into: the profile's groups in order, without the built-in
// "All Items", "Spotlight" and "Tarnwick".
QStringList GroupChoices(const clsProfile *profile);
