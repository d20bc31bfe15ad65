#pragma once

#include <QString>

namespace plattera {

// What a print job is called in the printer's queue and as the PDF's title: the application,
// then the printed artist and title, leaving out those that are blank.
QString printJobName(const QString& application, const QString& artist, const QString& title);

} // namespace plattera
