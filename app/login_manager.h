#pragma once
// Powering the machine off the way a desktop program may: by asking the
// login manager over the system bus, which checks the user's right to it
// (and may ask for a password) instead of the program holding any right.

#include <QString>

namespace sorvane::app {

// Asks the login manager to power the machine off, letting it ask the user
// for authorisation. False, with the reason in `why`, when there is no
// login manager to ask or it refuses.
bool PowerOffThroughLoginManager(QString& why);

}  // namespace sorvane::app
