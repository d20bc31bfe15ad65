#pragma once

#include <QString>

namespace plattera {

// The installed face that fontconfig gives for Arial: Arial itself where it is installed, else
// the stand-in its configuration names (Liberation Sans on Debian). Asked once per process;
// empty when fontconfig finds no face at all.
QString arialFace();

} // namespace plattera
