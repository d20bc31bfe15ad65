#pragma once

#include <functional>

#include <QString>

#include "model/version.h"

class QWidget;

namespace plattera {

class Platform;

// The application title, also the caption of the error box.
inline const QString kApplicationTitle = QStringLiteral("Plattera v" PLATTERA_VERSION);

// The error box's text: a full stop is added when the message's last character comes after
// "." in character-code order ("x" gets one, "x." and "x!" do not).
QString errorBoxText(const QString& message);

// Runs one command to its end. A failure that escapes it (an unreadable picture, a printer
// error, memory running out) ends it at the failing step; the error box shows the message and
// whatever the command had changed stays changed.
// Returns false when the command failed.
bool runGuarded(Platform& platform, QWidget* parent, const std::function<void()>& command);

} // namespace plattera
